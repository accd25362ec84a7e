#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <set>

#include "arch/isa4.h"

// Everything of an Isa4 but its program memory: what a step may change, and
// the breakpoints, which it must not. For "the same state" checks.
struct Isa4State {
    std::array<uint8_t, 256> ram;
    std::array<uint8_t, 16> regs;
    std::set<uint8_t> breakpoints;
    bool at_breakpoint;
    uint8_t pc;
    bool z;

    explicit Isa4State(const Isa4& c)
        : ram(c.ram), regs(c.regs), breakpoints(c.breakpoints), at_breakpoint(c.at_breakpoint),
          pc(c.pc), z(c.z) {}
    bool operator==(const Isa4State& o) const {
        return ram == o.ram && regs == o.regs && breakpoints == o.breakpoints &&
               at_breakpoint == o.at_breakpoint && pc == o.pc && z == o.z;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Isa4State& s) {
    out << "pc " << int(s.pc) << " z " << s.z << " at_breakpoint " << s.at_breakpoint << " regs";
    for (uint8_t r : s.regs)
        out << ' ' << int(r);
    size_t written = 0;
    for (uint8_t b : s.ram)
        written += b != 0;
    return out << ", " << written << " data bytes not 0";
}
