#include "arch/local_run.h"

#include <cstdio>

#include "util/bounds.h"

bool run_steps(Isa4& arch, uint32_t due, Logger& log) {
    while (due > 0) {
        --due;
        try {
            if (!arch.step())
                break;
        } catch (const Trap& t) {
            if (t.number == Trap::breakpoint) {
                log.add("Breakpoint hit");
            } else {
                char text[40];
                std::snprintf(text, sizeof text, "Interrupt %u", t.number);
                log.add(text);
            }
            return false;
        }
    }
    return true;
}

void LocalRun::advance(Isa4& arch, CpuStepper& stepper, Logger& log) {
    clocks = clamp_between(min_clocks, clocks, max_clocks);
    stepper.period = 1000 / static_cast<uint32_t>(clocks);
    const uint32_t due = stepper.due_steps();
    if (running)
        running = run_steps(arch, due, log);
}
