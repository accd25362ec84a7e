// The frame loop on a simulated clock and display: where the swap waits for
// the refresh nothing is added; where it returns at once the loop sleeps out
// the rest of each refresh period. When nothing changes what is shown it
// waits for events, redrawing a few times a second, and input, an envelope or
// a log entry from another thread ends the wait at once. The local run keeps
// its pace and envelopes arrive at the sender's pace, not one per frame.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/frame_pacer.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"

namespace {

using std::chrono::microseconds;
using namespace std::chrono_literals;

// A display whose clock moves only by the frame's own work, by swaps that
// wait for the next refresh (when they do), by sleeps and by waits. Input
// comes at scheduled times; other threads wake it through wake_hook(), and a
// wait then ends at once (with real_waits, a wait really blocks until then,
// for at most real_wait_limit).
class SimulatedDisplay : public FramePlatform {
  public:
    SimulatedDisplay(int reported_hz, int actual_hz, bool swap_waits, microseconds work)
        : reported_hz(reported_hz), refresh(1000000 / actual_hz), swap_waits(swap_waits),
          work(work) {}

    PolledEvents poll_events() override {
        PolledEvents polled;
        polled.quit = clock >= quit_at;
        while (!input_at.empty() && input_at.front() <= clock) {
            input_at.erase(input_at.begin());
            polled.input = true;
        }
        std::lock_guard<std::mutex> lock(mutex);
        woken = false;
        return polled;
    }
    void wait_events(microseconds timeout) override {
        ++waits;
        const microseconds until = clock + timeout;
        if (!input_at.empty() && input_at.front() < until) {
            clock = std::max(clock, input_at.front()); // input ends the wait
            last_wait_timed_out = false;
            return;
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (real_waits)
            woke.wait_for(lock, real_wait_limit, [this] { return woken; });
        last_wait_timed_out = !woken;
        if (woken)
            clock += 100us; // the time the wake-up takes
        else
            clock = until;
        timeouts += last_wait_timed_out ? 1 : 0;
    }
    void new_frame() override {
        frame_starts.push_back(clock);
        ImGui::NewFrame();
        if (clock < 1s)
            ++frames_in_first_second;
    }
    void present(const float*) override {
        ImGui::Render();
        clock += work;
        if (swap_waits)
            clock = (clock / refresh + 1) * refresh; // the next refresh
        ++frames;
        if (after_present)
            after_present();
    }
    int refresh_hz() override { return reported_hz; }
    microseconds now() override { return clock; }
    void sleep_for(microseconds d) override {
        clock += d;
        ++sleeps;
        if (real_sleep)
            std::this_thread::sleep_for(200us); // lets NNG's threads deliver
    }

    std::function<void()> wake_hook() {
        return [this] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                woken = true;
            }
            woke.notify_one();
        };
    }

    // Frames started within [from, to).
    int frames_between(microseconds from, microseconds to) const {
        return static_cast<int>(std::count_if(frame_starts.begin(), frame_starts.end(),
                                              [&](microseconds t) { return t >= from && t < to; }));
    }

    microseconds quit_at = 1s;
    microseconds clock{0};
    std::vector<microseconds> input_at; // in order
    std::vector<microseconds> frame_starts;
    int frames = 0;
    int frames_in_first_second = 0;
    int sleeps = 0;
    int waits = 0;
    int timeouts = 0;
    bool last_wait_timed_out = false;
    bool real_sleep = false;
    bool real_waits = false;
    std::chrono::milliseconds real_wait_limit{2000};
    std::function<void()> after_present;

  private:
    int reported_hz;
    microseconds refresh;
    bool swap_waits;
    microseconds work;
    std::mutex mutex;
    std::condition_variable woke;
    bool woken = false;
};

struct Blank : FrameContent {
    void draw() override { ImGui::Begin("Blank"), ImGui::End(); }
    const float* background() const override { return colour; }
    bool animating() const override { return moving; }
    float colour[4] = {0, 0, 0, 1};
    bool moving = true;
};

