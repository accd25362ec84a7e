// The frame loop on a simulated clock and display: where the swap waits for
// the refresh nothing is added; where it returns at once the loop sleeps out
// the rest of each refresh period, and the local run, the receive re-arm and
// the one-envelope-per-frame rule keep working at that rate.
#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include <gtest/gtest.h>
#include <imgui.h>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/frame_pacer.h"
#include "link/worker.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"

namespace {

using std::chrono::microseconds;
using namespace std::chrono_literals;

// A display whose clock moves only by the frame's own work, by swaps that
// wait for the next refresh (when they do) and by sleeps.
class SimulatedDisplay : public FramePlatform {
  public:
    SimulatedDisplay(int reported_hz, int actual_hz, bool swap_waits, microseconds work)
        : reported_hz(reported_hz), refresh(1000000 / actual_hz), swap_waits(swap_waits),
          work(work) {}

    bool poll_events() override { return clock >= quit_at; }
    void new_frame() override {
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
            std::this_thread::sleep_for(real_sleep_time); // lets NNG's threads deliver
    }

    microseconds quit_at = 1s;
    microseconds clock{0};
    int frames = 0;
    int frames_in_first_second = 0;
    int sleeps = 0;
    bool real_sleep = false;
    microseconds real_sleep_time = 200us;
    std::function<void()> after_present;

  private:
    int reported_hz;
    microseconds refresh;
    bool swap_waits;
    microseconds work;
};

struct Blank : FrameContent {
    void draw() override { ImGui::Begin("Blank"), ImGui::End(); }
    const float* background() const override { return colour; }
    float colour[4] = {0, 0, 0, 1};
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

// The application's own frames at the capped rate: the program's clock
// paces the local run, and the loop sleeps between frames.
TEST(Loop, LocalRunKeepsItsPaceWhenCapped) {
    ImGuiHarness ui;
    SimulatedDisplay display(60, 60, false, 2ms);
    display.quit_at = 3s;
    App app([&] { return static_cast<uint32_t>(display.now().count() / 1000); });
    for (uint32_t& word : app.arch.rom)
        word = 0x11101; // ADDI r1, r1, 1
    app.local_run.clocks = 20;
    app.local_run.running = true;
    run_frame_loop(display, app);
    EXPECT_GT(display.sleeps, 150);
    EXPECT_NEAR(display.frames, 180, 2);
    EXPECT_NEAR(app.arch.regs[1], 60, 1); // 20 steps per second for 3 seconds
    EXPECT_TRUE(app.local_run.running);
}

// A back end that sends faster than the frames run: each frame re-arms the
// receive once, so no more envelopes are taken than frames have run, and all
// of them arrive, in order.
TEST(Loop, OneEnvelopePerFrameWhenCapped) {
    ImGuiHarness ui;
    NngPeer peer(unique_inproc_url());
    SimulatedDisplay display(60, 60, false, 1ms);
    display.real_sleep = true;
    display.quit_at = 1000s; // ended below once every envelope is in
    App app([] { return 0u; });
    app.worker.tasks.push(WorkTask::Connect, peer.url.c_str());
    ASSERT_TRUE(wait_until([&] { return app.log.size() >= 3; })); // connected, waiting for data
    ASSERT_TRUE(peer.recv().has_value());                         // the list request

    // pair0 holds a sender back until the other side receives, so the
    // envelopes go from a thread of their own while the frames run.
    constexpr int sent = 30;
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

    auto envelopes = [&] {
        int n = 0;
        for (const LogItem& item : app.log.snapshot())
            n += item.is_text() ? 0 : 1;
        return n;
    };
    int most_ahead = 0;
    display.after_present = [&] {
        most_ahead = std::max(most_ahead, envelopes() - display.frames);
        if (envelopes() == sent || display.frames > 20000)
            display.quit_at = 0us;
    };
    run_frame_loop(display, app);
    back_end.join();

    EXPECT_EQ(envelopes(), sent);
    EXPECT_LE(most_ahead, 0); // never more envelopes than frames
    EXPECT_EQ(display.sleeps, display.frames - 1);
    app.drain();
    EXPECT_EQ(app.archs, std::vector<std::string>{"arch" + std::to_string(sent - 1)});
}

} // namespace
