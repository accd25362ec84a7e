#pragma once

#include <cstdint>
#include <functional>

// Turns elapsed milliseconds into a whole number of steps due.
class CpuStepper {
  public:
    using TickSource = std::function<uint32_t()>;

    CpuStepper(uint32_t period, uint32_t max_elapsed, TickSource ticks);

    // Whole periods passed since the previous call. Called once per frame.
    uint32_t due_steps();

    uint32_t last_ticks = 0;
    uint32_t max_elapsed;
    uint32_t accumulated = 0;
    uint32_t period;

  private:
    TickSource ticks;
};
