#pragma once

#include "arch/local_run.h"
#include "link/frame_sender.h"

// "Computer Architecture state": the "Clocks" rate and "Run"/"Stop" of the
// local run, and the back end's "Reset CPU" and "Step".
struct CpuStateWindow {
    void draw(LocalRun& run, FrameSender& sender);
};
