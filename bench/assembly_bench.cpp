#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include <benchmark/benchmark.h>

#include "assembly/assembler.h"
#include "assembly/disassembler.h"

namespace {

// One word out and back, as the test over every word does it: the
// disassembly, then the statement assembled. Items are words.
void BM_WordRoundTrip(benchmark::State& state) {
    std::string text, error;
    uint32_t w = 0;
    for (auto _ : state) {
        text.clear();
        append_disassembly(text, w);
        uint32_t back = 0;
        benchmark::DoNotOptimize(assemble_statement(text, back, error));
        benchmark::DoNotOptimize(back);
        w = (w + 0x10101) & 0xFFFFFF; // every kind of word in turn
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WordRoundTrip)->Name("assembly/word_round_trip");

// A whole example source, as "Assemble" and quarrin-asm take it.
void BM_AssembleExample(benchmark::State& state) {
    std::ifstream file(std::string(QUARRIN_SOURCE_DIR) + "/examples/multiply.s");
    const std::string source((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
    for (auto _ : state)
        benchmark::DoNotOptimize(assemble(source));
}
BENCHMARK(BM_AssembleExample)->Name("assembly/multiply_s");

// A full program memory listed, as "Disassemble ROM" and quarrin-asm -d do.
void BM_ListProgram(benchmark::State& state) {
    std::array<uint32_t, 256> rom;
    for (uint32_t a = 0; a < 256; ++a)
        rom[a] = 0x11000 | a;
    for (auto _ : state)
        benchmark::DoNotOptimize(disassemble_program(rom));
}
BENCHMARK(BM_ListProgram)->Name("assembly/list_256_words");

} // namespace
