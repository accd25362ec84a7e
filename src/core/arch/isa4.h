#pragma once

#include <array>
#include <cstdint>
#include <set>

// Thrown by Isa4::step for a breakpoint stop (0) or an illegal instruction (2).
struct Trap {
    static constexpr uint32_t breakpoint = 0;
    static constexpr uint32_t illegal_instruction = 2;

    explicit Trap(uint32_t n) : number(n) {}
    uint32_t number;
};

// The front end's own small processor: 256 program words, 256 data bytes,
// sixteen 8-bit registers (r0 reads zero), an 8-bit pc and a zero flag.
class Isa4 {
  public:
    std::array<uint32_t, 256> rom{};
    std::array<uint8_t, 256> ram{};
    std::array<uint8_t, 16> regs{};
    std::set<uint8_t> breakpoints;
    bool at_breakpoint = false;
    uint8_t pc = 0xFF; // incremented before each fetch, so execution starts at 0
    bool z = false;

    // Executes one instruction. Returns false for the halting JZ (a taken JZ
    // to its own address); throws Trap at a breakpoint or an illegal opcode.
    bool step();

    void clear_rom() { rom.fill(0); }
    void clear_ram() { ram.fill(0); }

  private:
    void write_reg(unsigned d, unsigned value) {
        if (d != 0)
            regs[d] = static_cast<uint8_t>(value);
    }
};
