// Canonical statements of single words.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "asm/disassembler.h"

namespace {

struct WordText {
    uint32_t word;
    const char* text;
};

void PrintTo(const WordText& c, std::ostream* os) {
    *os << c.text;
}

class Disassembly : public testing::TestWithParam<WordText> {};

TEST_P(Disassembly, GivesTheCanonicalStatement) {
    EXPECT_EQ(disassemble(GetParam().word), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    EveryForm, Disassembly,
    testing::Values(WordText{0x01203, "ADD r1, r2, r3"}, WordText{0x00000, "ADD r0, r0, r0"},
                    WordText{0x0FE0D, "ADD rf, re, rd"}, WordText{0x11005, "ADDI r1, r0, 0x05"},
                    WordText{0x111FF, "ADDI r1, r1, 0xFF"}, WordText{0x20010, "JZ 0x10"},
                    WordText{0x200FF, "JZ 0xFF"}, WordText{0x45006, "MOVE r5, r6"},
                    WordText{0x58003, "MOVE [0x80], r3"}, WordText{0x63080, "MOVE r3, [0x80]"},
                    WordText{0x71234, "MOVE [0x12], [0x34]"},
                    WordText{0x7ABCD, "MOVE [0xAB], [0xCD]"}));

INSTANTIATE_TEST_SUITE_P(
    NotWrittenByAnyInstruction, Disassembly,
    testing::Values(WordText{0x30000, ".word 0x30000"}, // illegal opcodes
                    WordText{0x3ABCD, ".word 0x3ABCD"}, WordText{0x81234, ".word 0x81234"},
                    WordText{0xF0000, ".word 0xF0000"},
                    WordText{0x100000, ".word 0x100000"}, // bits 20-23
                    WordText{0xF11005, ".word 0xF11005"}, WordText{0xFFFFFF, ".word 0xFFFFFF"},
                    WordText{0x1000000, ".word 0x1000000"}, // beyond an image's 24 bits
                    // Bits in a field the instruction ignores.
                    WordText{0x00FF0, ".word 0x00FF0"}, WordText{0x20100, ".word 0x20100"},
                    WordText{0x40010, ".word 0x40010"}, WordText{0x40100, ".word 0x40100"},
                    WordText{0x58013, ".word 0x58013"}, WordText{0x63180, ".word 0x63180"},
                    WordText{0x00010, ".word 0x00010"}));

} // namespace
