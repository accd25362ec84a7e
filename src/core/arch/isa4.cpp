#include "arch/isa4.h"

#include <cassert>

#include "arch/instruction_set.h"

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
    using namespace isa4_field;
    const unsigned dst = dst_reg.read(w);
    switch (static_cast<Opcode>(opcode.read(w))) {
    case Opcode::Add:
        write_reg(dst, regs[lhs_reg.read(w)] + regs[src_reg.read(w)]);
        z = regs[dst] == 0;
        break;
    case Opcode::Addi:
        write_reg(dst, regs[lhs_reg.read(w)] + low_byte.read(w));
        z = regs[dst] == 0;
        break;
    case Opcode::Jz:
        if (z) {
            const uint8_t target = static_cast<uint8_t>(low_byte.read(w));
            if (target == pc)
                return false;
            pc = target;
        }
        break;
    case Opcode::MoveRR:
        write_reg(dst, regs[src_reg.read(w)]);
        break;
    case Opcode::MoveMR:
        ram[dst_addr.read(w)] = regs[src_reg.read(w)];
        break;
    case Opcode::MoveRM:
        write_reg(dst, ram[low_byte.read(w)]);
        break;
    case Opcode::MoveMM:
        ram[dst_addr.read(w)] = ram[low_byte.read(w)];
        break;
    default: // 3 and 8-15
        throw Trap(Trap::illegal_instruction);
    }
    return true;
}
