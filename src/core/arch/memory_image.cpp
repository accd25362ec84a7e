#include "arch/memory_image.h"

FileResult save_rom_image(const char* path, const std::array<uint32_t, 256>& rom) {
    return with_regular_file(path, "wb", [&](std::FILE* file, FileResult& r) {
        for (uint32_t w : rom) {
            const unsigned char bytes[3] = {static_cast<unsigned char>(w >> 16),
                                            static_cast<unsigned char>(w >> 8),
                                            static_cast<unsigned char>(w)};
            if (std::fwrite(bytes, 1, 3, file) != 3)
                return;
            ++r.count;
        }
    });
}

FileResult load_rom_image(const char* path, std::array<uint32_t, 256>& rom) {
    return with_regular_file(path, "rb", [&](std::FILE* file, FileResult& r) {
        unsigned char b[3];
        while (r.count < rom.size() && std::fread(b, 1, 3, file) == 3)
            rom[r.count++] = (uint32_t(b[0]) << 16) | (uint32_t(b[1]) << 8) | b[2];
    });
}

FileResult save_ram_image(const char* path, const std::array<uint8_t, 256>& ram) {
    return with_regular_file(path, "wb", [&](std::FILE* file, FileResult& r) {
        r.count = std::fwrite(ram.data(), 1, ram.size(), file);
    });
}

FileResult load_ram_image(const char* path, std::array<uint8_t, 256>& ram) {
    return with_regular_file(path, "rb", [&](std::FILE* file, FileResult& r) {
        r.count = std::fread(ram.data(), 1, ram.size(), file);
    });
}
