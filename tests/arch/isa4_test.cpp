// Execution of the Isa4 model: every opcode, the program counter rules, the
// halting jump, breakpoints and illegal instructions.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "arch/instruction_set.h"
#include "arch/isa4.h"
#include "support/isa4_state.h"

namespace {

// Runs one step that must throw a Trap; returns its number.
uint32_t trap_number(Isa4& cpu) {
    try {
        cpu.step();
    } catch (const Trap& t) {
        return t.number;
    }
    ADD_FAILURE() << "step did not trap";
    return 0xFFFFFFFF;
}

} // namespace

TEST(Isa4, NewModelStartsBeforeAddressZero) {
    Isa4 cpu;
    EXPECT_EQ(cpu.pc, 0xFF);
    EXPECT_FALSE(cpu.z);
    EXPECT_FALSE(cpu.at_breakpoint);
    EXPECT_TRUE(cpu.breakpoints.empty());
    for (uint32_t w : cpu.rom)
        EXPECT_EQ(w, 0u);

    cpu.rom[0] = encode(Opcode::Addi, {1, 0, 0x5A});
    cpu.rom[1] = encode(Opcode::Addi, {2, 0, 0x77});
    EXPECT_TRUE(cpu.step());
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_EQ(cpu.regs[1], 0x5A);
    EXPECT_EQ(cpu.regs[2], 0);
}

TEST(Isa4, ZeroProgramAddsR0AtEveryAddressAndWraps) {
    Isa4 cpu;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(cpu.step());
        ASSERT_EQ(cpu.pc, i % 256);
        ASSERT_TRUE(cpu.z);
    }
    for (uint8_t r : cpu.regs)
        EXPECT_EQ(r, 0);
    for (uint8_t b : cpu.ram)
        EXPECT_EQ(b, 0);
}

// ADD and ADDI: the destination register and the zero flag.
struct AluCase {
    const char* what;
    uint32_t word;
    std::map<int, uint8_t> before; // registers set before the step
    bool z_before;
    std::map<int, uint8_t> after; // registers expected to differ afterwards
    bool z_after;
};

TEST(Isa4, AddAndAddImmediate) {
    const std::vector<AluCase> cases = {
        {"ADD r3 = r1 + r2",
         encode(Opcode::Add, {3, 1, 2}),
         {{1, 2}, {2, 3}},
         true,
         {{3, 5}},
         false},
        {"ADD sums mod 256",
         encode(Opcode::Add, {3, 1, 2}),
         {{1, 0xFF}, {2, 1}},
         false,
         {{3, 0}},
         true},
        {"ADD 0x80 + 0x90",
         encode(Opcode::Add, {4, 1, 2}),
         {{1, 0x80}, {2, 0x90}},
         true,
         {{4, 0x10}},
         false},
        {"ADD reads before it writes",
         encode(Opcode::Add, {1, 1, 1}),
         {{1, 0x40}},
         false,
         {{1, 0x80}},
         false},
        {"ADD overwrites", encode(Opcode::Add, {5, 0, 0}), {{5, 0x33}}, false, {{5, 0}}, true},
        {"ADD into r0 sets z", encode(Opcode::Add, {0, 1, 2}), {{1, 2}, {2, 3}}, false, {}, true},
        {"ADDI r1 = r0 + FF", encode(Opcode::Addi, {1, 0, 0xFF}), {}, true, {{1, 0xFF}}, false},
        {"ADDI wraps to 0", encode(Opcode::Addi, {2, 1, 0xFF}), {{1, 1}}, false, {{2, 0}}, true},
        {"ADDI into r0 sets z", encode(Opcode::Addi, {0, 1, 7}), {{1, 1}}, false, {}, true},
        {"ADDI uses the whole byte",
         encode(Opcode::Addi, {15, 14, 0xF0}),
         {{14, 0x0F}},
         true,
         {{15, 0xFF}},
         false},
    };
    for (const AluCase& c : cases) {
        SCOPED_TRACE(c.what);
        Isa4 cpu;
        for (auto [r, v] : c.before)
            cpu.regs[r] = v;
        cpu.z = c.z_before;
        cpu.rom[0] = c.word;
        std::array<uint8_t, 16> expected = cpu.regs;
        for (auto [r, v] : c.after)
            expected[r] = v;

        EXPECT_TRUE(cpu.step());
        EXPECT_EQ(cpu.regs, expected);
        EXPECT_EQ(cpu.regs[0], 0);
        EXPECT_EQ(cpu.z, c.z_after);
        EXPECT_EQ(cpu.pc, 0);
    }
}

