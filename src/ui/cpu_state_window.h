#pragma once

#include "arch/local_run.h"
#include "link/frame_sender.h"
#include "log/logger.h"

// "Computer Architecture state": the "Clocks" rate and "Run"/"Stop" of the
// local run, and the back end's "Reset CPU" and "Step". Those two say so in
// the log when no architecture is selected on the back end.
struct CpuStateWindow {
    void draw(LocalRun& run, FrameSender& sender, bool architecture_selected, Logger& log);
};
