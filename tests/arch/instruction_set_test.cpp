// The instruction set table: its forms fit the word layout, and words are
// encoded and told apart by it.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "arch/instruction_set.h"

TEST(InstructionSet, FormsHaveDistinctLegalOpcodesAndDisjointFields) {
    std::set<unsigned> opcodes;
    for (const InstructionForm& form : instruction_set) {
        SCOPED_TRACE(std::string(form.mnemonic) + " " + form.variant);
        const unsigned opcode = static_cast<unsigned>(form.opcode);
        EXPECT_TRUE(opcodes.insert(opcode).second) << "opcode " << opcode << " twice";
        EXPECT_TRUE(opcode <= 2 || (opcode >= 4 && opcode <= 7)) << opcode;
        uint32_t taken = isa4_field::opcode.mask();
        for (size_t i = 0; i < form.operand_count; ++i) {
            const Operand& op = form.operands[i];
            EXPECT_EQ(op.field.width, op.kind == OperandKind::Register ? 4 : 8) << op.label;
            EXPECT_EQ(taken & op.field.mask(), 0u) << op.label << " overlaps another field";
            taken |= op.field.mask();
        }
        EXPECT_EQ(taken, form.used_bits());
        EXPECT_LE(taken, max_instruction_code);
    }
    EXPECT_EQ(max_instruction_code, 0xFFFFFu);
}

TEST(InstructionSet, EncodesTheOperandsIntoTheirFields) {
    struct Case {
        uint32_t got, want;
    };
    const std::vector<Case> cases = {
        {encode(Opcode::Add, {1, 2, 3}), 0x01203},
        {encode(Opcode::Addi, {1, 0, 0xFF}), 0x110FF},
        {encode(Opcode::Jz, {0x10}), 0x20010},
        {encode(Opcode::MoveRR, {5, 6}), 0x45006},
        {encode(Opcode::MoveMR, {0x80, 3}), 0x58003},
        {encode(Opcode::MoveRM, {3, 0x80}), 0x63080},
        {encode(Opcode::MoveMM, {0x12, 0x34}), 0x71234},
        // Values are cut to their field's width: -1 is 0xFF in a byte.
        {encode(Opcode::Addi, {1, 1, -1}), 0x111FF},
        {encode(Opcode::Add, {0x1F, 0, 0}), 0x0F000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want) << std::hex << c.want;
}

TEST(InstructionSet, WordsAreToldApartByTheirOpcodeBitsAlone) {
    for (unsigned opcode = 0; opcode < 16; ++opcode) {
        const uint32_t word = 0xFF00000u | (opcode << 16) | 0xFFFF; // every other bit set
        const InstructionForm* form = form_of_word(word);
        const bool legal = opcode <= 2 || (opcode >= 4 && opcode <= 7);
        ASSERT_EQ(form != nullptr, legal) << "opcode " << opcode;
        if (form != nullptr) {
            EXPECT_EQ(static_cast<unsigned>(form->opcode), opcode);
        }
    }
}
