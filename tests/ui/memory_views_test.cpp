#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/imgui_harness.h"
#include "support/peer_link.h"
#include "ui/ram_view.h"
#include "ui/rom_view.h"

namespace {

constexpr const char* rom_title = "Program ROM view";
constexpr const char* ram_title = "RAM view";

std::vector<unsigned char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Both memory windows on one model, and a temporary directory for image files
// whose paths fit the 39 characters of the "Filename" field.
struct MemoryViewsTest : ::testing::Test {
    void SetUp() override {
        char pattern[] = "/tmp/quarrin-ui-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ui.frames(2, draw);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    Logger log{100};
    PeerLink link{log};
    ImGuiHarness ui;
    Isa4 arch;
    RomView rom_view;
    RamView ram_view;
    std::string dir;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(500, 420)); // room for the listing's instructions
        rom_view.draw(arch, link.sender, log);
        ram_view.draw(arch, log);
    };
};

struct FieldBound {
    const char* window;
    const char* field;
    int& (*value)(MemoryViewsTest&);
    const char* above; // hexadecimal text one above the maximum
    int max;
};

TEST_F(MemoryViewsTest, NumberFieldsWrapAroundTheirRange) {
    const std::vector<FieldBound> cases = {
        {rom_title, "val", [](MemoryViewsTest& t) -> int& { return t.rom_view.poke.val; }, "100000",
         0xFFFFF},
        {rom_title, "addr", [](MemoryViewsTest& t) -> int& { return t.rom_view.poke.addr; }, "100",
         0xFF},
        {ram_title, "val", [](MemoryViewsTest& t) -> int& { return t.ram_view.poke.val; }, "100",
         0xFF},
        {ram_title, "addr", [](MemoryViewsTest& t) -> int& { return t.ram_view.poke.addr; }, "100",
         0xFF},
    };
    for (const FieldBound& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " " + c.field);
        ui.press(c.window, {c.field, "-"}, draw);
        EXPECT_EQ(c.value(*this), c.max);
        ui.press(c.window, {c.field, "+"}, draw);
        EXPECT_EQ(c.value(*this), 0);
        ui.type(c.window, {c.field}, c.above, draw);
        EXPECT_EQ(c.value(*this), 0);
    }
}

TEST_F(MemoryViewsTest, RamIncDecAndPokeActOnTheCellAtAddr) {
    struct Case {
        int before;
        const char* button;
        int after;
    };
    const std::vector<Case> cases = {
        {0xFF, "Inc", 0x00}, {0x00, "Dec", 0xFF}, {0x41, "Inc", 0x42}, {0x41, "Dec", 0x40}};
    ui.type(ram_title, {"addr"}, "A7", draw);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        arch.ram[0xA7] = static_cast<uint8_t>(c.before);
        ui.press(ram_title, {c.button}, draw);
        EXPECT_EQ(arch.ram[0xA7], c.after);
    }
    ui.type(ram_title, {"val"}, "5C", draw);
    ui.press(ram_title, {"Poke"}, draw);
    EXPECT_EQ(arch.ram[0xA7], 0x5C);
    EXPECT_EQ(arch.ram[0xA6], 0);
}

TEST_F(MemoryViewsTest, RomPokeWritesValAtAddr) {
    ui.type(rom_title, {"val"}, "ABCDE", draw);
    ui.type(rom_title, {"addr"}, "FF", draw);
    ui.press(rom_title, {"Poke"}, draw);
    EXPECT_EQ(arch.rom[0xFF], 0xABCDEu);
    EXPECT_EQ(arch.rom[0], 0u);
}

TEST_F(MemoryViewsTest, SyncWithPcPokesTheWordAfterPc) {
    ui.type(rom_title, {"addr"}, "40", draw);
    ui.press(rom_title, {"Sync with PC+1"}, draw);
    ASSERT_TRUE(rom_view.sync_pc);
    ui.type(rom_title, {"val"}, "12345", draw);
    ui.press(rom_title, {"Poke"}, draw); // pc starts at FF: word 0
    EXPECT_EQ(arch.rom[0], 0x12345u);
    EXPECT_EQ(arch.rom[0x40], 0u);
    arch.pc = 0x10;
    ui.press(rom_title, {"Poke"}, draw);
    EXPECT_EQ(arch.rom[0x11], 0x12345u);
}

