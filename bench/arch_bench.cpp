#include <benchmark/benchmark.h>

#include "arch/instruction_set.h"
#include "arch/isa4.h"
#include "arch/local_processor.h"

namespace {

// A counting loop: r1 += 1 until it wraps to zero, then jump back to the start.
void load_counting_loop(Isa4& arch) {
    arch.rom[0] = encode(Opcode::Addi, {1, 1, 1});
    arch.rom[1] = encode(Opcode::Jz, {0xFF}); // continue at 0
    arch.rom[2] = encode(Opcode::Jz, {0xFF});
}

// Local execution, in instructions per second (items per second).
void BM_Isa4Step(benchmark::State& state) {
    Isa4 arch;
    load_counting_loop(arch);
    for (auto _ : state)
        benchmark::DoNotOptimize(arch.step());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Isa4Step)->Name("isa4/step");

// The same loop through the recorded step of "Step Isa4" and the local run:
// what keeping each step for "Step back" costs.
void BM_RecordedStep(benchmark::State& state) {
    Logger log{100};
    Isa4 arch;
    LocalProcessor cpu;
    load_counting_loop(arch);
    for (auto _ : state)
        benchmark::DoNotOptimize(cpu.step(arch, log));
    state.SetItemsProcessed(state.iterations());
    state.counters["history_bytes"] = sizeof(StepRecord) * StepHistory::capacity;
}
BENCHMARK(BM_RecordedStep)->Name("isa4/recorded_step");

} // namespace
