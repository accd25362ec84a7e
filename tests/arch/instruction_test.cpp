// The instruction word layout: composing words from the assembler's fields
// and decoding words back into them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "arch/instruction.h"

namespace {

// Positions in the "opcode" and "Type" combos.
const int add = mnemonic_choice("ADD");
const int addi = mnemonic_choice("ADDI");
const int jz = mnemonic_choice("JZ");
const int move = mnemonic_choice("MOVE");
const int unknown = mnemonic_choice("???");
enum MoveVariant { RR, MR, RM, MM };

// Fields that differ from every value the cases below set, so a field that
// leaks into a word, or is overwritten by a decode, shows up.
AsmFields noisy_fields() {
    AsmFields f;
    f.mnemonic = add;
    f.variant = MM;
    f.dst_reg = 7;
    f.lhs_reg = 9;
    f.rhs_reg = 11;
    f.byte_operand = 0xC5;
    f.rhs_addr = 0xE7;
    return f;
}

void expect_fields(const AsmFields& got, const AsmFields& want) {
    EXPECT_EQ(got.mnemonic, want.mnemonic);
    EXPECT_EQ(got.variant, want.variant);
    EXPECT_EQ(got.dst_reg, want.dst_reg);
    EXPECT_EQ(got.lhs_reg, want.lhs_reg);
    EXPECT_EQ(got.rhs_reg, want.rhs_reg);
    EXPECT_EQ(got.byte_operand, want.byte_operand);
    EXPECT_EQ(got.rhs_addr, want.rhs_addr);
}

// One instruction: the fields its mnemonic uses and its word.
struct WordCase {
    const char* what;
    int mnemonic;
    int variant;
    int dst_reg, lhs_reg, rhs_reg, byte_operand, rhs_addr; // -1: not used
    uint32_t word;
};

AsmFields with_used(AsmFields f, const WordCase& c) {
    f.mnemonic = c.mnemonic;
    if (c.mnemonic == move)
        f.variant = c.variant;
    if (c.dst_reg >= 0)
        f.dst_reg = c.dst_reg;
    if (c.lhs_reg >= 0)
        f.lhs_reg = c.lhs_reg;
    if (c.rhs_reg >= 0)
        f.rhs_reg = c.rhs_reg;
    if (c.byte_operand >= 0)
        f.byte_operand = c.byte_operand;
    if (c.rhs_addr >= 0)
        f.rhs_addr = c.rhs_addr;
    return f;
}

const std::vector<WordCase> examples = {
    {"ADD r1, r2, r3", add, 0, 1, 2, 3, -1, -1, 0x01203},
    {"ADDI r1, r0, FF", addi, 0, 1, 0, -1, 0xFF, -1, 0x110FF},
    {"JZ 10", jz, 0, -1, -1, -1, 0x10, -1, 0x20010},
    {"MOVE RR r5, r6", move, RR, 5, -1, 6, -1, -1, 0x45006},
    {"MOVE MR 80, r3", move, MR, -1, -1, 3, 0x80, -1, 0x58003},
    {"MOVE RM r3, 80", move, RM, 3, -1, -1, 0x80, -1, 0x63080},
    {"MOVE MM 12, 34", move, MM, -1, -1, -1, 0x12, 0x34, 0x71234},
    {"ADD rf, re, rd", add, 0, 15, 14, 13, -1, -1, 0x0FE0D},
    {"ADDI r0, rf, 00", addi, 0, 0, 15, -1, 0x00, -1, 0x10F00},
    {"JZ FF", jz, 0, -1, -1, -1, 0xFF, -1, 0x200FF},
    {"MOVE MM FF, FF", move, MM, -1, -1, -1, 0xFF, 0xFF, 0x7FFFF},
};

} // namespace

TEST(InstructionWord, ComposeUsesOnlyTheMnemonicsFields) {
    for (const WordCase& c : examples) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(compose_word(with_used(AsmFields{}, c), 0xABCDE), c.word);
        EXPECT_EQ(compose_word(with_used(noisy_fields(), c), 0xABCDE), c.word);
    }
}

