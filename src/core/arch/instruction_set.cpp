#include "arch/instruction_set.h"

#include <cassert>

namespace {

// The operands, as the instructions write them.
constexpr Operand dst_reg{OperandKind::Register, isa4_field::dst_reg, "dst"};
constexpr Operand lhs_reg{OperandKind::Register, isa4_field::lhs_reg, "lhs"};
constexpr Operand rhs_reg{OperandKind::Register, isa4_field::src_reg, "rhs"};
constexpr Operand imm{OperandKind::Immediate, isa4_field::low_byte, "imm"};
constexpr Operand target{OperandKind::JumpTarget, isa4_field::low_byte, "addr"};
constexpr Operand dst_addr{OperandKind::DataAddress, isa4_field::dst_addr, "dst"};
constexpr Operand rhs_addr{OperandKind::DataAddress, isa4_field::low_byte, "rhs"};

} // namespace

// clang-format off
const InstructionForm instruction_set[instruction_form_count] = {
    {Opcode::Add,    "ADD",  "",   3, {dst_reg,  lhs_reg, rhs_reg}},
    {Opcode::Addi,   "ADDI", "",   3, {dst_reg,  lhs_reg, imm}},
    {Opcode::Jz,     "JZ",   "",   1, {target}},
    {Opcode::MoveRR, "MOVE", "RR", 2, {dst_reg,  rhs_reg}},
    {Opcode::MoveMR, "MOVE", "MR", 2, {dst_addr, rhs_reg}},
    {Opcode::MoveRM, "MOVE", "RM", 2, {dst_reg,  rhs_addr}},
    {Opcode::MoveMM, "MOVE", "MM", 2, {dst_addr, rhs_addr}},
};
// clang-format on

const char* const register_names[16] = {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7",
                                        "r8", "r9", "ra", "rb", "rc", "rd", "re", "rf"};

const InstructionForm* form_of(Opcode opcode) {
    for (const InstructionForm& form : instruction_set)
        if (form.opcode == opcode)
            return &form;
    return nullptr;
}

const InstructionForm* form_of_word(uint32_t word) {
    return form_of(static_cast<Opcode>(isa4_field::opcode.read(word)));
}

uint32_t encode(const InstructionForm& form, const int* values) {
    uint32_t word = isa4_field::opcode.place(static_cast<uint32_t>(form.opcode));
    for (size_t i = 0; i < form.operand_count; ++i)
        word |= form.operands[i].field.place(static_cast<uint32_t>(values[i]));
    return word;
}

uint32_t encode(Opcode opcode, std::initializer_list<int> values) {
    const InstructionForm* form = form_of(opcode);
    assert(form != nullptr && values.size() == form->operand_count);
    return encode(*form, values.begin());
}