TEST_F(MemoryViewsTest, RomRowShowsAddressAndThreeFields) {
    arch.rom[0] = 0x12345;
    ui.frame(draw);
    const std::string text = ImGuiHarness::window_text(rom_title);
    EXPECT_NE(text.find("00  1 23 45"), std::string::npos) << text;
    EXPECT_NE(text.find("PC: FF"), std::string::npos) << text;
}

// The listing shows only the rows in its 200-pixel region: with "Track
// PC+1" on, the row after pc is the one in the middle of them.
TEST_F(MemoryViewsTest, TrackedRowIsCentredAmongTheRowsInView) {
    for (int i = 0; i < 256; ++i)
        arch.rom[i] = static_cast<uint32_t>(i) << 16 | 0xFF00; // "i FF 00"
    arch.rom[0x90] = 0xFFFF0102; // bits above 19 show in the first field
    for (uint8_t pc : {0x7F, 0x8F, 0x3F, 0x7F}) {
        arch.pc = pc;
        ui.frames(3, draw);
        std::vector<std::string> rows;
        std::istringstream text(ImGuiHarness::window_text(rom_title));
        for (std::string line; std::getline(text, line);)
            if (line.size() > 4 && line[2] == ' ' && line[3] == ' ')
                rows.push_back(line);
        ASSERT_GE(rows.size(), 9u) << pc;
        ASSERT_LE(rows.size(), 14u) << pc; // not all 256
        const std::string next = rows[rows.size() / 2];
        const int row = std::stoi(next.substr(0, 2), nullptr, 16);
        EXPECT_LE(std::abs(row - (pc + 1)), 1) << testing::PrintToString(rows);
        if (pc == 0x8F) {
            EXPECT_EQ(next, "90  FFFF 01 02  .word 0xFFFF0102");
        }
    }
}

TEST_F(MemoryViewsTest, RomImageSavesLoadsAndClears) {
    const std::string path = dir + "/rom.bin";
    arch.rom[0] = 0x12345;
    arch.rom[255] = 0xABCDE;
    ui.type(rom_title, {"Filename"}, path, draw);
    ASSERT_EQ(std::string(rom_view.file.filename), path);
    ui.press(rom_title, {"Save ROM"}, draw);
    const std::vector<unsigned char> bytes = file_bytes(path);
    ASSERT_EQ(bytes.size(), 768u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 3),
              (std::vector<unsigned char>{0x01, 0x23, 0x45}));
    EXPECT_EQ(std::vector<unsigned char>(bytes.end() - 3, bytes.end()),
              (std::vector<unsigned char>{0x0A, 0xBC, 0xDE}));

    const auto saved = arch.rom;
    ui.press(rom_title, {"Clear All"}, draw);
    EXPECT_EQ(arch.rom, decltype(arch.rom){});
    ui.press(rom_title, {"Load ROM"}, draw);
    EXPECT_EQ(arch.rom, saved);

    ui.type(rom_title, {"Filename"}, dir + "/missing.bin", draw);
    arch.rom[7] = 7;
    ui.press(rom_title, {"Load ROM"}, draw);
    EXPECT_EQ(arch.rom[7], 7u);
}

