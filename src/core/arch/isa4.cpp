#include "arch/isa4.h"

#include <cassert>

bool Isa4::step() {
    assert(!regs[0]);

    if (!at_breakpoint) {
        pc = static_cast<uint8_t>(pc + 1);
        if (breakpoints.count(pc) != 0) {
            at_breakpoint = true;
            throw Trap(Trap::breakpoint);
        }
    }
    at_breakpoint = false;

    const uint32_t w = rom[pc];
    const unsigned opcode = (w >> 16) & 0xF;
    const unsigned hi_reg = (w >> 12) & 0xF; // destination register
    const unsigned mid_reg = (w >> 8) & 0xF; // ADD/ADDI left operand
    const unsigned lo_reg = w & 0xF;         // source register
    const uint8_t hi_byte = (w >> 8) & 0xFF; // destination address
    const uint8_t lo_byte = w & 0xFF;        // source address, immediate, jump target

    switch (opcode) {
    case 0: // ADD
        write_reg(hi_reg, regs[mid_reg] + regs[lo_reg]);
        z = regs[hi_reg] == 0;
        break;
    case 1: // ADDI
        write_reg(hi_reg, regs[mid_reg] + lo_byte);
        z = regs[hi_reg] == 0;
        break;
    case 2: // JZ
        if (z) {
            if (lo_byte == pc)
                return false;
            pc = lo_byte;
        }
        break;
    case 4: // MOVE RR
        write_reg(hi_reg, regs[lo_reg]);
        break;
    case 5: // MOVE MR
        ram[hi_byte] = regs[lo_reg];
        break;
    case 6: // MOVE RM
        write_reg(hi_reg, ram[lo_byte]);
        break;
    case 7: // MOVE MM
        ram[hi_byte] = ram[lo_byte];
        break;
    default: // 3 and 8-15
        throw Trap(Trap::illegal_instruction);
    }
    return true;
}
