#include "arch/instruction.h"

const char* const opcode_names[5] = {"ADD", "ADDI", "JZ", "MOVE", "???"};
const char* const move_type_names[4] = {"RR", "MR", "RM", "MM"};
const char* const register_names[16] = {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7",
                                        "r8", "r9", "ra", "rb", "rc", "rd", "re", "rf"};

uint32_t compose_word(const AsmFields& f, uint32_t previous) {
    const uint32_t dst = static_cast<uint32_t>(f.dst_reg) & 0xF;
    const uint32_t lhs = static_cast<uint32_t>(f.lhs_reg) & 0xF;
    const uint32_t rhs = static_cast<uint32_t>(f.rhs_reg) & 0xF;
    const uint32_t byte = static_cast<uint32_t>(f.byte_operand) & 0xFF;
    const uint32_t rhs_addr = static_cast<uint32_t>(f.rhs_addr) & 0xFF;

    switch (f.opcode_index) {
    case OpAdd:
        return (dst << 12) | (lhs << 8) | rhs;
    case OpAddi:
        return 0x10000 | (dst << 12) | (lhs << 8) | byte;
    case OpJz:
        return 0x20000 | byte;
    case OpMove: {
        const uint32_t ic = (static_cast<uint32_t>(f.move_type & 3) | 4) << 16;
        switch (f.move_type) {
        case MoveRR:
            return ic | (dst << 12) | rhs;
        case MoveMR:
            return ic | (byte << 8) | rhs;
        case MoveRM:
            return ic | (dst << 12) | byte;
        default:
            return ic | (byte << 8) | rhs_addr;
        }
    }
    default:
        return previous;
    }
}

void decode_word(uint32_t w, AsmFields& f) {
    const int hi_reg = (w >> 12) & 0xF;
    const int mid_reg = (w >> 8) & 0xF;
    const int lo_reg = w & 0xF;
    const int hi_byte = (w >> 8) & 0xFF;
    const int lo_byte = w & 0xFF;

    switch ((w >> 16) & 0xF) {
    case 0:
        f.opcode_index = OpAdd;
        f.dst_reg = hi_reg;
        f.lhs_reg = mid_reg;
        f.rhs_reg = lo_reg;
        break;
    case 1:
        f.opcode_index = OpAddi;
        f.dst_reg = hi_reg;
        f.lhs_reg = mid_reg;
        f.byte_operand = lo_byte;
        break;
    case 2:
        f.opcode_index = OpJz;
        f.byte_operand = lo_byte;
        break;
    case 4:
        f.opcode_index = OpMove;
        f.move_type = MoveRR;
        f.dst_reg = hi_reg;
        f.rhs_reg = lo_reg;
        break;
    case 5:
        f.opcode_index = OpMove;
        f.move_type = MoveMR;
        f.byte_operand = hi_byte;
        f.rhs_reg = lo_reg;
        break;
    case 6:
        f.opcode_index = OpMove;
        f.move_type = MoveRM;
        f.dst_reg = hi_reg;
        f.byte_operand = lo_byte;
        break;
    case 7:
        f.opcode_index = OpMove;
        f.move_type = MoveMM;
        f.byte_operand = hi_byte;
        f.rhs_addr = lo_byte;
        break;
    default:
        f.opcode_index = OpUnknown;
        break;
    }
}