TEST_F(MemoryViewsTest, RamImageSavesLoadsAndClears) {
    const std::string path = dir + "/ram.bin";
    for (int i = 0; i < 256; ++i)
        arch.ram[i] = static_cast<uint8_t>(i ^ 0x5A);
    ui.type(ram_title, {"Filename"}, path, draw);
    ASSERT_EQ(std::string(ram_view.file.filename), path);
    ui.press(ram_title, {"Save RAM"}, draw);
    const std::vector<unsigned char> bytes = file_bytes(path);
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), arch.ram.begin()));

    const auto saved = arch.ram;
    ui.press(ram_title, {"Clear All"}, draw);
    EXPECT_EQ(arch.ram, decltype(arch.ram){});
    ui.press(ram_title, {"Load RAM"}, draw);
    EXPECT_EQ(arch.ram, saved);

    ui.type(ram_title, {"Filename"}, dir + "/missing.bin", draw);
    arch.ram[7] = 0;
    ui.press(ram_title, {"Load RAM"}, draw);
    EXPECT_EQ(arch.ram[7], 0);
}

struct FileReportCase {
    const char* name;
    const char* window;
    const char* button;
    const char* file;  // in the test's directory
    int bytes;         // written there first; -1: none
    const char* shown; // logged, with PATH for the file's path; "" for nothing
};

// What "Save" and "Load" did, when the user could not otherwise tell: a
// failure with the path and the reason, an image of the wrong length with
// its length and what was loaded of it. Each press logs one text at most.
TEST_F(MemoryViewsTest, ImageFilesReportFailuresAndOddLengths) {
    const std::vector<FileReportCase> cases = {
        {"ROM loaded whole", rom_title, "Load ROM", "rom", 768, ""},
        {"ROM saved", rom_title, "Save ROM", "rom", -1, ""},
        {"ROM missing", rom_title, "Load ROM", "none", -1,
         "Cannot load ROM image \"PATH\": No such file or directory"},
        {"ROM into a missing folder", rom_title, "Save ROM", "none/rom", -1,
         "Cannot save ROM image \"PATH\": No such file or directory"},
        {"ROM short", rom_title, "Load ROM", "short", 10,
         "ROM image \"PATH\" is 10 bytes, not 768: loaded 3 words, the others unchanged"},
        {"ROM long", rom_title, "Load ROM", "long", 1000,
         "ROM image \"PATH\" is 1000 bytes, not 768: loaded its first 256 words"},
        {"RAM loaded whole", ram_title, "Load RAM", "ram", 256, ""},
        {"RAM empty", ram_title, "Load RAM", "empty", 0,
         "RAM image \"PATH\" is 0 bytes, not 256: loaded 0 bytes, the others unchanged"},
        {"RAM long", ram_title, "Load RAM", "long", 300,
         "RAM image \"PATH\" is 300 bytes, not 256: loaded its first 256 bytes"},
        {"RAM onto a folder", ram_title, "Save RAM", "", -1,
         "Cannot save RAM image \"PATH\": Is a directory"},
    };
    for (const FileReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.file;
        if (c.bytes >= 0)
            std::ofstream(path, std::ios::binary) << std::string(c.bytes, '\x11');
        log.clear();
        ui.type(c.window, {"Filename"}, path, draw);
        ui.press(c.window, {c.button}, draw);
        std::string shown = c.shown;
        if (const size_t at = shown.find("PATH"); at != std::string::npos)
            shown.replace(at, 4, path);
        EXPECT_EQ(log.texts(),
                  shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{shown});
    }
}

TEST_F(MemoryViewsTest, SendRomSendsTheWholeProgram) {
    for (int i = 0; i < 256; ++i)
        arch.rom[i] = static_cast<uint32_t>(i * 0x1111);
    arch.rom[3] = 0xFFFFFF; // a loaded word may exceed 20 bits
    ui.press(rom_title, {"Send ROM"}, draw);
    const std::vector<nlohmann::json> sent = link.received();
    ASSERT_EQ(sent.size(), 1u);
    const nlohmann::json& e = sent[0];
    EXPECT_EQ(e["message_type"], "command");
    EXPECT_EQ(e["message_sub_type"], "load");
    EXPECT_EQ(e["destination"], "component.memory.instructions");
    EXPECT_EQ(e["data"]["start"], 0);
    ASSERT_EQ(e["data"]["values"].size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(e["data"]["values"][i].get<uint32_t>(), arch.rom[i]) << i;
    EXPECT_EQ(log.size(), 0u);
}

} // namespace
