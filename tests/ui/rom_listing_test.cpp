// The "Program ROM view" as a listing: each row's instruction and label, the
// markers that set and clear breakpoints (the "Breakpoints" window shows the
// same set), and the back end's program counter marked and followed.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "assembly/assembler.h"
#include "regfile/register_file.h"
#include "support/imgui_harness.h"
#include "support/peer_link.h"
#include "ui/breakpoints_window.h"
#include "ui/rom_view.h"
#include "ui/widgets.h"

namespace {

constexpr const char* title = "Program ROM view";

// The listing's rows in view: lines that start with an address.
std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (const std::string& line : ImGuiHarness::window_lines(title))
        if (line.size() > 4 && line[2] == ' ' && line[3] == ' ')
            out.push_back(line);
    return out;
}

std::string row(int address) {
    for (const std::string& r : rows())
        if (std::stoi(r.substr(0, 2), nullptr, 16) == address)
            return r;
    return "";
}

class RomListingTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); }

    // The marker at the start of a row, in the listing's child region.
    static ImGuiID marker(int address) {
        ImGuiWindow* rom = ImGui::FindWindowByName(title);
        for (ImGuiWindow* w : ImGui::GetCurrentContext()->Windows)
            if (w->ParentWindow == rom && (w->Flags & ImGuiWindowFlags_ChildWindow))
                return ImHashStr("##marker", 0, ImHashData(&address, sizeof address, w->ID));
        return 0;
    }
    void assemble_into_memory(const char* source) {
        Assembly assembled = assemble(source);
        ASSERT_TRUE(assembled.ok());
        arch.rom = assembled.program.rom;
        symbols = assembled.program.symbols;
    }

    ImGuiHarness ui;
    Logger log{100};
    PeerLink link{log};
    Isa4 arch;
    ProgramSymbols symbols;
    std::unique_ptr<RegisterFile> back_end;
    RomView rom_view;
    BreakpointsWindow breakpoints;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(520, 420));
        rom_view.draw(arch, link.sender, log, symbols, back_end.get());
        ImGui::SetNextWindowSize(ImVec2(300, 600));
        breakpoints.draw(arch);
    };
};

TEST_F(RomListingTest, RowsShowTheirInstructionAndLabel) {
    assemble_into_memory("        ADDI  r1, r0, 5\n"
                         "loop:   ADDI  r1, r1, -1\n"
                         "        JZ    done\n"
                         "        ADD   r0, r0, r0\n"
                         "        JZ    loop\n"
                         "done:   JZ    5\n"
                         "        .word 0x3ABCD\n");
    ui.frame(draw);
    const std::vector<std::string> expected = {
        "00  1 10 05        ADDI r1, r0, 0x05", "01  1 11 FF  loop: ADDI r1, r1, 0xFF",
        "02  2 00 04        JZ 0x04",           "03  0 00 00        ADD r0, r0, r0",
        "04  2 00 00        JZ 0x00",           "05  2 00 05  done: JZ 0x05",
        "06  3 AB CD        .word 0x3ABCD",     "07  0 00 00        ADD r0, r0, r0"};
    for (size_t a = 0; a < expected.size(); ++a)
        EXPECT_EQ(row(static_cast<int>(a)), expected[a]);

    // Without labels there is no label column.
    symbols.clear();
    ui.frame(draw);
    EXPECT_EQ(row(1), "01  1 11 FF  ADDI r1, r1, 0xFF");
}

TEST_F(RomListingTest, ClickingARowsMarkerSetsAndClearsItsBreakpoint) {
    ui.press(marker(5), draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{5}));
    ui.press(marker(2), draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{2, 5}));
    const std::string listed = ImGuiHarness::window_text("Breakpoints");
    EXPECT_NE(listed.find("Clear All\n2\n5"), std::string::npos) << listed;

    ui.press(marker(5), draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{2}));
    // One set: an address added in "Breakpoints" is cleared by its marker.
    ui.type("Breakpoints", {"addr"}, "7", draw);
    ui.press("Breakpoints", {"Add"}, draw);
    ui.press(marker(7), draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{2}));
    EXPECT_EQ(rows().front().substr(0, 2), "00") << "the markers add no text to the rows";
}

// The back end's program counter is the register of type 'program_counter'
// in its description: its row is marked, and the listing follows whichever
// program counter moved last.
TEST_F(RomListingTest, BackEndPcIsMarkedAndFollowed) {
    back_end = load_description(QUARRIN_SOURCE_DIR "/architectures/isa4.toml").regfile;
    const uint64_t pc_number = 16; // r0..rf, then pc
    ASSERT_EQ(back_end->program_counter(), &back_end->registers[pc_number]);
    ASSERT_TRUE(back_end->apply_write(pc_number, 0x90));
    ui.frames(3, draw);
    const std::string marked = ImGuiHarness::window_text_in(title, back_end_pc_colour);
    EXPECT_EQ(marked.substr(0, 2), "90") << marked;
    const std::vector<std::string> in_view = rows();
    ASSERT_FALSE(in_view.empty());
    EXPECT_LE(std::abs(std::stoi(in_view[in_view.size() / 2].substr(0, 2), nullptr, 16) - 0x90), 1)
        << testing::PrintToString(in_view);
    EXPECT_EQ(row(0x50), "") << "the local pc's row is out of view";

    arch.pc = 0x4F; // the local processor moves: the listing follows it again
    ui.frames(3, draw);
    EXPECT_NE(row(0x50), "");
    EXPECT_EQ(ImGuiHarness::window_text_in(title, next_row_colour).substr(0, 2), "50");
    EXPECT_EQ(row(0x90), "");

    // A pc beyond the program memory marks no row.
    ASSERT_TRUE(back_end->apply_write(pc_number, 0x1234));
    ui.frames(3, draw);
    EXPECT_EQ(ImGuiHarness::window_text_in(title, back_end_pc_colour), "");
}

} // namespace