struct PacingCase {
    const char* what;
    int reported_hz;
    int actual_hz;
    bool swap_waits;
    microseconds work;
    int frames_per_second;
    bool sleeps;
};

void PrintTo(const PacingCase& c, std::ostream* out) {
    *out << c.what;
}

class Pacing : public testing::TestWithParam<PacingCase> {};

TEST_P(Pacing, FramesPerSimulatedSecond) {
    const PacingCase& c = GetParam();
    ImGuiHarness ui;
    SimulatedDisplay display(c.reported_hz, c.actual_hz, c.swap_waits, c.work);
    Blank content;
    run_frame_loop(display, content);
    EXPECT_NEAR(display.frames_in_first_second, c.frames_per_second, 1);
    if (c.sleeps)
        EXPECT_GE(display.sleeps, display.frames - 1); // every frame but the last
    else
        EXPECT_EQ(display.sleeps, 0);
    EXPECT_EQ(display.waits, 0) << "an animating content never waits";
}

INSTANTIATE_TEST_SUITE_P(
    Loop, Pacing,
    testing::Values(
        PacingCase{"swap waits: paced by the swap alone", 60, 60, true, 2ms, 60, false},
        PacingCase{"swap waits on a fast display", 144, 144, true, 2ms, 144, false},
        PacingCase{"swap returns at once: capped at the refresh rate", 60, 60, false, 2ms, 60,
                   true},
        PacingCase{"refresh rate unknown: capped at 60 Hz", 0, 60, false, 2ms, 60, true},
        PacingCase{"capped at a faster display's rate", 144, 144, false, 1ms, 144, true},
        PacingCase{"frames slower than a refresh: never slept", 60, 60, false, 20ms, 50, false}),
    [](const testing::TestParamInfo<PacingCase>& info) {
        return "case" + std::to_string(info.index);
    });

TEST(Loop, FrameThatSeesQuitIsPresentedAndNotSleptAfter) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 1ms);
    display.quit_at = 0us; // the first poll already asks to quit
    Blank content;
    run_frame_loop(display, content);
    EXPECT_EQ(display.frames, 1);
    EXPECT_EQ(display.sleeps, 0);
    EXPECT_EQ(display.waits, 0);
}

TEST(FramePacer, RestOfFrame) {
    EXPECT_EQ(FramePacer::frame_period(60), 16666us);
    EXPECT_EQ(FramePacer::frame_period(0), 16666us);
    EXPECT_EQ(FramePacer::frame_period(-5), 16666us);
    EXPECT_EQ(FramePacer::rest_of_frame(1666us, 60), 15000us);
    EXPECT_EQ(FramePacer::rest_of_frame(0us, 100), 10000us);
    // Held by the swap for most of a period, or slower than one: no sleep.
    EXPECT_EQ(FramePacer::rest_of_frame(15000us, 60), 0us);
    EXPECT_EQ(FramePacer::rest_of_frame(40000us, 60), 0us);
    EXPECT_EQ(FramePacer::rest_of_frame(-5us, 60), 0us); // a clock that went back
}

// Nothing animating and no input: after the first frames settle, the loop
// waits for events and draws at the idle rate only; input brings the full
// rate back at once, for a while.
TEST(Idle, FramesWaitUntilInputAndInputIsDrawnAtOnce) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 1ms);
    display.quit_at = 6s;
    display.input_at = {3s + 123ms};
    Blank content;
    content.moving = false;
    run_frame_loop(display, content);

    const int idle_rate = static_cast<int>(1s / IdleWait::frame_period);
    EXPECT_NEAR(display.frames_between(0ms, IdleWait::after_input), 30, 1);
    EXPECT_NEAR(display.frames_between(1s, 3s), 2 * idle_rate, 1);
    // The input ended a wait: the frame that takes it starts at once.
    const auto first_after = *std::find_if(display.frame_starts.begin(), display.frame_starts.end(),
                                           [](microseconds t) { return t >= 3s + 123ms; });
    EXPECT_EQ(first_after, 3s + 123ms);
    // The full rate for a while after it, then the idle rate again.
    EXPECT_NEAR(display.frames_between(3s + 123ms, 3s + 123ms + IdleWait::after_input), 30, 1);
    EXPECT_NEAR(display.frames_between(4s, 6s), 2 * idle_rate, 1);
    EXPECT_GT(display.waits, 4 * idle_rate);
}

