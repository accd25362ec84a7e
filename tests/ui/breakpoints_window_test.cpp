#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/imgui_harness.h"
#include "ui/breakpoints_window.h"

namespace {

constexpr const char* title = "Breakpoints";

class BreakpointsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); }

    void add(const char* address) {
        ui.type(title, {"addr"}, address, draw);
        ui.press(title, {"Add"}, draw);
    }
    // The lines listed below the buttons.
    static std::vector<std::string> listed() {
        std::istringstream text(ImGuiHarness::window_text(title));
        std::vector<std::string> lines;
        bool below_buttons = false;
        for (std::string line; std::getline(text, line);) {
            if (below_buttons)
                lines.push_back(line);
            else if (line.find("Clear All") != std::string::npos)
                below_buttons = true;
        }
        return lines;
    }

    ImGuiHarness ui;
    Isa4 arch;
    BreakpointsWindow window;
    // Room for every line the list grows to after the first frame.
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(600, 900));
        window.draw(arch);
    };
};

TEST_F(BreakpointsWindowTest, ListsDistinctAddressesInAscendingOrder) {
    EXPECT_TRUE(listed().empty());
    for (const char* address : {"10", "2", "FF", "10"})
        add(address);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{0x02, 0x10, 0xFF}));
    EXPECT_EQ(listed(), (std::vector<std::string>{"2", "10", "FF"}));
}

TEST_F(BreakpointsWindowTest, RemoveAndClearAll) {
    for (const char* address : {"2", "10", "FF"})
        add(address);
    ui.type(title, {"addr"}, "10", draw);
    ui.press(title, {"Remove"}, draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{0x02, 0xFF}));
    ui.press(title, {"Remove"}, draw); // no longer there: nothing changes
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{0x02, 0xFF}));
    EXPECT_EQ(listed(), (std::vector<std::string>{"2", "FF"}));
    ui.press(title, {"Clear All"}, draw);
    EXPECT_TRUE(arch.breakpoints.empty());
    EXPECT_TRUE(listed().empty());
}

TEST_F(BreakpointsWindowTest, AddrSaturatesAtBothEnds) {
    ui.press(title, {"addr", "-"}, draw);
    EXPECT_EQ(window.addr, 0);
    ui.type(title, {"addr"}, "1FF", draw);
    EXPECT_EQ(window.addr, 0xFF);
    ui.press(title, {"addr", "+"}, draw);
    EXPECT_EQ(window.addr, 0xFF);
    ui.press(title, {"Add"}, draw);
    EXPECT_EQ(arch.breakpoints, (std::set<uint8_t>{0xFF}));
}

} // namespace
