// Frames under faults: how long the frame loop stalls when every send fails
// because no back end is there, and what a log full of large envelopes costs
// each frame and in memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <imgui_internal.h>

#include "app/app.h"
#include "link/envelope.h"
#include "link/inbound.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"
#include "support/peak_rss.h"

using nlohmann::json;

namespace {

using Clock = std::chrono::steady_clock;

// An App in a headless context whose every frame (NewFrame, the drain, every
// window, Render) is timed; presses and typing are spelt out frame by frame,
// as the test harness does them, so that each frame is measured on its own.
class TimedFrames {
  public:
    TimedFrames() : app([] { return 0u; }) { app.err = &err; }

    void frame() {
        const auto start = Clock::now();
        ui.frame(draw);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        longest_ms = std::max(longest_ms, ms);
        total_ms += ms;
        ++count;
    }
    void press(const char* window, std::initializer_list<const char*> path) {
        ImGui::ActivateItem(ImGuiHarness::item(window, path));
        frame();
        frame();
    }
    void type(const char* window, std::initializer_list<const char*> path, const char* text) {
        ImGui::ActivateItem(ImGuiHarness::item(window, path));
        ImGui::GetCurrentContext()->NavInputSource = ImGuiInputSource_Keyboard;
        frame();
        frame();
        ImGui::GetIO().AddInputCharactersUTF8(text);
        frame();
        ImGui::GetIO().KeysDown[ImGuiKey_Enter] = true;
        frame();
        ImGui::GetIO().KeysDown[ImGuiKey_Enter] = false;
        frame();
    }
    void reset_figures() {
        longest_ms = total_ms = 0;
        count = 0;
    }

    std::ostringstream err;
    ImGuiHarness ui;
    App app;
    const ImGuiHarness::Draw draw = [this] {
        app.drain();
        app.draw();
    };
    double longest_ms = 0, total_ms = 0;
    long count = 0;
};

// Offers "toy" and loads a description of it, as a back end would have.
void load_toy(TimedFrames& f) {
    const std::string path = "/tmp/quarrin-fault-bench-toy.toml";
    std::ofstream(path) << "[main]\nname = 'toy'\n[regfile]\nname = 'regs'\n"
                           "[[registers]]\nabbr = 'ACC'\nrange = [0, 0, 255]\n";
    f.app.msgs.push(std::vector<std::string>{"toy"});
    f.app.msgs.push(ArchSimMsg::ArchitectureLoad, path);
    f.frame();
    std::remove(path.c_str());
    ImGui::SetWindowSize("nng", ImVec2(600, 300));
    ImGui::SetWindowSize("Register file", ImVec2(600, 300));
    f.frame();
}

// Every control that sends, with no back end: the frame hands each send over
// without waiting; it gives up after the sender's time-out and logs one line. Arg 0: never
// connected; Arg 1: a back end that was connected over TCP and went away (the dialer keeps trying).
void BM_SendsWithoutBackEnd(benchmark::State& state) {
    TimedFrames f;
    load_toy(f);
    if (state.range(0) == 1) {
        auto peer = std::make_unique<NngPeer>("tcp://127.0.0.1:" + std::to_string(free_tcp_port()));
        f.type("nng", {"address"}, peer->url.c_str());
        f.press("nng", {"Connect"});
        wait_until([&] {
            f.frame();
            return f.app.log.texts().front() == "waiting for data...";
        });
        peer.reset();
    }
    struct Control {
        const char* name;
        std::function<void()> use;
        double longest_ms = 0;
    };
    std::vector<Control> controls = {
        {"Step", [&] { f.press("Computer Architecture state", {"Step"}); }},
        {"Reset_CPU", [&] { f.press("Computer Architecture state", {"Reset CPU"}); }},
        {"Send_ROM", [&] { f.press("Program ROM view", {"Send ROM"}); }},
        {"Select", [&] { f.press("nng", {"Select"}); }},
        {"register_edit", [&] { f.type("Register file", {"ACC"}, "2A"); }},
    };
    double longest = 0, total = 0;
    long frames = 0;
    for (auto _ : state) {
        for (Control& control : controls) {
            f.reset_figures();
            control.use();
            control.longest_ms = std::max(control.longest_ms, f.longest_ms);
            longest = std::max(longest, f.longest_ms);
            total += f.total_ms;
            frames += f.count;
        }
    }
    state.counters["longest_frame_ms"] = longest;
    state.counters["mean_frame_ms"] = total / static_cast<double>(frames);
    state.counters["longest_of_16.7ms"] = longest / 16.7;
    for (const Control& control : controls)
        state.counters[std::string("longest_ms_") + control.name] = control.longest_ms;
}
BENCHMARK(BM_SendsWithoutBackEnd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

// The log full of envelopes whose "message_type" is an array of n nulls, each
// sent as a body of 24 bytes ('$' type and '#' count markers), taken through
// the real receive path. Bodies that would build more than the decoder's
// limit are refused and logged as one line each.
void BM_FrameWithLargeLoggedEnvelopes(benchmark::State& state) {
    const auto entries = static_cast<int>(state.range(0));
    const auto n = static_cast<uint32_t>(state.range(1));
    const std::vector<uint8_t> body = {'{',
                                       'i',
                                       12,
                                       'm',
                                       'e',
                                       's',
                                       's',
                                       'a',
                                       'g',
                                       'e',
                                       '_',
                                       't',
                                       'y',
                                       'p',
                                       'e',
                                       '[',
                                       '$',
                                       'Z',
                                       '#',
                                       'l',
                                       static_cast<uint8_t>(n >> 24),
                                       static_cast<uint8_t>(n >> 16),
                                       static_cast<uint8_t>(n >> 8),
                                       static_cast<uint8_t>(n),
                                       '}'};
    TimedFrames f;
    f.frame();
    const long rss_before = restart_peak_rss_kib();
    std::ostringstream out;
    for (int i = 0; i < entries; ++i)
        handle_body(body.data(), body.size(), f.app.msgs, f.app.log, out);
    const long rss_growth = peak_rss_kib() - rss_before;
    f.reset_figures();
    for (auto _ : state)
        f.frame();
    state.counters["body_bytes"] = static_cast<double>(body.size());
    state.counters["logged"] = static_cast<double>(f.app.log.size());
    state.counters["peak_rss_growth_MiB"] = static_cast<double>(rss_growth) / 1024.0;
    state.counters["longest_frame_ms"] = f.longest_ms;
}
BENCHMARK(BM_FrameWithLargeLoggedEnvelopes)
    ->Args({98, 1 << 10})
    ->Args({98, 4090}) // about the most one body may build
    ->Args({98, 1 << 14})
    ->Args({10, 1000000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