// The four MOVE forms copy one value and never touch the zero flag.
struct MoveCase {
    const char* what;
    uint32_t word;
    std::map<int, uint8_t> regs_after; // registers expected to differ afterwards
    std::map<int, uint8_t> ram_after;  // cells expected to differ afterwards
};

TEST(Isa4, MoveFormsCopyAndLeaveZ) {
    const std::vector<MoveCase> cases = {
        {"RR r5 = r6", encode(Opcode::MoveRR, {5, 6}), {{5, 0x66}}, {}},
        {"RR r0 = r6 changes nothing", encode(Opcode::MoveRR, {0, 6}), {}, {}},
        {"RR from r0 clears", encode(Opcode::MoveRR, {7, 0}), {{7, 0}}, {}},
        {"MR ram[80] = r3", encode(Opcode::MoveMR, {0x80, 3}), {}, {{0x80, 0x33}}},
        {"MR from r0 stores 0", encode(Opcode::MoveMR, {0x12, 0}), {}, {{0x12, 0}}},
        {"RM r3 = ram[80]", encode(Opcode::MoveRM, {3, 0x80}), {{3, 0x81}}, {}},
        {"RM r0 = ram[80] changes nothing", encode(Opcode::MoveRM, {0, 0x80}), {}, {}},
        {"MM ram[12] = ram[34]", encode(Opcode::MoveMM, {0x12, 0x34}), {}, {{0x12, 0x35}}},
        {"MM ram[FF] = ram[00]", encode(Opcode::MoveMM, {0xFF, 0x00}), {}, {{0xFF, 0x01}}},
    };
    for (const MoveCase& c : cases) {
        for (bool z : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (z ? ", z set" : ", z clear"));
            Isa4 cpu;
            // Distinct contents everywhere: register n holds 0x11 * n, cell n holds n + 1.
            for (int r = 1; r < 16; ++r)
                cpu.regs[r] = static_cast<uint8_t>(0x11 * r);
            for (int a = 0; a < 256; ++a)
                cpu.ram[a] = static_cast<uint8_t>(a + 1);
            cpu.z = z;
            cpu.rom[0] = c.word;
            auto regs = cpu.regs;
            auto ram = cpu.ram;
            for (auto [r, v] : c.regs_after)
                regs[r] = v;
            for (auto [a, v] : c.ram_after)
                ram[a] = v;

            EXPECT_TRUE(cpu.step());
            EXPECT_EQ(cpu.regs, regs);
            EXPECT_EQ(cpu.ram, ram);
            EXPECT_EQ(cpu.z, z);
        }
    }
}

TEST(Isa4, BitsAbove19AreIgnored) {
    const std::vector<uint32_t> words = {
        encode(Opcode::Add, {3, 1, 2}),       encode(Opcode::Addi, {4, 1, 0x80}),
        encode(Opcode::Jz, {0x40}),           encode(Opcode::MoveRR, {5, 1}),
        encode(Opcode::MoveMR, {0x10, 2}),    encode(Opcode::MoveRM, {6, 0x20}),
        encode(Opcode::MoveMM, {0x30, 0x20}),
    };
    for (uint32_t w : words) {
        for (uint32_t high : {0x00100000u, 0x00F00000u, 0xFFF00000u}) {
            SCOPED_TRACE(testing::Message() << std::hex << "word " << w << " | " << high);
            Isa4 plain, dirty;
            for (Isa4* cpu : {&plain, &dirty}) {
                cpu->regs[1] = 0x12;
                cpu->regs[2] = 0x34;
                cpu->ram[0x20] = 0x56;
                cpu->z = true;
            }
            plain.rom[0] = w;
            dirty.rom[0] = w | high;
            EXPECT_EQ(plain.step(), dirty.step());
            EXPECT_TRUE(Isa4State(plain) == Isa4State(dirty));
        }
    }
    // An illegal opcode stays illegal whatever the high bits hold.
    Isa4 cpu;
    cpu.rom[0] = 0xFFF30000;
    EXPECT_EQ(trap_number(cpu), Trap::illegal_instruction);
}

// JZ at address `at` with target `target`.
struct JumpCase {
    const char* what;
    bool z;
    uint8_t at;
    uint8_t target;
    bool returns;
    uint8_t pc_after;
    uint8_t next_executed; // the word the following step runs
};

