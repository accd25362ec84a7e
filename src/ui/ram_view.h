#pragma once

#include "arch/isa4.h"

// "RAM view": a 16 x 16 hexadecimal dump with inc, dec, poke and image files.
struct RamView {
    int val = 0;  // 0..255
    int addr = 0; // 0..255
    char filename[40] = "";

    void draw(Isa4& arch);
};