TEST(InstructionWord, DecodeSetsTheUsedFieldsAndKeepsTheOthers) {
    for (const WordCase& c : examples) {
        SCOPED_TRACE(c.what);
        AsmFields f = noisy_fields();
        decode_word(c.word, f);
        expect_fields(f, with_used(noisy_fields(), c));
        EXPECT_EQ(compose_word(f, 0), c.word);
    }
}

TEST(InstructionWord, RecomposingDropsBitsNoFieldCovers) {
    struct Case {
        uint32_t entered;
        uint32_t recomposed;
    };
    const std::vector<Case> cases = {
        {0x00FF0, 0x00F00},                     // ADD r0, rf, r0: bits 4-7 dropped
        {0x0ABCD, 0x0AB0D}, {0x2ABCD, 0x200CD}, // JZ: bits 8-15
        {0x4ABCD, 0x4A00D},                     // MOVE RR: bits 4-11
        {0x5ABCD, 0x5AB0D},                     // MOVE MR: bits 4-7
        {0x6ABCD, 0x6A0CD},                     // MOVE RM: bits 8-11
        {0x1ABCD, 0x1ABCD}, {0x7ABCD, 0x7ABCD}, // every bit is a field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.entered);
        AsmFields f;
        decode_word(c.entered, f);
        EXPECT_EQ(compose_word(f, c.entered), c.recomposed);
    }

    AsmFields f;
    decode_word(0x00FF0, f);
    EXPECT_STREQ(mnemonic_choices().names[f.mnemonic], "ADD");
    EXPECT_STREQ(register_names[f.dst_reg], "r0");
    EXPECT_STREQ(register_names[f.lhs_reg], "rf");
    EXPECT_STREQ(register_names[f.rhs_reg], "r0");
}

TEST(InstructionWord, NoInstructionDecodesToUnknownAndKeepsTheCode) {
    for (uint32_t opcode : {3u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u}) {
        const uint32_t w = (opcode << 16) | 0xABCD;
        SCOPED_TRACE(testing::Message() << std::hex << w);
        AsmFields f = noisy_fields();
        f.mnemonic = move; // a variant that must survive the decode
        decode_word(w, f);
        AsmFields want = noisy_fields();
        want.mnemonic = unknown;
        expect_fields(f, want);
        EXPECT_STREQ(mnemonic_choices().names[f.mnemonic], "???");
        // "???" composes nothing: the entered code stays.
        EXPECT_EQ(compose_word(f, w), w);
    }
}

TEST(InstructionWord, UnknownSelectedByHandKeepsThePreviousCode) {
    AsmFields f = noisy_fields();
    f.mnemonic = unknown;
    EXPECT_EQ(compose_word(f, 0x01203), 0x01203u);
    EXPECT_EQ(compose_word(f, 0), 0u);
}

TEST(InstructionWord, SharedFieldSurvivesAChangeOfMnemonic) {
    AsmFields f;
    f.mnemonic = addi;
    f.byte_operand = 0x42;
    EXPECT_EQ(compose_word(f, 0), 0x10042u);
    f.mnemonic = jz;
    EXPECT_EQ(compose_word(f, 0), 0x20042u);
    f.mnemonic = move;
    f.variant = MR;
    EXPECT_EQ(compose_word(f, 0), 0x54200u);
}

TEST(InstructionWord, CombosListTheMnemonicsAndMoveVariantsInOrder) {
    const ChoiceList mnemonics = mnemonic_choices();
    EXPECT_EQ(std::vector<std::string>(mnemonics.names, mnemonics.names + mnemonics.count),
              (std::vector<std::string>{"ADD", "ADDI", "JZ", "MOVE", "???"}));
    const ChoiceList variants = variant_choices(move);
    EXPECT_EQ(std::vector<std::string>(variants.names, variants.names + variants.count),
              (std::vector<std::string>{"RR", "MR", "RM", "MM"}));
    for (int m : {add, addi, jz, unknown})
        EXPECT_EQ(variant_choices(m).count, 0) << mnemonics.names[m];
}
