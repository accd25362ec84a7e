// The instruction notes the reference shows agree with the instruction set
// and the assembler: one note per form, its syntax written with the form's
// operands, its example assembling to a word of that form, and the encoding
// named after the syntax's operands.
#include <string>

#include <gtest/gtest.h>

#include "arch/instruction_set.h"
#include "assembly/assembler.h"
#include "assembly/instruction_reference.h"

namespace {

// The operands of a statement, as written between its commas.
std::vector<std::string> operands_of(const std::string& statement) {
    std::vector<std::string> out;
    size_t at = statement.find(' ');
    while (at != std::string::npos) {
        const size_t start = statement.find_first_not_of(", ", at);
        at = statement.find(',', start);
        out.push_back(statement.substr(start, at == std::string::npos ? at : at - start));
    }
    return out;
}

TEST(InstructionNotes, MatchTheInstructionSetForm) {
    for (size_t i = 0; i < instruction_form_count; ++i) {
        const InstructionNote& note = instruction_notes[i];
        const InstructionForm& form = instruction_set[i];
        SCOPED_TRACE(note.syntax);
        EXPECT_EQ(note.opcode, form.opcode);
        EXPECT_EQ(std::string(note.syntax).rfind(std::string(form.mnemonic) + " ", 0), 0u);
        const std::vector<std::string> names = operands_of(note.syntax);
        ASSERT_EQ(names.size(), form.operand_count);
        for (size_t k = 0; k < names.size(); ++k)
            EXPECT_EQ(names[k].front() == '[', form.operands[k].kind == OperandKind::DataAddress)
                << names[k];
    }
}

TEST(InstructionNotes, ExamplesAssembleToTheirForm) {
    for (const InstructionNote& note : instruction_notes) {
        uint32_t word = 0;
        std::string error;
        ASSERT_TRUE(assemble_statement(note.example, word, error)) << note.example << ": " << error;
        EXPECT_EQ(form_of_word(word), form_of(note.opcode)) << note.example;
    }
}

TEST(InstructionNotes, EncodingNamesEachFieldAfterTheSyntax) {
    const std::pair<Opcode, const char*> cases[] = {
        {Opcode::Add, "bits 19-16: 0, 15-12: rd, 11-8: ra, 3-0: rb"},
        {Opcode::Addi, "bits 19-16: 1, 15-12: rd, 11-8: ra, 7-0: imm"},
        {Opcode::Jz, "bits 19-16: 2, 7-0: target"},
        {Opcode::MoveMR, "bits 19-16: 5, 15-8: m, 3-0: rs"},
        {Opcode::MoveMM, "bits 19-16: 7, 15-8: m, 7-0: n"},
    };
    for (const auto& [opcode, text] : cases) {
        const InstructionNote* note = nullptr;
        for (const InstructionNote& n : instruction_notes)
            if (n.opcode == opcode)
                note = &n;
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(encoding_text(*note), text);
    }
}

} // namespace
