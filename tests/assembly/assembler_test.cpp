// The assembler: statements and their words, labels, directives, and the
// errors of a source.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "assembly/assembler.h"

namespace {

// One statement, alone in a source, and the word it writes at address 0.
struct StatementCase {
    const char* source;
    uint32_t word;
};

void PrintTo(const StatementCase& c, std::ostream* os) {
    *os << c.source;
}

class Statement : public testing::TestWithParam<StatementCase> {};

TEST_P(Statement, WritesItsWordAtAddressZero) {
    const Assembly result = assemble(GetParam().source);
    ASSERT_TRUE(result.ok()) << result.errors.front().message;
    EXPECT_EQ(result.program.rom[0], GetParam().word);
    for (int a = 1; a < 256; ++a)
        ASSERT_EQ(result.program.rom[a], 0u) << "address " << a;
    EXPECT_FALSE(result.program.has_data);
}

INSTANTIATE_TEST_SUITE_P(EveryForm, Statement,
                         testing::Values(StatementCase{"ADD r1, r2, r3", 0x01203},
                                         StatementCase{"ADDI r1, r0, 5", 0x11005},
                                         StatementCase{"ADDI r1, r0, 0xFF", 0x110FF},
                                         StatementCase{"JZ 0x10", 0x20010},
                                         StatementCase{"MOVE r5, r6", 0x45006},
                                         StatementCase{"MOVE [0x80], r3", 0x58003},
                                         StatementCase{"MOVE r3, [0x80]", 0x63080},
                                         StatementCase{"MOVE [0x12], [0x34]", 0x71234},
                                         StatementCase{".word 0x3ABCD", 0x3ABCD},
                                         StatementCase{".word 0xFFFFFF", 0xFFFFFF}));

INSTANTIATE_TEST_SUITE_P(
    Spellings, Statement,
    testing::Values(
        // Negative immediates are stored as their 8-bit two's complement.
        StatementCase{"ADDI r1, r1, -1", 0x111FF}, StatementCase{"ADDI r2, r0, -128", 0x12080},
        // Case, register aliases and blanks.
        StatementCase{"add RF, rE, r13", 0x0FE0D}, StatementCase{"Addi r10, r15, 0", 0x1AF00},
        StatementCase{"\tMOVE   [ 0x80 ] ,r3  ", 0x58003}, StatementCase{".WORD 1", 0x00001},
        // Number bases and comments.
        StatementCase{"ADDI r1, r0, 0b101010 ; forty-two", 0x1102A},
        StatementCase{"ADDI r1, r0, 42 # forty-two", 0x1102A},
        StatementCase{"ADDI r1, r0, 0x2a", 0x1102A}, StatementCase{"JZ 255", 0x200FF},
        StatementCase{"MOVE r1, [010]", 0x6100A}));

TEST(Assembler, LabelsBeforeAndAfterUseNameTheNextWord) {
    const Assembly result = assemble(R"(; count r1 down from 3
start:  ADDI r1, r0, 3
loop:   ADDI r1, r1, -1
        JZ   done        ; a label stores label - 1
        JZ   always
always: ADD  r0, r0, r0  ; sets z
        JZ   loop
done:   JZ   done        ; halts
)");
    ASSERT_TRUE(result.ok()) << result.errors.front().message;
    const std::vector<uint32_t> words = {0x11003, 0x111FF, 0x20005, 0x20003,
                                         0x00000, 0x20000, 0x20005};
    for (size_t a = 0; a < words.size(); ++a)
        EXPECT_EQ(result.program.rom[a], words[a]) << "address " << a;

    const ProgramSymbols& symbols = result.program.symbols;
    ASSERT_EQ(symbols.labels.size(), 4u);
    EXPECT_EQ(*symbols.label_at(0), "start");
    EXPECT_EQ(*symbols.label_at(1), "loop");
    EXPECT_EQ(*symbols.label_at(4), "always");
    EXPECT_EQ(*symbols.label_at(6), "done");
    EXPECT_EQ(symbols.label_at(2), nullptr);
    EXPECT_EQ(symbols.lines[0], 2);
    EXPECT_EQ(symbols.lines[6], 8);
    EXPECT_EQ(symbols.lines[7], 0);
}

TEST(Assembler, JumpTargetsLabelsStoreOneLessNumbersAndConstantsAsTheyAre) {
    const Assembly result = assemble(R"(
first:  JZ first     ; label 0 stores 0xFF
        .equ  T, 0x10
        JZ T         ; a constant as it is
        JZ 0x10      ; a number as it is
        .org 0x10
here:   JZ here      ; stores 0x0F
        JZ 0x11      ; its own address: the halting JZ
)");
    ASSERT_TRUE(result.ok()) << result.errors.front().message;
    EXPECT_EQ(result.program.rom[0], 0x200FFu);
    EXPECT_EQ(result.program.rom[1], 0x20010u);
    EXPECT_EQ(result.program.rom[2], 0x20010u);
    EXPECT_EQ(result.program.rom[0x10], 0x2000Fu);
    EXPECT_EQ(result.program.rom[0x11], 0x20011u);
}

TEST(Assembler, DirectivesPlaceWordsNameValuesAndFillData) {
    const Assembly result = assemble(R"(
        .equ  BUF, 0x80
        .equ  count, 3
        .org  0x20
entry:  MOVE  r1, [BUF]
        ADDI  r2, r0, count
        .word entry          ; a label's address as a raw word
        .data BUF, 1, 0xFF, -1, 0b10
        .data 0xFE, count, -128
        .data entry, 7       ; a name as the address
)");
    ASSERT_TRUE(result.ok()) << result.errors.front().message;
    const AssembledProgram& p = result.program;
    EXPECT_EQ(p.rom[0x20], 0x61080u);
    EXPECT_EQ(p.rom[0x21], 0x12003u);
    EXPECT_EQ(p.rom[0x22], 0x00020u);
    EXPECT_EQ(p.rom[0], 0u);
    ASSERT_TRUE(p.has_data);
    EXPECT_EQ(p.ram[0x80], 1);
    EXPECT_EQ(p.ram[0x81], 0xFF);
    EXPECT_EQ(p.ram[0x82], 0xFF);
    EXPECT_EQ(p.ram[0x83], 2);
    EXPECT_EQ(p.ram[0xFE], 3);
    EXPECT_EQ(p.ram[0xFF], 0x80);
    EXPECT_EQ(p.ram[0x20], 7);
    EXPECT_EQ(p.ram[0x84], 0);
    EXPECT_EQ(p.symbols.lines[0x22], 7);
}

TEST(Assembler, AFullMemoryAssemblesAndEmptySourcesGiveZeros) {
    std::string full;
    for (int a = 0; a < 256; ++a)
        full += "ADDI r1, r0, " + std::to_string(a) + "\n";
    const Assembly result = assemble(full);
    ASSERT_TRUE(result.ok()) << result.errors.front().message;
    EXPECT_EQ(result.program.rom[255], 0x110FFu);

    for (const char* empty : {"", "\n\n", "; only a comment\n   # and another", "label:"}) {
        const Assembly nothing = assemble(empty);
        EXPECT_TRUE(nothing.ok()) << empty;
        EXPECT_EQ(nothing.program.rom, (std::array<uint32_t, 256>{})) << empty;
    }
}

// A source with one fault, the line it is reported on and its message.
struct ErrorCase {
    const char* what;
    const char* source;
    int line;
    const char* message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.what;
}

class SourceError : public testing::TestWithParam<ErrorCase> {};

// A good statement before the fault shows that nothing is written.
TEST_P(SourceError, IsReportedOnItsLineAndNothingIsWritten) {
    const std::string source = std::string("ADDI r1, r0, 1\n.data 0, 9\n") + GetParam().source;
    const Assembly result = assemble(source);
    ASSERT_EQ(result.errors.size(), 1u) << (result.ok() ? "" : result.errors[1].message);
    EXPECT_EQ(result.errors[0].line, GetParam().line + 2);
    EXPECT_EQ(result.errors[0].message, GetParam().message);
    EXPECT_EQ(result.program.rom, (std::array<uint32_t, 256>{}));
    EXPECT_EQ(result.program.ram, (std::array<uint8_t, 256>{}));
    EXPECT_FALSE(result.program.has_data);
    EXPECT_TRUE(result.program.symbols.labels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachOnce, SourceError,
    testing::Values(
        ErrorCase{"unknown mnemonic", "x: SUB r1, r2, r3", 1, "unknown mnemonic \"SUB\""},
        ErrorCase{"unknown directive", ".byte 1", 1, "unknown directive \".byte\""},
        ErrorCase{"too few operands", "ADD r1, r2", 1,
                  "wrong number of operands for ADD: expected \"ADD register, register, "
                  "register\""},
        ErrorCase{"wrong kind", "\nMOVE 5, r1", 2,
                  "wrong kind of operands for MOVE: expected \"MOVE register, register\", "
                  "\"MOVE [address], register\", \"MOVE register, [address]\" or "
                  "\"MOVE [address], [address]\""},
        ErrorCase{"immediate too large", "ADDI r1, r0, 256", 1,
                  "immediate \"256\" is out of range (-128 to 255)"},
        ErrorCase{"immediate too small", "ADDI r1, r0, -129", 1,
                  "immediate \"-129\" is out of range (-128 to 255)"},
        ErrorCase{"data address", "MOVE r1, [0x100]", 1,
                  "data address \"0x100\" is out of range (0 to 255)"},
        ErrorCase{"jump target", "JZ -1", 1, "jump target \"-1\" is out of range (0 to 255)"},
        ErrorCase{"raw word", ".word 0x1000000", 1,
                  "word \"0x1000000\" is out of range (0 to 0xFFFFFF)"},
        ErrorCase{"org", ".org 256", 1, "address \"256\" is out of range (0 to 255)"},
        ErrorCase{"data byte", ".data 0x10, 1, 300", 1,
                  "data byte \"300\" is out of range (-128 to 255)"},
        ErrorCase{"bad number", "ADDI r1, r0, 12z", 1, "bad number \"12z\""},
        ErrorCase{"unknown name", "JZ nowhere", 1, "unknown name \"nowhere\""},
        ErrorCase{"name used by .equ before it is defined", ".equ A, B\n.equ B, 1", 1,
                  "unknown name \"B\""},
        ErrorCase{"duplicate label", "a: ADD r0, r0, r0\na: ADD r0, r0, r0", 2,
                  "duplicate name \"a\" (first defined on line 3)"},
        ErrorCase{"constant named like a label", "a:\n.equ a, 1", 2,
                  "duplicate name \"a\" (first defined on line 3)"},
        ErrorCase{"register name as a label", "r1: ADD r0, r0, r0", 1, "\"r1\" is a register name"},
        ErrorCase{"bad label name", "1st: ADD r0, r0, r0", 1, "bad label name \"1st\""},
        ErrorCase{"two statements at one address", ".org 0\nADD r0, r0, r0", 2,
                  "address 0x00 already holds line 1"},
        ErrorCase{"code past 255", ".org 255\nADD r0, r0, r0\nADD r0, r0, r0", 3,
                  "code past address 255"},
        ErrorCase{"data past 255", ".data 0xFF, 1, 2", 1, "data past address 255"},
        ErrorCase{"data written twice", ".data 0x10, 1\n.data 0x0F, 1, 2", 2,
                  "data address 0x10 already written by line 3"},
        ErrorCase{"missing operand", "ADD r1,, r2", 1, "missing operand"},
        ErrorCase{"missing bracket", "MOVE r1, [0x80", 1, "missing \"]\" in \"[0x80\""},
        ErrorCase{"equ without a value", ".equ N", 1,
                  "wrong number of operands: expected \".equ NAME, VALUE\""}));

TEST(Assembler, EveryErrorIsReportedInLineOrder) {
    const Assembly result = assemble(R"(JZ later_missing
ADDI r1, r0, 999
FOO
ADD r1, r2, r3, r4
        .data 0x300, 1
)");
    ASSERT_EQ(result.errors.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(result.errors[i].line, i + 1) << result.errors[i].message;
}

TEST(Assembler, OneStatementAlone) {
    uint32_t word = 0;
    std::string error;
    EXPECT_TRUE(assemble_statement("MOVE [0x80], r3", word, error)) << error;
    EXPECT_EQ(word, 0x58003u);
    EXPECT_TRUE(assemble_statement(".word 0xABCDEF", word, error)) << error;
    EXPECT_EQ(word, 0xABCDEFu);

    const std::vector<std::pair<const char*, const char*>> refused = {
        {"JZ loop", "unknown name \"loop\""},
        {"x: ADD r0, r0, r0", "a single statement has no labels"},
        {".org 5", "not an instruction or .word: \".org\""},
        {"", "not an instruction or .word: \"\""},
        {"NOP", "unknown mnemonic \"NOP\""},
    };
    for (const auto& [text, reason] : refused) {
        EXPECT_FALSE(assemble_statement(text, word, error)) << text;
        EXPECT_EQ(error, reason);
    }
}

} // namespace