TEST(Isa4, JumpIfZero) {
    const std::vector<JumpCase> cases = {
        {"taken: pc = target, next is target + 1", true, 0x05, 0x10, true, 0x10, 0x11},
        {"taken backwards", true, 0x40, 0x02, true, 0x02, 0x03},
        {"taken to 255 continues at 0", true, 0x05, 0xFF, true, 0xFF, 0x00},
        {"halting: own address", true, 0x20, 0x20, false, 0x20, 0x21},
        {"halting at 255", true, 0xFF, 0xFF, false, 0xFF, 0x00},
        {"z clear falls through", false, 0x05, 0x10, true, 0x05, 0x06},
        {"z clear, own address falls through", false, 0x20, 0x20, true, 0x20, 0x21},
    };
    for (const JumpCase& c : cases) {
        SCOPED_TRACE(c.what);
        Isa4 cpu;
        cpu.pc = static_cast<uint8_t>(c.at - 1);
        cpu.z = c.z;
        cpu.regs[3] = 0x33;
        // Every other word marks its address in r1 (ADDI r1 = r0 + (address ^ 0x80)).
        for (int a = 0; a < 256; ++a)
            cpu.rom[a] = encode(Opcode::Addi, {1, 0, a ^ 0x80});
        cpu.rom[c.at] = encode(Opcode::Jz, {c.target});
        const auto regs = cpu.regs;

        EXPECT_EQ(cpu.step(), c.returns);
        EXPECT_EQ(cpu.pc, c.pc_after);
        EXPECT_EQ(cpu.z, c.z);
        EXPECT_EQ(cpu.regs, regs);
        EXPECT_FALSE(cpu.at_breakpoint);

        EXPECT_TRUE(cpu.step());
        EXPECT_EQ(cpu.pc, c.next_executed);
        EXPECT_EQ(cpu.regs[1], c.next_executed ^ 0x80);
    }
}

TEST(Isa4, HaltingJumpThenNextWordThenFallThrough) {
    // The halting JZ returns false; the next step runs the word after it,
    // whose result clears z, so the following JZ is not taken.
    Isa4 cpu;
    cpu.z = true;
    cpu.rom[0] = encode(Opcode::Jz, {0});
    cpu.rom[1] = encode(Opcode::Addi, {1, 1, 1});
    cpu.rom[2] = encode(Opcode::Jz, {0xFF});
    EXPECT_FALSE(cpu.step());
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_TRUE(cpu.step());
    EXPECT_EQ(cpu.regs[1], 1);
    EXPECT_FALSE(cpu.z);
    EXPECT_TRUE(cpu.step()); // not taken
    EXPECT_EQ(cpu.pc, 2);
}

TEST(Isa4, BreakpointStopsBeforeTheWordAndResumesWithIt) {
    Isa4 cpu;
    cpu.breakpoints.insert(0);
    cpu.rom[0] = encode(Opcode::Addi, {1, 1, 1}); // counts its executions in r1

    EXPECT_EQ(trap_number(cpu), Trap::breakpoint);
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_TRUE(cpu.at_breakpoint);
    EXPECT_EQ(cpu.regs[1], 0);
    EXPECT_FALSE(cpu.z);

    EXPECT_TRUE(cpu.step()); // the word at the breakpoint, not tested again
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_FALSE(cpu.at_breakpoint);
    EXPECT_EQ(cpu.regs[1], 1);

    for (int a = 1; a < 256; ++a)
        ASSERT_TRUE(cpu.step()) << "address " << a;
    EXPECT_EQ(cpu.pc, 0xFF);
    EXPECT_EQ(trap_number(cpu), Trap::breakpoint); // pc advanced onto 0 again
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_EQ(cpu.regs[1], 1);
}

TEST(Isa4, JumpTargetIsNotTestedButTheNextWordIs) {
    for (bool break_at_target : {true, false}) {
        SCOPED_TRACE(break_at_target ? "breakpoint at the target"
                                     : "breakpoint at the word after it");
        Isa4 cpu;
        cpu.z = true;
        cpu.rom[0] = encode(Opcode::Jz, {0x10});
        cpu.rom[0x11] = encode(Opcode::Addi, {1, 0, 0x11});
        cpu.breakpoints.insert(break_at_target ? 0x10 : 0x11);

        EXPECT_TRUE(cpu.step());
        EXPECT_EQ(cpu.pc, 0x10);
        if (break_at_target) {
            EXPECT_TRUE(cpu.step());
        } else {
            EXPECT_EQ(trap_number(cpu), Trap::breakpoint);
            EXPECT_EQ(cpu.regs[1], 0);
            EXPECT_TRUE(cpu.step());
        }
        EXPECT_EQ(cpu.pc, 0x11);
        EXPECT_EQ(cpu.regs[1], 0x11);
    }
}

