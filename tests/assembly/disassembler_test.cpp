// Canonical statements of single words, the way back through the
// assembler for every word, and listings of a whole program memory.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include "assembly/assembler.h"
#include "assembly/disassembler.h"

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

// A sixteenth of the words up to 0xFFFFFF; the sixteen ranges run side by side.
struct WordRange {
    uint32_t first, last;
};

void PrintTo(const WordRange& r, std::ostream* os) {
    char text[32];
    std::snprintf(text, sizeof text, "%06X_%06X", r.first, r.last);
    *os << text;
}

class RoundTrip : public testing::TestWithParam<WordRange> {};

TEST_P(RoundTrip, AssemblingTheDisassemblyGivesTheWordBack) {
    std::string text, error;
    for (uint32_t w = GetParam().first;; ++w) {
        text.clear();
        append_disassembly(text, w);
        uint32_t back = ~w;
        if (!assemble_statement(text, back, error) || back != w)
            FAIL() << std::hex << w << " -> \"" << text << "\" -> " << back << " " << error;
        if (w == GetParam().last)
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWord, RoundTrip, testing::ValuesIn([] {
                             std::vector<WordRange> parts;
                             for (uint32_t p = 0; p < 16; ++p)
                                 parts.push_back({p << 20, (p << 20) | 0xFFFFF});
                             return parts;
                         }()));

using Rom = std::array<uint32_t, 256>;

Rom listed_back(const Rom& rom) {
    const Assembly result = assemble(disassemble_program(rom));
    EXPECT_TRUE(result.ok()) << result.errors.front().line << ": " << result.errors.front().message;
    return result.program.rom;
}

TEST(Listing, ShowsEachWordWithItsAddressAndCode) {
    Rom rom{};
    rom[0] = 0x11005;
    rom[1] = 0x00000; // a single zero word inside is listed
    rom[2] = 0x20002;
    rom[3] = 0xF12345;
    EXPECT_EQ(disassemble_program(rom), "    ADDI r1, r0, 0x05   ; 0x00  11005\n"
                                        "    ADD r0, r0, r0      ; 0x01  00000\n"
                                        "    JZ 0x02             ; 0x02  20002\n"
                                        "    .word 0xF12345      ; 0x03  F12345\n");
    EXPECT_EQ(listed_back(rom), rom);
}

TEST(Listing, AssemblesBackToTheSameWords) {
    Rom zeros{};
    Rom full;
    for (uint32_t a = 0; a < 256; ++a)
        full[a] = (a * 0x9E3779u) & 0xFFFFFF; // every kind of word, none zero
    full[0] = 0;
    Rom runs{}; // zero runs before, between and after
    runs[4] = 0x20004;
    runs[6] = 0x45006;
    runs[200] = 0x71234;
    Rom last_only{};
    last_only[255] = 0x3FFFF;
    for (const Rom& rom : {zeros, full, runs, last_only})
        EXPECT_EQ(listed_back(rom), rom);
    EXPECT_EQ(disassemble_program(zeros), "; every word is 0\n");
    EXPECT_NE(disassemble_program(runs).find("    .org 0xC8\n"), std::string::npos);
}

} // namespace
