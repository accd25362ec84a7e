// Whole headless frames: everything Quarrin draws in a busy moment, against
// the demonstration window alone, which every Dear ImGui program pays for.
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <imgui.h>

#include "app/app.h"
#include "regfile/register_file.h"
#include "support/imgui_harness.h"
#include "support/temp_dir.h"

using nlohmann::json;

namespace {

// Dear ImGui's demonstration window where it places itself, and "Hello,
// world!" open: the program's built-in layout starts them collapsed, and both
// benchmarks draw them whole.
void open_examples() {
    ImGui::SetWindowCollapsed("Dear ImGui Demo", false);
    ImGui::SetWindowPos("Dear ImGui Demo", ImVec2(650, 20));
    ImGui::SetWindowSize("Dear ImGui Demo", ImVec2(550, 680));
    ImGui::SetWindowCollapsed("Hello, world!", false);
}

std::string description_of_64_registers() {
    std::string toml = "[main]\nname = 'wide'\nfullname = 'Sixty-four registers'\n"
                       "[regfile]\nname = 'regs'\n";
    for (int i = 0; i < 64; ++i) {
        toml += "[[registers]]\nname = 'Register " + std::to_string(i) + "'\nabbr = 'R" +
                std::to_string(i) + "'\nrange = [0, 255]\n";
        if (i == 62)
            toml += "component = 'pc'\n";
        if (i == 63)
            toml += "type = 'readonly'\ncomponent = 'clock'\n";
    }
    return toml;
}

// 99 entries, newest first: texts and the envelopes a running back end
// sends, the newest few of them opened as a user would to look inside.
void fill_log(App& app, ImGuiHarness& ui) {
    for (int i = 0; i < 99; ++i) {
        switch (i % 3) {
        case 0:
            app.log.add(json{{"message_type", "event"},
                             {"message_sub_type", "update"},
                             {"origin", "wide.clock"},
                             {"destination", "front end"},
                             {"data", {{"new_count", i}}}});
            break;
        case 1:
            app.log.add(json{{"message_type", "event"},
                             {"message_sub_type", "write"},
                             {"origin", "wide.regs"},
                             {"data", {{"register_number", i % 64}, {"value", i}}}});
            break;
        default:
            app.log.add("waiting for data...");
        }
    }
    ui.frame([&] {
        ImGui::Begin("Logger");
        const auto items = app.log.snapshot();
        for (size_t i = 0; i < 6; ++i)
            if (!items[i].is_text())
                ImGui::GetStateStorage()->SetInt(
                    ImGui::GetID(
                        (items[i].label + "##" + std::to_string(items[i].sequence)).c_str()),
                    1);
        ImGui::End();
    });
}

// What the last frame handed to the renderer: most of a frame's cost is
// laying out and emitting the glyphs and shapes that are in view.
void count_drawn(benchmark::State& state) {
    const ImDrawData* data = ImGui::GetDrawData();
    state.counters["vertices"] = data != nullptr ? data->TotalVtxCount : 0;
    state.counters["draw_lists"] = data != nullptr ? data->CmdListsCount : 0;
}

// The demonstration and example windows, the register file of 64
// registers, every window of the program, a full log with open nodes, and a
// local run at 20 steps per second.
void BM_FrameWhole(benchmark::State& state) {
    ImGuiHarness ui(ImVec2(1280, 720));
    uint32_t now = 0;
    App app([&] { return now; });
    TempDir dir;
    const std::string path = dir.write("wide.toml", description_of_64_registers());
    app.regfile = load_description(path).regfile;
    fill_log(app, ui);
    for (int i = 0; i < 256; i += 2)
        app.arch.rom[i] = 0x11101; // ADDI r1, r1, 1 between ADDs of r0: runs for ever
    app.local_run.clocks = 20;
    app.local_run.running = true;

    auto draw = [&] { app.draw(); };
    ui.frames(2, draw);
    open_examples();
    ui.frames(10, draw); // windows settle into their layout
    for (auto _ : state) {
        app.drain();
        ui.frame(draw);
        now += 16;
    }
    if (!app.local_run.running)
        state.SkipWithError("the local run stopped");
    count_drawn(state);
}
BENCHMARK(BM_FrameWhole)->Name("frame/whole")->Unit(benchmark::kMicrosecond);

// The same context with the demonstration window alone.
void BM_FrameDemoAlone(benchmark::State& state) {
    ImGuiHarness ui(ImVec2(1280, 720));
    bool open = true;
    auto draw = [&] { ImGui::ShowDemoWindow(&open); };
    ui.frames(10, draw);
    for (auto _ : state)
        ui.frame(draw);
    count_drawn(state);
}
BENCHMARK(BM_FrameDemoAlone)->Name("frame/demo_alone")->Unit(benchmark::kMicrosecond);

} // namespace
