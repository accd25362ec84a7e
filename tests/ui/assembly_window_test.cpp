// The "Assembly" window through its widgets: a typed source assembled into
// the memories, errors listed with nothing changed, the program memory
// disassembled into the editor, and source files opened and saved.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assembly/disassembler.h"
#include "support/imgui_harness.h"
#include "support/temp_dir.h"
#include "ui/assembly_window.h"

namespace {

constexpr const char* title = "Assembly";

const char* const countdown = "        ADDI r1, r0, 5\n"
                              "loop:   ADDI r1, r1, -1\n"
                              "        JZ   done\n"
                              "        ADD  r0, r0, r0\n"
                              "        JZ   loop\n"
                              "done:   JZ   5\n";

class AssemblyWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int a = 0; a < 256; ++a) {
            arch.rom[a] = 0xABCDE; // a word no source here writes
            arch.ram[a] = static_cast<uint8_t>(a ^ 0x5A);
        }
        ui.frames(2, draw); // the window sizes itself first
    }

    std::string text() const { return ImGuiHarness::window_text(title); }
    bool shows(const std::string& s) const { return text().find(s) != std::string::npos; }
    bool logged(const std::string& s) const {
        const std::vector<std::string> texts = log.texts();
        return std::find(texts.begin(), texts.end(), s) != texts.end();
    }
    void assemble_source(const std::string& source) {
        window.source = source;
        ui.press(title, {"Assemble"}, draw);
    }

    ImGuiHarness ui;
    Isa4 arch;
    ProgramSymbols symbols;
    Logger log{100};
    AssemblyWindow window;
    ImGuiHarness::Draw draw = [this] { window.draw(arch, symbols, log); };
};

TEST_F(AssemblyWindowTest, ATypedSourceReplacesTheProgramAndKeepsItsLabels) {
    const std::array<uint8_t, 256> ram = arch.ram;
    ui.type(title, {"##source"}, countdown, draw);
    EXPECT_EQ(window.source.rfind(countdown, 0), 0u) << window.source;
    ui.press(title, {"Assemble"}, draw);

    const std::vector<uint32_t> words = {0x11005, 0x111FF, 0x20004, 0x00000, 0x20000, 0x20005};
    for (size_t a = 0; a < 256; ++a)
        ASSERT_EQ(arch.rom[a], a < words.size() ? words[a] : 0u) << "address " << a;
    EXPECT_EQ(arch.ram, ram); // no .data: the data memory stays
    ASSERT_NE(symbols.label_at(1), nullptr);
    EXPECT_EQ(*symbols.label_at(1), "loop");
    EXPECT_EQ(*symbols.label_at(5), "done");
    EXPECT_EQ(symbols.lines[2], 3);
    ui.frame(draw);
    EXPECT_TRUE(shows("Assembled 6 words")) << text();
    EXPECT_TRUE(shows("loop:   ADDI r1, r1, -1")) << text();
}

TEST_F(AssemblyWindowTest, DataReplacesTheWholeDataMemory) {
    assemble_source("ADDI r1, r0, 1\n.data 0x10, 1, 2, -1\n");
    std::array<uint8_t, 256> ram{};
    ram[0x10] = 1;
    ram[0x11] = 2;
    ram[0x12] = 0xFF;
    EXPECT_EQ(arch.ram, ram);
    EXPECT_EQ(arch.rom[0], 0x11001u);
    ui.frame(draw);
    EXPECT_TRUE(shows("Assembled 1 word and the data memory")) << text();
}

TEST_F(AssemblyWindowTest, ErrorsAreListedWithTheirLinesAndNothingChanges) {
    assemble_source("first: ADD r0, r0, r0\n");
    const Isa4 before = arch;
    const ProgramSymbols kept = symbols;

    assemble_source("ADDI r1, r0, 1\nFOO r1\nJZ nowhere\n.data 0, 1\n");
    EXPECT_EQ(arch.rom, before.rom);
    EXPECT_EQ(arch.ram, before.ram);
    EXPECT_EQ(symbols.labels, kept.labels);
    ASSERT_EQ(window.errors.size(), 2u);
    ui.frame(draw);
    EXPECT_TRUE(shows("line 2: unknown mnemonic \"FOO\"")) << text();
    EXPECT_TRUE(shows("line 3: unknown name \"nowhere\"")) << text();
    EXPECT_FALSE(shows("Assembled")) << text();

    assemble_source("ADDI r1, r0, 1\n");
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(arch.rom[0], 0x11001u);
    ui.frame(draw);
    EXPECT_FALSE(shows("line 2")) << text();
}

TEST_F(AssemblyWindowTest, AThousandErrorsAreListedAFewRowsAtATime) {
    std::string garbled;
    for (int i = 0; i < 1000; ++i)
        garbled += "FOO\n";
    assemble_source(garbled);
    ASSERT_EQ(window.errors.size(), 1000u);
    ui.frame(draw);
    EXPECT_TRUE(shows("line 1: unknown mnemonic")) << text();
    EXPECT_FALSE(shows("line 1000:")) << text();
}

TEST_F(AssemblyWindowTest, DisassembleRomFillsTheEditorWithAListingThatAssemblesBack) {
    arch.rom.fill(0);
    arch.rom[0] = 0x11005;
    arch.rom[1] = 0x58003;
    arch.rom[2] = 0x3ABCD;
    const std::array<uint32_t, 256> rom = arch.rom;
    window.source = "something else";
    ui.press(title, {"Disassemble ROM"}, draw);
    EXPECT_EQ(window.source, disassemble_program(rom));
    ui.frame(draw);
    EXPECT_TRUE(shows("MOVE [0x80], r3")) << text();

    arch.rom.fill(0);
    ui.press(title, {"Assemble"}, draw);
    EXPECT_EQ(arch.rom, rom);
}

TEST_F(AssemblyWindowTest, SourcesAreSavedAndOpenedByName) {
    TempDir dir;
    const std::string path = (dir.path / "prog.s").string();
    window.source = countdown;
    ui.type(title, {"File"}, path, draw);
    ui.press(title, {"Save"}, draw);
    std::ifstream saved(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), countdown);

    window.source = "changed";
    ui.press(title, {"Open"}, draw);
    EXPECT_EQ(window.source, countdown);
    ui.frame(draw);
    EXPECT_TRUE(shows("Opened " + path)) << text();
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(AssemblyWindowTest, FileFailuresAreLoggedWithThePathAndReason) {
    TempDir dir;
    const std::string missing = (dir.path / "missing.s").string();
    window.source = "kept";
    ui.type(title, {"File"}, missing, draw);
    ui.press(title, {"Open"}, draw);
    EXPECT_TRUE(logged("Cannot open \"" + missing + "\": No such file or directory"));
    EXPECT_EQ(window.source, "kept");

    ui.type(title, {"File"}, dir.path.string(), draw);
    ui.press(title, {"Save"}, draw);
    EXPECT_TRUE(logged("Cannot save \"" + dir.path.string() + "\": Is a directory"));
    ui.press(title, {"Open"}, draw);
    EXPECT_TRUE(logged("Cannot open \"" + dir.path.string() + "\": Is a directory"));
    EXPECT_EQ(window.source, "kept");
}

} // namespace
