#pragma once

// Isa4 instruction words for the programs the road tests run, from the
// instruction set's own encoding.

#include <cstdint>

#include "arch/instruction_set.h"

namespace road {

inline uint32_t addi(int dst, int lhs, int imm) {
    return encode(Opcode::Addi, {dst, lhs, imm});
}
inline uint32_t add(int dst, int lhs, int rhs) {
    return encode(Opcode::Add, {dst, lhs, rhs});
}
inline uint32_t jz(int target) {
    return encode(Opcode::Jz, {target});
}

} // namespace road
