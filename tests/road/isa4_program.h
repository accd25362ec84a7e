#pragma once

// Isa4 instruction fields for the programs the road tests run, composed into
// words by the assembler's own compose_word.

#include "arch/instruction.h"

namespace road {

inline AsmFields addi(int dst, int lhs, int imm) {
    AsmFields f;
    f.opcode_index = OpAddi;
    f.dst_reg = dst;
    f.lhs_reg = lhs;
    f.byte_operand = imm;
    return f;
}

inline AsmFields add(int dst, int lhs, int rhs) {
    AsmFields f;
    f.opcode_index = OpAdd;
    f.dst_reg = dst;
    f.lhs_reg = lhs;
    f.rhs_reg = rhs;
    return f;
}

inline AsmFields jz(int target) {
    AsmFields f;
    f.opcode_index = OpJz;
    f.byte_operand = target;
    return f;
}

} // namespace road
