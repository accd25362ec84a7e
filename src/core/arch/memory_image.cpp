#include "arch/memory_image.h"

#include <fstream>

#include <sys/stat.h>

namespace {

// Only regular files: opening a named pipe waits for the other end, and a
// device can be read without end, either of which would stall the frame.
bool is_unsafe(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

} // namespace

void save_rom_image(const char* path, const std::array<uint32_t, 256>& rom) {
    if (is_unsafe(path))
        return;
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    for (uint32_t w : rom) {
        const char bytes[3] = {static_cast<char>(w >> 16), static_cast<char>(w >> 8),
                               static_cast<char>(w)};
        file.write(bytes, 3);
    }
}

int load_rom_image(const char* path, std::array<uint32_t, 256>& rom) {
    if (is_unsafe(path))
        return 0;
    std::ifstream file(path, std::ios::in | std::ios::binary);
    int n = 0;
    while (n < 256) {
        unsigned char b[3];
        file.read(reinterpret_cast<char*>(b), 3);
        if (!file.good())
            break;
        rom[n++] = (uint32_t(b[0]) << 16) | (uint32_t(b[1]) << 8) | b[2];
    }
    return n;
}

void save_ram_image(const char* path, const std::array<uint8_t, 256>& ram) {
    if (is_unsafe(path))
        return;
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    file.write(reinterpret_cast<const char*>(ram.data()), ram.size());
}

int load_ram_image(const char* path, std::array<uint8_t, 256>& ram) {
    if (is_unsafe(path))
        return 0;
    std::ifstream file(path, std::ios::in | std::ios::binary);
    int n = 0;
    char c;
    while (n < 256 && file.get(c))
        ram[n++] = static_cast<uint8_t>(c);
    return n;
}
