#pragma once

#include <cstdint>

#include "arch/cpu_stepper.h"
#include "arch/isa4.h"
#include "link/frame_sender.h"
#include "log/logger.h"

// Runs the local Isa4 for at most `due` steps; a trap is logged and stops the
// run, the halting JZ ends this frame's steps only. Returns whether the run
// goes on.
bool run_steps(Isa4& arch, uint32_t due, Logger& log);

// "Computer Architecture state": the "Clocks" rate, the back end's "Reset CPU"
// and "Step", and the local "Run"/"Stop".
struct CpuStateWindow {
    int clocks = 1; // steps per second, 1..20
    bool running = false;

    void draw(Isa4& arch, CpuStepper& cpu_stepper, FrameSender& sender, Logger& log);
};
