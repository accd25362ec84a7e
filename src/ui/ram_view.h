#pragma once

#include <cstdint>
#include <optional>

#include "arch/isa4.h"
#include "log/logger.h"
#include "ui/memory_controls.h"

// "RAM view": a 16 x 16 hexadecimal dump with inc, dec, poke and image files.
// The byte the last local step wrote is highlighted.
struct RamView {
    PokeFields poke;
    ImageFileField file;

    void draw(Isa4& arch, Logger& log, std::optional<uint8_t> last_write = std::nullopt);

  private:
    void draw_rows(const Isa4& arch, std::optional<uint8_t> last_write);
};
