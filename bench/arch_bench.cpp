#include <benchmark/benchmark.h>

#include "arch/instruction_set.h"
#include "arch/isa4.h"

namespace {

// Local execution, in instructions per second (items per second).
// A counting loop: r1 += 1 until it wraps to zero, then jump back to the start.
void BM_Isa4Step(benchmark::State& state) {
    Isa4 arch;
    arch.rom[0] = encode(Opcode::Addi, {1, 1, 1});
    arch.rom[1] = encode(Opcode::Jz, {0xFF}); // continue at 0
    arch.rom[2] = encode(Opcode::Jz, {0xFF});
    for (auto _ : state)
        benchmark::DoNotOptimize(arch.step());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Isa4Step)->Name("isa4/step");

} // namespace
