#include "arch/cpu_stepper.h"

#include <algorithm>
#include <utility>

CpuStepper::CpuStepper(uint32_t period, uint32_t max_elapsed, TickSource ticks)
    : max_elapsed(max_elapsed), period(period), ticks(std::move(ticks)) {}

uint32_t CpuStepper::due_steps() {
    const uint32_t now = ticks();
    // Unsigned subtraction: an equal reading is 0 ms, and a wrapped 32-bit
    // counter still gives the true distance.
    const uint32_t elapsed = std::min<uint32_t>(now - last_ticks, max_elapsed);
    accumulated += elapsed;

    uint32_t due = 0;
    if (period != 0 && accumulated > period) {
        due = accumulated / period;
        accumulated %= period;
    }
    last_ticks = now;
    return due;
}
