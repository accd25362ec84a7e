#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "arch/isa4.h"
#include "assembly/program_symbols.h"
#include "link/frame_sender.h"
#include "log/logger.h"
#include "regfile/register_file.h"
#include "ui/memory_controls.h"

// "Program ROM view": the 256 words as a listing (the fields, the label and
// the instruction) with the next word highlighted, a marker per row that sets
// or clears its breakpoint, the back end's program counter marked; poke,
// image files and sending the program to the back end.
struct RomView {
    bool track_pc = true; // "Track PC+1": keep the followed row centred
    bool sync_pc = false; // "Sync with PC+1": poke address follows the pc
    PokeFields poke;      // val: 0..0xFFFFF
    ImageFileField file;

    // symbols: the labels of the last assembled source; back_end: the
    // selected back end's register file, whose program counter is marked.
    void draw(Isa4& arch, FrameSender& sender, Logger& log, const ProgramSymbols& symbols = {},
              const RegisterFile* back_end = nullptr);

  private:
    // A row of the back end's program counter, when it has one in 0..255.
    struct BackEndPc {
        uint8_t row;
        const RegisterFile* regfile;
    };

    void follow(uint8_t local_pc, std::optional<uint64_t> back_end_pc);
    void draw_rows(Isa4& arch, const ProgramSymbols& symbols, std::optional<BackEndPc> back_end);
    void draw_row(Isa4& arch, int i, const ProgramSymbols& symbols, size_t label_width,
                  std::optional<BackEndPc> back_end, bool is_next);
    void draw_marker(Isa4& arch, int i, std::optional<BackEndPc> back_end);
    void format_row(int i, uint32_t w, const ProgramSymbols& symbols, size_t label_width);

    // The listing follows the program counter that moved last, the local
    // one or the back end's.
    uint8_t seen_local_pc = 0xFF;
    std::optional<uint64_t> seen_back_end_pc;
    bool follow_back_end = false;
    std::string row; // reused: rows are formatted every frame
};
