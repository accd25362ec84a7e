#include <benchmark/benchmark.h>

#include "arch/instruction.h"
#include "arch/isa4.h"

namespace {

// Local execution, in instructions per second (items per second).
// A counting loop: r1 += 1 until it wraps to zero, then jump back to the start.
void BM_Isa4Step(benchmark::State& state) {
    Isa4 arch;
    AsmFields addi;
    addi.opcode_index = OpAddi;
    addi.dst_reg = 1;
    addi.lhs_reg = 1;
    addi.byte_operand = 1;
    arch.rom[0] = compose_word(addi, 0);
    AsmFields jz;
    jz.opcode_index = OpJz;
    jz.byte_operand = 0xFF; // continue at 0
    arch.rom[1] = compose_word(jz, 0);
    AsmFields back = jz;
    arch.rom[2] = compose_word(back, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(arch.step());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Isa4Step)->Name("isa4/step");

} // namespace
