#pragma once

#include "arch/isa4.h"

// "Breakpoints": adds, removes, clears and lists the breakpoint addresses.
struct BreakpointsWindow {
    int addr = 0; // 0..255, saturating

    void draw(Isa4& arch);
};
