#pragma once

#include "arch/isa4.h"
#include "arch/local_processor.h"
#include "arch/local_run.h"
#include "log/logger.h"

// "Local Isa4": Quarrin's own processor. Its registers in hexadecimal,
// unsigned and signed decimal, pc, z, whether it stands at a breakpoint and
// why it stopped, with what the last step changed highlighted; and the
// buttons that step it, step it back and reset it. They act on the local
// processor only and stop a local run; the back end's "Step" and "Reset CPU"
// are in "Computer Architecture state".
struct LocalIsa4Window {
    void draw(Isa4& arch, LocalProcessor& cpu, LocalRun& run, Logger& log);

  private:
    void draw_buttons(Isa4& arch, LocalProcessor& cpu, LocalRun& run, Logger& log);
    void draw_state(const Isa4& arch, const LocalProcessor& cpu, const LocalRun& run);
    void draw_registers(const Isa4& arch, const StepChange& change);
};
