#pragma once

#include "arch/isa4.h"
#include "link/frame_sender.h"
#include "ui/memory_controls.h"

// "Program ROM view": the 256 words with the next word highlighted, poke,
// image files and sending the program to the back end.
struct RomView {
    bool track_pc = true; // "Track PC+1": keep the highlighted row centred
    bool sync_pc = false; // "Sync with PC+1": poke address follows the pc
    PokeFields poke;      // val: 0..0xFFFFF
    ImageFileField file;

    void draw(Isa4& arch, FrameSender& sender);

  private:
    void draw_rows(const Isa4& arch);
    void draw_row(int i, uint32_t w, bool is_next);
};
