#pragma once

#include <cstdint>

#include "arch/cpu_stepper.h"
#include "arch/isa4.h"
#include "arch/local_processor.h"
#include "log/logger.h"

// Runs the local Isa4 for at most `due` recorded steps; a trap (logged by the
// step) stops the run, the halting JZ ends this frame's steps only. Returns
// whether the run goes on.
bool run_steps(Isa4& arch, LocalProcessor& cpu, uint32_t due, Logger& log);

// The local run: "Run"/"Stop" and its rate. The frame advances it once, after
// the windows have taken their input, so a press of "Run" takes effect in its
// own frame.
struct LocalRun {
    static constexpr int min_clocks = 1;
    static constexpr int max_clocks = 20;

    int clocks = 1; // steps per second
    bool running = false;

    // Takes this frame's due steps from the stepper, whether or not running
    // (time that passes while stopped does not pile up), and executes them
    // while running.
    void advance(Isa4& arch, LocalProcessor& cpu, CpuStepper& stepper, Logger& log);
};
