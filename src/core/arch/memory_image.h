#pragma once

#include <array>
#include <cstdint>

// ROM image: three bytes per word (bits 16-23, 8-15, 0-7), 256 words, 768 bytes.
// RAM image: the 256 data bytes as they are.
// Files that cannot be opened are left alone: nothing is read or written.

void save_rom_image(const char* path, const std::array<uint32_t, 256>& rom);
// Loads the complete 3-byte groups from the start of the file; words past
// them keep their values. Returns the number of words loaded.
int load_rom_image(const char* path, std::array<uint32_t, 256>& rom);

void save_ram_image(const char* path, const std::array<uint8_t, 256>& ram);
// Loads up to 256 bytes from the start of the file; returns how many.
int load_ram_image(const char* path, std::array<uint8_t, 256>& ram);