TEST(Isa4, IllegalOpcodesTrapOnTheWordAndContinueAfterIt) {
    for (uint32_t opcode : {3u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u}) {
        SCOPED_TRACE(testing::Message() << "opcode " << opcode);
        Isa4 cpu;
        for (int r = 1; r < 16; ++r)
            cpu.regs[r] = static_cast<uint8_t>(r);
        cpu.ram.fill(0xAA);
        cpu.z = true;
        cpu.pc = 6;
        cpu.rom[7] = (opcode << 16) | 0xFFFF;
        cpu.rom[8] = encode(Opcode::Addi, {1, 0, 0x42});
        Isa4State before(cpu);
        before.pc = 7;

        EXPECT_EQ(trap_number(cpu), Trap::illegal_instruction);
        EXPECT_TRUE(Isa4State(cpu) == before);

        EXPECT_TRUE(cpu.step());
        EXPECT_EQ(cpu.pc, 8);
        EXPECT_EQ(cpu.regs[1], 0x42);
    }
}

TEST(Isa4, IllegalWordAtABreakpointTrapsTwiceThenGoesOn) {
    Isa4 cpu;
    cpu.pc = 6;
    cpu.breakpoints.insert(7);
    cpu.rom[7] = 0x30000;
    cpu.rom[8] = encode(Opcode::Addi, {2, 0, 8});

    EXPECT_EQ(trap_number(cpu), Trap::breakpoint);
    EXPECT_EQ(trap_number(cpu), Trap::illegal_instruction);
    EXPECT_EQ(cpu.pc, 7);
    EXPECT_FALSE(cpu.at_breakpoint);
    EXPECT_TRUE(cpu.step());
    EXPECT_EQ(cpu.pc, 8);
    EXPECT_EQ(cpu.regs[2], 8);
}

TEST(Isa4, ClearingAMemoryLeavesEverythingElse) {
    Isa4 cpu;
    for (int a = 0; a < 256; ++a) {
        cpu.rom[a] = encode(Opcode::Addi, {1, 0, a});
        cpu.ram[a] = static_cast<uint8_t>(~a);
    }
    cpu.regs[1] = 0x11;
    cpu.regs[9] = 0x99;
    cpu.breakpoints = {1, 0x80};
    cpu.pc = 0x41;
    cpu.z = false;

    const Isa4State before(cpu);
    cpu.clear_rom();
    for (uint32_t w : cpu.rom)
        EXPECT_EQ(w, 0u);
    EXPECT_TRUE(Isa4State(cpu) == before); // ram included

    const auto rom = cpu.rom;
    cpu.ram[0] = 0x5A;
    cpu.clear_ram();
    for (uint8_t b : cpu.ram)
        EXPECT_EQ(b, 0);
    EXPECT_EQ(cpu.rom, rom);
    EXPECT_EQ(cpu.regs[1], 0x11);
    EXPECT_EQ(cpu.regs[9], 0x99);
    EXPECT_EQ(cpu.breakpoints, (std::set<uint8_t>{1, 0x80}));
    EXPECT_EQ(cpu.pc, 0x41);
    EXPECT_FALSE(cpu.z);
    EXPECT_FALSE(cpu.at_breakpoint);

    // Execution goes on from the same place, now in the cleared memory.
    EXPECT_TRUE(cpu.step());
    EXPECT_EQ(cpu.pc, 0x42);
    EXPECT_TRUE(cpu.z);
    EXPECT_EQ(cpu.regs[1], 0x11);
}

TEST(Isa4, ClearWhileStoppedAtABreakpointKeepsTheStop) {
    Isa4 cpu;
    cpu.breakpoints.insert(0);
    cpu.rom[0] = encode(Opcode::Addi, {1, 0, 1});
    EXPECT_EQ(trap_number(cpu), Trap::breakpoint);
    cpu.clear_rom();
    cpu.clear_ram();
    EXPECT_TRUE(cpu.at_breakpoint);
    EXPECT_TRUE(cpu.step()); // executes the cleared word 0 without trapping
    EXPECT_EQ(cpu.pc, 0);
    EXPECT_EQ(cpu.regs[1], 0);
}
