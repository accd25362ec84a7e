#include "arch/memory_image.h"

FileResult save_rom_image(const char* path, const std::array<uint32_t, 256>& rom) {
    FileResult result;
    std::FILE* file = open_regular_file(path, "wb", result);
    if (file == nullptr)
        return result;
    for (uint32_t w : rom) {
        const unsigned char bytes[3] = {static_cast<unsigned char>(w >> 16),
                                        static_cast<unsigned char>(w >> 8),
                                        static_cast<unsigned char>(w)};
        if (std::fwrite(bytes, 1, 3, file) != 3)
            break;
        ++result.count;
    }
    close_file(file, result);
    return result;
}

FileResult load_rom_image(const char* path, std::array<uint32_t, 256>& rom) {
    FileResult result;
    std::FILE* file = open_regular_file(path, "rb", result);
    if (file == nullptr)
        return result;
    while (result.count < rom.size()) {
        unsigned char b[3];
        if (std::fread(b, 1, 3, file) != 3)
            break;
        rom[result.count++] = (uint32_t(b[0]) << 16) | (uint32_t(b[1]) << 8) | b[2];
    }
    close_file(file, result);
    return result;
}

FileResult save_ram_image(const char* path, const std::array<uint8_t, 256>& ram) {
    FileResult result;
    std::FILE* file = open_regular_file(path, "wb", result);
    if (file == nullptr)
        return result;
    result.count = std::fwrite(ram.data(), 1, ram.size(), file);
    close_file(file, result);
    return result;
}

FileResult load_ram_image(const char* path, std::array<uint8_t, 256>& ram) {
    FileResult result;
    std::FILE* file = open_regular_file(path, "rb", result);
    if (file == nullptr)
        return result;
    result.count = std::fread(ram.data(), 1, ram.size(), file);
    close_file(file, result);
    return result;
}
