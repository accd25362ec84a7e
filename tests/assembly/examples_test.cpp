// The example programs under examples/ assemble and do what they say on Isa4.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "arch/isa4.h"
#include "assembly/assembler.h"

namespace {

// Assembles an example into a new processor's memories.
Isa4 loaded(const char* name) {
    std::ifstream file(std::string(QUARRIN_SOURCE_DIR) + "/examples/" + name);
    const std::string source((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
    EXPECT_FALSE(source.empty()) << name;
    const Assembly result = assemble(source);
    EXPECT_TRUE(result.ok()) << name << ":" << result.errors.front().line << ": "
                             << result.errors.front().message;
    Isa4 cpu;
    cpu.rom = result.program.rom;
    if (result.program.has_data)
        cpu.ram = result.program.ram;
    return cpu;
}

// Steps until the halting JZ; returns the steps taken, or -1 when it did not
// stop within max_steps.
int run_to_halt(Isa4& cpu, int max_steps = 10000) {
    for (int steps = 1; steps <= max_steps; ++steps)
        if (!cpu.step())
            return steps;
    return -1;
}

} // namespace

TEST(Examples, CountdownCountsR1DownToZeroAndStops) {
    Isa4 cpu = loaded("countdown.s");
    // The first ADDI, four rounds of four words, the last ADDI and JZ, the halt.
    EXPECT_EQ(run_to_halt(cpu), 1 + 4 * 4 + 2 + 1);
    EXPECT_EQ(cpu.regs[1], 0);
    EXPECT_EQ(cpu.pc, 5);
}

TEST(Examples, MultiplyStoresTheProduct) {
    Isa4 cpu = loaded("multiply.s");
    EXPECT_EQ(cpu.ram[0x80], 6);
    EXPECT_EQ(cpu.ram[0x81], 7);
    EXPECT_GT(run_to_halt(cpu), 0);
    EXPECT_EQ(cpu.ram[0x82], 42);

    for (const auto& [a, b, product] : {std::tuple{0, 9, 0}, {9, 0, 0}, {1, 1, 1}, {20, 13, 4}}) {
        Isa4 again = loaded("multiply.s");
        again.ram[0x80] = static_cast<uint8_t>(a);
        again.ram[0x81] = static_cast<uint8_t>(b);
        EXPECT_GT(run_to_halt(again), 0) << a << " x " << b;
        EXPECT_EQ(again.ram[0x82], product) << a << " x " << b;
    }
}
