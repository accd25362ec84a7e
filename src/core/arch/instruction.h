#pragma once

#include <cstdint>

// Isa4 instruction word: bits 16-19 opcode, then four 4-bit fields
// (bits 12-15, 8-11, 4-7, 0-3). Bits 20-31 are never set by the assembler.

// Positions in the assembler's mnemonic list.
enum OpcodeIndex { OpAdd = 0, OpAddi = 1, OpJz = 2, OpMove = 3, OpUnknown = 4 };
// MOVE opcodes are 4 + move type; the first letter names the destination.
enum MoveType { MoveRR = 0, MoveMR = 1, MoveRM = 2, MoveMM = 3 };

constexpr uint32_t max_instruction_code = 0xFFFFF;

extern const char* const opcode_names[5];    // "ADD", "ADDI", "JZ", "MOVE", "???"
extern const char* const move_type_names[4]; // "RR", "MR", "RM", "MM"
extern const char* const register_names[16]; // "r0" .. "rf"

// The assembler's operands. Several mnemonics share one field, so a value
// survives a change of opcode or move type.
struct AsmFields {
    int opcode_index = OpAdd;
    int move_type = MoveRR;
    int dst_reg = 0;
    int lhs_reg = 0;
    int rhs_reg = 0;
    int byte_operand = 0; // imm, jump addr, MR/MM destination, RM source
    int rhs_addr = 0;     // MM source
};

// Composes the word for the fields, which must already be in range.
// "???" composes nothing: the previous code is returned unchanged.
uint32_t compose_word(const AsmFields& f, uint32_t previous);

// Decodes w into the fields its opcode uses; the other fields keep their
// values. Opcodes 3 and 8-15 select "???".
void decode_word(uint32_t w, AsmFields& f);