// What happened when something came from another thread while the loop
// waited.
struct WakeUp {
    int started_after = -1; // the frame after which it was started
    int shown_in = -1;      // the first frame that showed it
    int timeouts = -1;      // waits that ran out in between
};

// Runs the application's frames until the loop has settled into waiting,
// then runs happen() on another thread while it waits, and frames until
// shown() holds (at most 200 frames).
WakeUp wake_while_waiting(SimulatedDisplay& display, App& app, const std::function<void()>& happen,
                          const std::function<bool()>& shown) {
    WakeUp result;
    std::thread other;
    display.quit_at = 1000s; // ended below
    display.after_present = [&] {
        if (result.started_after >= 0 && result.shown_in < 0 && shown()) {
            result.shown_in = display.frames;
            result.timeouts = display.timeouts;
            display.real_waits = false;
            display.quit_at = 0us;
        }
        if (display.waits == 3 && result.started_after < 0) {
            result.started_after = display.frames;
            display.timeouts = 0;
            display.real_waits = true;
            other = std::thread([&] {
                std::this_thread::sleep_for(50ms); // while the loop waits
                happen();
            });
        }
        if (display.frames > 200)
            display.quit_at = 0us;
    };
    run_frame_loop(display, app);
    if (other.joinable())
        other.join();
    return result;
}

// A log entry added by another thread (the worker, NNG's threads) ends the
// wait: the next frame shows it.
TEST(Idle, LogEntryFromAnotherThreadIsDrawnInTheNextFrame) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 1ms);
    App app([] { return 0u; }, display.wake_hook());
    const WakeUp w = wake_while_waiting(
        display, app, [&] { app.log.add("from elsewhere"); },
        [] {
            return ImGuiHarness::window_text("Logger").find("from elsewhere") != std::string::npos;
        });
    ASSERT_GE(w.started_after, 0);
    EXPECT_EQ(w.shown_in, w.started_after + 1);
    EXPECT_EQ(w.timeouts, 0) << "the wait ran out instead of ending at the wake-up";
}

// An envelope that arrives while the application waits ends the wait (its
// log entry wakes the loop); the frame after it applies it.
TEST(Idle, ArrivingEnvelopeIsAppliedWithoutWaitingOutTheIdlePeriod) {
    ImGuiHarness ui;
    NngPeer peer(unique_inproc_url());
    SimulatedDisplay display(60, 60, false, 1ms);
    App app([] { return 0u; }, display.wake_hook());
    app.worker.connect(peer.url);
    ASSERT_TRUE(wait_until([&] { return app.log.size() >= 3; })); // connected, waiting for data
    ASSERT_TRUE(peer.recv().has_value());                         // the list request

    const WakeUp w = wake_while_waiting(
        display, app,
        [&] {
            peer.send({{"message_type", "command"},
                       {"message_sub_type", "list"},
                       {"destination", "computer_architecture"},
                       {"data", {"late"}}});
        },
        [&] { return !app.archs.empty(); });
    ASSERT_GE(w.started_after, 0);
    EXPECT_EQ(app.archs, std::vector<std::string>{"late"});
    EXPECT_EQ(w.shown_in, w.started_after + 1);
    EXPECT_EQ(w.timeouts, 0) << "the wait ran out instead of ending at the envelope";
}

// A local run at 20 steps per second of a program that counts r1 up by one
// a step.
void start_counting_run(App& app) {
    for (uint32_t& word : app.arch.rom)
        word = 0x11101; // ADDI r1, r1, 1
    app.local_run.clocks = 20;
    app.local_run.running = true;
}

