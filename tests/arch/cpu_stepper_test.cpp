// CpuStepper turns millisecond readings into whole steps due; the clock here
// is a plain variable the tests advance.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "arch/cpu_stepper.h"

namespace {

class CpuStepperTest : public testing::Test {
  protected:
    uint32_t now = 0;
    CpuStepper stepper{1000, 1000, [this] { return now; }};

    uint32_t at(uint32_t ticks) {
        now = ticks;
        return stepper.due_steps();
    }
};

} // namespace

TEST_F(CpuStepperTest, StartsEmptyAndCountsTheFirstReadingFromZero) {
    EXPECT_EQ(stepper.last_ticks, 0u);
    EXPECT_EQ(stepper.accumulated, 0u);
    EXPECT_EQ(stepper.period, 1000u);
    EXPECT_EQ(stepper.max_elapsed, 1000u);

    EXPECT_EQ(at(300), 0u);
    EXPECT_EQ(stepper.accumulated, 300u);
    EXPECT_EQ(stepper.last_ticks, 300u);
}

TEST_F(CpuStepperTest, AFullPeriodIsNotYetAStep) {
    EXPECT_EQ(at(1000), 0u);
    EXPECT_EQ(stepper.accumulated, 1000u);
    EXPECT_EQ(at(1001), 1u);
    EXPECT_EQ(stepper.accumulated, 1u);
}

TEST_F(CpuStepperTest, SameReadingCountsNothing) {
    EXPECT_EQ(at(500), 0u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(at(500), 0u);
        EXPECT_EQ(stepper.accumulated, 500u);
    }
}

TEST_F(CpuStepperTest, LongGapsAreCapped) {
    EXPECT_EQ(at(5000), 0u);
    EXPECT_EQ(stepper.accumulated, 1000u);
    EXPECT_EQ(at(10000), 2u); // another capped 1000 ms: 2000 in all
    EXPECT_EQ(stepper.accumulated, 0u);
    EXPECT_EQ(stepper.last_ticks, 10000u);
}

TEST_F(CpuStepperTest, WrappedCounterCountsTheModularDistance) {
    struct Case {
        uint32_t last, now, accumulated_after;
    };
    const std::vector<Case> cases = {
        {0xFFFFFF00u, 0x00000010u, 0x110}, // 272 ms across the wrap
        {0xFFFFFFFFu, 0x00000000u, 1},     // one millisecond
        {0xFFFFFF00u, 0x00001000u, 1000},  // 4352 ms, capped
        {0x80000000u, 0x7FFFFFFFu, 1000},  // almost a whole turn, capped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.last << " -> " << c.now);
        stepper.last_ticks = c.last;
        stepper.accumulated = 0;
        EXPECT_EQ(at(c.now), 0u);
        EXPECT_EQ(stepper.accumulated, c.accumulated_after);
        EXPECT_EQ(stepper.last_ticks, c.now);
    }
}

TEST_F(CpuStepperTest, OneCallGivesAtMostOneMoreThanTheCapInPeriods) {
    for (uint32_t clocks = 1; clocks <= 20; ++clocks) {
        SCOPED_TRACE(testing::Message() << "clocks " << clocks);
        const uint32_t period = 1000 / clocks;
        stepper.period = period;
        stepper.accumulated = period; // the largest leftover a call can keep
        stepper.last_ticks = 0;
        const uint32_t due = at(60000);
        EXPECT_EQ(due, 1 + 1000 / period);
        EXPECT_LE(stepper.accumulated, period);
    }
    stepper.period = 50;
    stepper.accumulated = 50;
    EXPECT_EQ(at(now + 999999), 21u);
    stepper.period = 1000;
    stepper.accumulated = 1000;
    EXPECT_EQ(at(now + 999999), 2u);
}

TEST_F(CpuStepperTest, RateChangeKeepsTheLeftover) {
    EXPECT_EQ(at(1000), 0u); // 1000 ms gathered towards a 1000 ms period
    stepper.period = 50;     // raised to 20 steps per second
    EXPECT_EQ(at(2000), 40u);
    EXPECT_EQ(stepper.accumulated, 0u);

    EXPECT_EQ(at(2070), 1u);
    EXPECT_EQ(stepper.accumulated, 20u);
    stepper.period = 1000;
    EXPECT_EQ(at(2970), 0u);
    EXPECT_EQ(stepper.accumulated, 920u);
}

TEST_F(CpuStepperTest, FramesAddUpToElapsedTimeOverPeriod) {
    // 16 ms frames for ten seconds at 10 steps per second: no time is lost
    // beyond the one period a call may keep.
    stepper.period = 100;
    at(0);
    uint32_t total = 0;
    for (uint32_t t = 16; t <= 10000; t += 16)
        total += at(t);
    const uint32_t elapsed = now;
    EXPECT_EQ(total, (elapsed - stepper.accumulated) / 100);
    EXPECT_GE(total, elapsed / 100 - 1);
    EXPECT_LE(total, elapsed / 100);
}

TEST_F(CpuStepperTest, ZeroPeriodGivesNoSteps) {
    stepper.period = 0;
    EXPECT_EQ(at(500), 0u);
    EXPECT_EQ(at(900), 0u);
}
