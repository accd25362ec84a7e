#include "arch/local_run.h"

#include "util/bounds.h"

bool run_steps(Isa4& arch, LocalProcessor& cpu, uint32_t due, Logger& log) {
    while (due > 0) {
        --due;
        switch (cpu.step(arch, log)) {
        case LocalProcessor::StepResult::Executed:
            break;
        case LocalProcessor::StepResult::Halted:
            return true;
        case LocalProcessor::StepResult::Trapped:
            return false;
        }
    }
    return true;
}

void LocalRun::advance(Isa4& arch, LocalProcessor& cpu, CpuStepper& stepper, Logger& log) {
    clocks = clamp_between(min_clocks, clocks, max_clocks);
    stepper.period = 1000 / static_cast<uint32_t>(clocks);
    const uint32_t due = stepper.due_steps();
    if (running)
        running = run_steps(arch, cpu, due, log);
}
