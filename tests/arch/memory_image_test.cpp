// ROM and RAM image files, written to and read from a temporary directory.

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "arch/memory_image.h"

namespace fs = std::filesystem;

namespace {

using Rom = std::array<uint32_t, 256>;
using Ram = std::array<uint8_t, 256>;
using Bytes = std::vector<uint8_t>;

class MemoryImageTest : public testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("quarrin_image_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* name) const { return (dir / name).string(); }

    static void write_file(const std::string& p, const Bytes& bytes) {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes read_file(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Bytes 0, 1, 2, ... wrapping at 256, then offset so no byte is its index.
    static Bytes pattern(size_t n) {
        Bytes b(n);
        for (size_t i = 0; i < n; ++i)
            b[i] = static_cast<uint8_t>(i * 7 + 3);
        return b;
    }
    static Rom filled_rom(uint32_t v) {
        Rom r;
        r.fill(v);
        return r;
    }
    static Ram filled_ram(uint8_t v) {
        Ram r;
        r.fill(v);
        return r;
    }
};

} // namespace

TEST_F(MemoryImageTest, RomImageIsThreeBigEndianBytesPerWord) {
    Rom rom{};
    rom[0] = 0x12345;    // fields 1, 23, 45
    rom[1] = 0xFFABCDEF; // bits 24-31 are not stored
    rom[255] = 0x0F00FF;
    const std::string p = path("prog.rom");
    save_rom_image(p.c_str(), rom);

    const Bytes bytes = read_file(p);
    ASSERT_EQ(bytes.size(), 768u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0x01, 0x23, 0x45, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), (Bytes{0x0F, 0x00, 0xFF}));
    for (size_t i = 6; i < 765; ++i)
        ASSERT_EQ(bytes[i], 0) << "offset " << i;
}

TEST_F(MemoryImageTest, SavingReplacesALongerFile) {
    const std::string rom_path = path("prog.rom");
    const std::string ram_path = path("data.ram");
    write_file(rom_path, Bytes(2000, 0xEE));
    write_file(ram_path, Bytes(2000, 0xEE));
    save_rom_image(rom_path.c_str(), Rom{});
    save_ram_image(ram_path.c_str(), Ram{});
    EXPECT_EQ(read_file(rom_path), Bytes(768, 0));
    EXPECT_EQ(read_file(ram_path), Bytes(256, 0));
}

TEST_F(MemoryImageTest, RomRoundTrip) {
    Rom rom;
    for (uint32_t i = 0; i < 256; ++i)
        rom[i] = (i * 0x010307u + 0x0A0D1A) & 0xFFFFFF; // CR, LF, ^Z among the bytes
    const std::string p = path("prog.rom");
    save_rom_image(p.c_str(), rom);

    Rom back = filled_rom(0xDEAD);
    EXPECT_EQ(load_rom_image(p.c_str(), back).count, size_t(256));
    EXPECT_EQ(back, rom);
}

TEST_F(MemoryImageTest, RomBytesAreUnsignedAndNotMasked) {
    const std::string p = path("ff.rom");
    write_file(p, {0xFF, 0x00, 0x01, 0x80, 0xFF, 0x80});
    Rom rom{};
    EXPECT_EQ(load_rom_image(p.c_str(), rom).count, size_t(2));
    EXPECT_EQ(rom[0], 0xFF0001u);
    EXPECT_EQ(rom[0] >> 16, 0xFFu);
    EXPECT_EQ(rom[1], 0x80FF80u);
}

TEST_F(MemoryImageTest, RomLoadsOnlyCompleteGroupsUpTo256) {
    struct Case {
        size_t file_size;
        int words;
    };
    const std::vector<Case> cases = {{0, 0},     {2, 0},     {3, 1},     {4, 1},
                                     {5, 1},     {6, 2},     {767, 255}, {768, 256},
                                     {769, 256}, {800, 256}, {1536, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file_size << " bytes");
        const std::string p = path("part.rom");
        const Bytes bytes = pattern(c.file_size);
        write_file(p, bytes);
        Rom rom = filled_rom(0xDEAD);
        EXPECT_EQ(load_rom_image(p.c_str(), rom).count, size_t(c.words));
        for (int n = 0; n < 256; ++n) {
            const uint32_t want = n < c.words
                                      ? (uint32_t(bytes[3 * n]) << 16) |
                                            (uint32_t(bytes[3 * n + 1]) << 8) | bytes[3 * n + 2]
                                      : 0xDEAD;
            ASSERT_EQ(rom[n], want) << "word " << n;
        }
    }
}

TEST_F(MemoryImageTest, RamImageIsTheBytesAsTheyAre) {
    Ram ram;
    for (int i = 0; i < 256; ++i)
        ram[i] = static_cast<uint8_t>(255 - i);
    const std::string p = path("data.ram");
    save_ram_image(p.c_str(), ram);
    EXPECT_EQ(read_file(p), Bytes(ram.begin(), ram.end()));

    Ram back = filled_ram(0x5A);
    EXPECT_EQ(load_ram_image(p.c_str(), back).count, size_t(256));
    EXPECT_EQ(back, ram);
}

TEST_F(MemoryImageTest, RamLoadsFromCellZeroUpTo256Bytes) {
    struct Case {
        size_t file_size;
        int cells;
    };
    const std::vector<Case> cases = {{0, 0}, {1, 1}, {10, 10}, {255, 255}, {256, 256}, {300, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file_size << " bytes");
        const std::string p = path("part.ram");
        const Bytes bytes = pattern(c.file_size);
        write_file(p, bytes);
        Ram ram = filled_ram(0xEE);
        EXPECT_EQ(load_ram_image(p.c_str(), ram).count, size_t(c.cells));
        for (int n = 0; n < 256; ++n)
            ASSERT_EQ(ram[n], n < c.cells ? bytes[n] : 0xEE) << "cell " << n;
    }
}

// A path that cannot be used, and the reason a load or save gives for it.
struct BadPath {
    std::string path;
    int error;
};

TEST_F(MemoryImageTest, LoadingFromPathsThatCannotBeReadChangesNothingAndSaysWhy) {
    const std::vector<BadPath> paths = {
        {path("missing.img"), ENOENT},
        {dir.string(), EISDIR},
        {"", ENOENT},
        {path("no_such_dir/file.img"), ENOENT},
        {"/dev/null", FileResult::not_regular_file},
    };
    for (const BadPath& p : paths) {
        SCOPED_TRACE("path \"" + p.path + "\"");
        Rom rom = filled_rom(0x12345);
        Ram ram = filled_ram(0x77);
        const FileResult rom_result = load_rom_image(p.path.c_str(), rom);
        const FileResult ram_result = load_ram_image(p.path.c_str(), ram);
        EXPECT_EQ(rom_result.error, p.error) << rom_result.reason();
        EXPECT_EQ(ram_result.error, p.error) << ram_result.reason();
        EXPECT_EQ(rom_result.count, 0u);
        EXPECT_EQ(ram_result.count, 0u);
        EXPECT_EQ(rom, filled_rom(0x12345));
        EXPECT_EQ(ram, filled_ram(0x77));
    }
}

TEST_F(MemoryImageTest, SavingToPathsThatCannotBeWrittenDoesNothingAndSaysWhy) {
    const std::vector<BadPath> paths = {
        {dir.string(), EISDIR},
        {"", ENOENT},
        {path("no_such_dir/file.img"), ENOENT},
    };
    for (const BadPath& p : paths) {
        SCOPED_TRACE("path \"" + p.path + "\"");
        EXPECT_EQ(save_rom_image(p.path.c_str(), filled_rom(0x12345)).error, p.error);
        EXPECT_EQ(save_ram_image(p.path.c_str(), filled_ram(0x77)).error, p.error);
    }
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(MemoryImageTest, ResultsCountWhatWasWrittenAndRead) {
    const std::string p = path("prog.rom");
    const FileResult saved = save_rom_image(p.c_str(), filled_rom(0x11005));
    EXPECT_TRUE(saved.ok()) << saved.reason();
    EXPECT_EQ(saved.count, 256u);
    write_file(p, pattern(10)); // a short file is no error
    Rom rom{};
    const FileResult loaded = load_rom_image(p.c_str(), rom);
    EXPECT_TRUE(loaded.ok()) << loaded.reason();
    EXPECT_EQ(loaded.count, 3u);

    const std::string q = path("data.ram");
    EXPECT_EQ(save_ram_image(q.c_str(), filled_ram(1)).count, 256u);
    Ram ram{};
    EXPECT_TRUE(load_ram_image(q.c_str(), ram).ok());
}

TEST(FileResult, ReasonsAreWords) {
    EXPECT_EQ((FileResult{ENOENT, 0}).reason(), "No such file or directory");
    EXPECT_EQ((FileResult{FileResult::not_regular_file, 0}).reason(), "not a regular file");
    EXPECT_EQ((FileResult{FileResult::too_large, 0}).reason(), "file too large");
}
