#include <benchmark/benchmark.h>

#include "app/app.h"
#include "support/imgui_harness.h"

namespace {

// One whole headless frame (drain and every window) with a full log of
// envelopes, which is the heaviest thing the frame draws.
void BM_HeadlessFrame(benchmark::State& state) {
    ImGuiHarness ui;
    uint32_t now = 0;
    App app([&] { return now; });
    for (int i = 0; i < 120; ++i)
        app.log.add(nlohmann::json{{"message_type", "event"},
                                   {"message_sub_type", "update"},
                                   {"origin", "isa4.cycles"},
                                   {"data", {{"new_count", i}}}});
    auto draw = [&] { app.draw(); };
    for (auto _ : state) {
        app.drain();
        ui.frame(draw);
        now += 16;
    }
}
BENCHMARK(BM_HeadlessFrame)->Unit(benchmark::kMicrosecond);

} // namespace
