// The local processor's recorded steps: stepping back undoes each step
// exactly, over programs that write registers and data bytes, stop at
// breakpoints, hit illegal words and halt; the history is bounded; and each
// step says what it changed and why it stopped.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "arch/instruction_set.h"
#include "arch/local_processor.h"
#include "support/isa4_state.h"

namespace {

using State = Isa4State;

// A parameterised case's name, spaces made underscores.
std::string test_name(const char* name) {
    std::string out = name;
    for (char& c : out)
        if (c == ' ')
            c = '_';
    return out;
}

uint32_t addi(int d, int a, int imm) {
    return encode(Opcode::Addi, {d, a, imm});
}
uint32_t add(int d, int a, int b) {
    return encode(Opcode::Add, {d, a, b});
}
uint32_t jz(int target) {
    return encode(Opcode::Jz, {target});
}
uint32_t move_mr(int m, int s) {
    return encode(Opcode::MoveMR, {m, s});
}
uint32_t move_mm(int m, int n) {
    return encode(Opcode::MoveMM, {m, n});
}
uint32_t move_rm(int d, int m) {
    return encode(Opcode::MoveRM, {d, m});
}

struct Program {
    const char* name;
    std::vector<uint32_t> words; // from address 0
    std::set<uint8_t> breakpoints;
    int steps;
};

void PrintTo(const Program& p, std::ostream* out) {
    *out << p.name;
}

std::vector<Program> programs() {
    return {
        // examples/countdown.s: a loop, a taken JZ, the halting JZ, then on
        // through the zero words and round the whole memory.
        {"countdown",
         {addi(1, 0, 5), addi(1, 1, 0xFF), jz(4), add(0, 0, 0), jz(0), jz(5)},
         {},
         400},
        // Stores through both MOVEs into data bytes, a pointer of sorts in r2.
        {"data writes",
         {addi(2, 2, 1), move_mr(0x80, 2), move_mm(0x81, 0x80), move_rm(3, 0x81), move_mr(0x80, 0),
          add(0, 0, 0), jz(0xFF)},
         {},
         300},
        // Stops at two breakpoints each time round, one of them on a store.
        {"breakpoints", {addi(1, 1, 3), move_mr(0x10, 1), add(0, 0, 0), jz(0xFF)}, {1, 3}, 250},
        // Illegal words (opcode 3 and 8-15, bits above 19) between stores.
        {"illegal words",
         {0x30000, move_mr(0x20, 1), 0x8FFFF, addi(1, 1, 1), 0xF00000 | addi(4, 1, 1), 0xFFFFF},
         {4},
         300},
        // Nothing but ADD r0, r0, r0: z set, pc wraps.
        {"zero words", {}, {}, 600},
    };
}

// A processor with a program from address 0.
class LocalProcessorTest : public testing::Test {
  protected:
    void load(const std::vector<uint32_t>& words, const std::set<uint8_t>& breakpoints = {}) {
        std::copy(words.begin(), words.end(), arch.rom.begin());
        arch.breakpoints = breakpoints;
    }

