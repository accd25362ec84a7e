#pragma once

#include "arch/isa4.h"
#include "ui/memory_controls.h"

// "RAM view": a 16 x 16 hexadecimal dump with inc, dec, poke and image files.
struct RamView {
    PokeFields poke;
    ImageFileField file;

    void draw(Isa4& arch);

  private:
    void draw_rows(const Isa4& arch);
};
