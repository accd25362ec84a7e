#pragma once

#include <array>
#include <cstdint>

#include "util/file_io.h"

// ROM image: three bytes per word (bits 16-23, 8-15, 0-7), 256 words, 768 bytes.
// RAM image: the 256 data bytes as they are.
constexpr size_t rom_image_bytes = 3 * 256;
constexpr size_t ram_image_bytes = 256;

// Only regular files (or, to save, a path that names nothing yet) are
// opened. Each function says what happened: ok, or why not, and how many
// words or bytes it read or wrote.

FileResult save_rom_image(const char* path, const std::array<uint32_t, 256>& rom);
// Loads the complete 3-byte groups from the start of the file; words past
// them keep their values. A short file is no error: count says how many
// words were loaded.
FileResult load_rom_image(const char* path, std::array<uint32_t, 256>& rom);

FileResult save_ram_image(const char* path, const std::array<uint8_t, 256>& ram);
// Loads up to 256 bytes from the start of the file; count says how many.
FileResult load_ram_image(const char* path, std::array<uint8_t, 256>& ram);