    Logger log{100};
    Isa4 arch;
    LocalProcessor cpu;
};

class History : public LocalProcessorTest, public testing::WithParamInterface<Program> {
  protected:
    void SetUp() override {
        load(GetParam().words, GetParam().breakpoints);
        arch.ram[0x81] = 0x5A; // a data byte that is not 0 before the first store
    }
};

TEST_P(History, StepBackUndoesEveryStepExactly) {
    std::vector<State> before;
    for (int i = 0; i < GetParam().steps; ++i) {
        before.emplace_back(arch);
        cpu.step(arch, log);
    }
    ASSERT_EQ(cpu.steps_to_undo(), before.size());
    while (!before.empty()) {
        ASSERT_TRUE(cpu.step_back(arch)) << before.size();
        ASSERT_EQ(State(arch), before.back()) << "stepping back to step " << before.size() - 1;
        before.pop_back();
    }
    EXPECT_FALSE(cpu.step_back(arch));
}

// Stepping back and forth gives the same states: after stepping back half
// way, stepping on repeats the second half exactly.
TEST_P(History, SteppingOnAfterSteppingBackRepeatsTheSteps) {
    std::vector<State> after;
    for (int i = 0; i < GetParam().steps; ++i) {
        cpu.step(arch, log);
        after.emplace_back(arch);
    }
    const int half = GetParam().steps / 2;
    for (int i = 0; i < half; ++i)
        cpu.step_back(arch);
    for (int i = GetParam().steps - half; i < GetParam().steps; ++i) {
        cpu.step(arch, log);
        ASSERT_EQ(State(arch), after[i]) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, History, testing::ValuesIn(programs()),
                         [](const auto& info) { return test_name(info.param.name); });

TEST_F(LocalProcessorTest, HistoryKeepsTheLatestStepsOnly) {
    arch.rom[0] = addi(1, 1, 1);
    arch.rom[1] = move_mr(0x40, 1);
    arch.rom[2] = add(0, 0, 0);
    arch.rom[3] = jz(0xFF);
    const size_t kept = StepHistory::capacity;
    const size_t steps = kept + 5000;
    std::vector<State> before;
    for (size_t i = 0; i < steps; ++i) {
        if (i >= steps - kept)
            before.emplace_back(arch);
        cpu.step(arch, log);
    }
    EXPECT_EQ(cpu.steps_to_undo(), kept);
    while (!before.empty()) {
        ASSERT_TRUE(cpu.step_back(arch));
        ASSERT_EQ(State(arch), before.back());
        before.pop_back();
    }
    EXPECT_FALSE(cpu.step_back(arch));
    EXPECT_GE(kept, 10000u);
}

// Memory edited by the user between steps stays as the user left it; only
// the byte the step wrote goes back.
TEST_F(LocalProcessorTest, StepBackKeepsTheUsersEdits) {
    arch.rom[0] = addi(1, 0, 7);
    arch.rom[1] = move_mr(0x80, 1);
    cpu.step(arch, log);
    cpu.step(arch, log);
    ASSERT_EQ(arch.ram[0x80], 7);
    arch.ram[0x10] = 0x99; // poked
    arch.rom[5] = 0x12345; // assembled or loaded
    ASSERT_TRUE(cpu.step_back(arch));
    EXPECT_EQ(arch.ram[0x80], 0);
    EXPECT_EQ(arch.ram[0x10], 0x99);
    EXPECT_EQ(arch.rom[5], 0x12345u);
    EXPECT_EQ(arch.regs[1], 7);
}

struct StopCase {
    const char* name;
    std::vector<uint32_t> words;
    std::set<uint8_t> breakpoints;
    int steps;
    LocalProcessor::StepResult result; // of the last step
    std::string stop;
    std::vector<std::string> logged; // newest first
};

void PrintTo(const StopCase& c, std::ostream* out) {
    *out << c.name;
}

class Stops : public LocalProcessorTest, public testing::WithParamInterface<StopCase> {};

TEST_P(Stops, LastStepSaysWhyItStoppedAndWhere) {
    const StopCase& c = GetParam();
    load(c.words, c.breakpoints);
    LocalProcessor::StepResult result = LocalProcessor::StepResult::Executed;
    for (int i = 0; i < c.steps; ++i)
        result = cpu.step(arch, log);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(describe(cpu.stop()), c.stop);
    EXPECT_EQ(log.texts(), c.logged);
}

INSTANTIATE_TEST_SUITE_P(
    Traps, Stops,
    testing::Values(
        StopCase{"executed", {addi(1, 0, 1)}, {}, 1, LocalProcessor::StepResult::Executed, "", {}},
        StopCase{"breakpoint",
                 {},
                 {0x12},
                 0x13,
                 LocalProcessor::StepResult::Trapped,
                 "breakpoint at 12",
                 {"Breakpoint hit"}},
        StopCase{"illegal",
                 {0, 0, 0, 0, 0, 0x3ABCD},
                 {},
                 6,
                 LocalProcessor::StepResult::Trapped,
                 "illegal instruction 3ABCD at 05",
                 {"Interrupt 2"}},
        StopCase{"illegal wide word",
                 {0xFF3ABCD},
                 {},
                 1,
                 LocalProcessor::StepResult::Trapped,
                 "illegal instruction FF3ABCD at 00",
                 {"Interrupt 2"}},
        StopCase{"halting JZ",
                 {0, 0, 0, 0, 0, jz(5)},
                 {},
                 6,
                 LocalProcessor::StepResult::Halted,
                 "halting JZ at 05",
                 {}},
        StopCase{"on after a breakpoint",
                 {addi(1, 0, 1)},
                 {0},
                 2,
                 LocalProcessor::StepResult::Executed,
                 "",
                 {"Breakpoint hit"}}),
    [](const auto& info) { return test_name(info.param.name); });

TEST_F(LocalProcessorTest, LastChangeNamesTheRegisterZAndDataByteWritten) {
    arch.rom[0] = addi(3, 0, 0);    // r3 = 0 again: written, z set
    arch.rom[1] = move_mr(0x42, 3); // data byte 42
    arch.rom[2] = addi(0, 0, 1);    // r0: nothing written, z stays set
    arch.breakpoints = {3};

    cpu.step(arch, log);
    EXPECT_EQ(cpu.last_change().reg, 3);
    EXPECT_TRUE(cpu.last_change().z);
    EXPECT_FALSE(cpu.last_change().ram_written);
    cpu.step(arch, log);
    EXPECT_EQ(cpu.last_change().reg, 0);
    EXPECT_FALSE(cpu.last_change().z);
    EXPECT_TRUE(cpu.last_change().ram_written);
    EXPECT_EQ(cpu.last_change().ram_address, 0x42);
    cpu.step(arch, log);
    EXPECT_EQ(cpu.last_change().reg, 0);
    EXPECT_FALSE(cpu.last_change().z);
    cpu.step(arch, log); // the breakpoint at 3: nothing written
    EXPECT_EQ(cpu.last_change().reg, 0);
    EXPECT_FALSE(cpu.last_change().ram_written);
    EXPECT_EQ(describe(cpu.stop()), "breakpoint at 03");

    // Stepping back names what it restored; back at a breakpoint stop, the
    // stop is the breakpoint again.
    cpu.step(arch, log);
    ASSERT_TRUE(cpu.step_back(arch));
    EXPECT_EQ(describe(cpu.stop()), "breakpoint at 03");
    ASSERT_TRUE(cpu.step_back(arch)); // the stop itself
    EXPECT_EQ(describe(cpu.stop()), "");
    ASSERT_TRUE(cpu.step_back(arch)); // ADDI r0
    ASSERT_TRUE(cpu.step_back(arch)); // the store
    EXPECT_TRUE(cpu.last_change().ram_written);
    EXPECT_EQ(cpu.last_change().ram_address, 0x42);
}

TEST_F(LocalProcessorTest, ResetKeepsMemoriesAndBreakpoints) {
    arch.rom[0] = addi(1, 0, 0);
    arch.rom[1] = addi(2, 0, 9);
    arch.rom[2] = move_mr(0x30, 2);
    arch.breakpoints = {3};
    for (int i = 0; i < 4; ++i)
        cpu.step(arch, log);
    ASSERT_TRUE(arch.at_breakpoint);
    const auto rom = arch.rom;
    const auto ram = arch.ram;

    cpu.reset(arch);
    EXPECT_EQ(arch.pc, 0xFF);
    EXPECT_EQ(arch.regs, (std::array<uint8_t, 16>{}));
    EXPECT_FALSE(arch.z);
    EXPECT_FALSE(arch.at_breakpoint);
    EXPECT_EQ(arch.rom, rom);
    EXPECT_EQ(arch.ram, ram);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{3}));
    EXPECT_EQ(cpu.steps_to_undo(), 0u);
    EXPECT_FALSE(cpu.step_back(arch));
    EXPECT_EQ(describe(cpu.stop()), "");
    cpu.step(arch, log);
    EXPECT_EQ(arch.pc, 0);
}

} // namespace