// The application's own frames at the capped rate: the program's clock
// paces the local run, and a running local run never lets the loop wait.
TEST(Loop, LocalRunKeepsItsPaceWhenCapped) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 2ms);
    display.quit_at = 3s;
    App app([&] { return static_cast<uint32_t>(display.now().count() / 1000); });
    start_counting_run(app);
    run_frame_loop(display, app);
    EXPECT_GT(display.sleeps, 150);
    EXPECT_EQ(display.waits, 0);
    EXPECT_NEAR(display.frames, 180, 2);
    EXPECT_NEAR(app.arch.regs[1], 60, 1); // 20 steps per second for 3 seconds
    EXPECT_TRUE(app.local_run.running);
}

// A local run that stops (here at a breakpoint) is drawn stopped in the very
// next frame, not after an idle wait: the frame that ran the last steps drew
// its windows before them.
TEST(Loop, FrameAfterALocalRunStopsComesAtOnce) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 2ms);
    display.quit_at = 3s;
    App app([&] { return static_cast<uint32_t>(display.now().count() / 1000); });
    app.arch.breakpoints.insert(10);
    start_counting_run(app);
    int stopped_in = -1;
    microseconds stopped_frame_start{};
    microseconds next_frame_start{};
    display.after_present = [&] {
        if (stopped_in < 0 && !app.local_run.running) {
            stopped_in = display.frames;
            stopped_frame_start = display.frame_starts.back();
        } else if (stopped_in >= 0 && display.frames == stopped_in + 1) {
            next_frame_start = display.frame_starts.back();
        }
    };
    run_frame_loop(display, app);
    ASSERT_GE(stopped_in, 0);
    EXPECT_EQ(static_cast<int>(app.arch.regs[1]), 10); // words 0 to 9
    EXPECT_LT(next_frame_start - stopped_frame_start, IdleWait::frame_period / 2);
    EXPECT_NE(ImGuiHarness::window_text("Local Isa4").find("breakpoint at 0A"), std::string::npos)
        << ImGuiHarness::window_text("Local Isa4");
}

// A back end that sends faster than the frames run: envelopes are taken as
// they come, many in one frame, and all of them arrive, in order.
TEST(Loop, EnvelopesArriveAtTheSendersPaceNotOnePerFrame) {
    ImGuiHarness ui;
    NngPeer peer(unique_inproc_url());
    SimulatedDisplay display(60, 60, false, 1ms);
    display.real_sleep = true;
    display.quit_at = 1000s; // ended below once every envelope is in
    App app([] { return 0u; });
    app.worker.connect(peer.url);
    ASSERT_TRUE(wait_until([&] { return app.log.size() >= 3; })); // connected, waiting for data
    ASSERT_TRUE(peer.recv().has_value());                         // the list request

    constexpr int sent = 300;
    std::thread back_end([&] {
        try {
            for (int i = 0; i < sent; ++i)
                peer.send({{"message_type", "command"},
                           {"message_sub_type", "list"},
                           {"destination", "computer_architecture"},
                           {"data", {"arch" + std::to_string(i)}}});
        } catch (const std::exception&) {
            // a send that timed out shows as missing envelopes below
        }
    });

    int applied = 0;
    bool in_order = true;
    size_t most_queued = 0;
    display.after_present = [&] {
        most_queued = std::max(most_queued, app.msgs.size());
        // Each list replaced the one before; the last one applied tells how far it got.
        if (!app.archs.empty()) {
            const int n = std::stoi(app.archs[0].substr(4)) + 1;
            in_order = in_order && n >= applied;
            applied = n;
        }
        if (applied == sent || display.frames > 20000)
            display.quit_at = 0us;
    };
    run_frame_loop(display, app);
    back_end.join();

    EXPECT_EQ(applied, sent);
    EXPECT_TRUE(in_order);
    EXPECT_LT(display.frames, sent) << "no more than one envelope per frame";
    EXPECT_LE(most_queued, app.msgs.capacity());
    const std::vector<LogItem> logged = app.log.snapshot();
    ASSERT_FALSE(logged.empty());
    ASSERT_FALSE(logged.front().is_text());
    EXPECT_EQ(logged.front().envelope()["data"][0], "arch" + std::to_string(sent - 1));
}

} // namespace
