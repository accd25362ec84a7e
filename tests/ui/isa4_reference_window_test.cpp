// "Isa4 reference" through its real widgets: first steps, every
// instruction with its encoding and its example's word as the assembler
// makes it, the JZ rule; its sections close and open.
#include <string>

#include <gtest/gtest.h>
#include <imgui.h>

#include "support/imgui_harness.h"
#include "ui/isa4_reference_window.h"

namespace {

class ReferenceTest : public testing::Test {
  protected:
    bool shows(const std::string& text) const {
        return ImGuiHarness::window_text(Isa4ReferenceWindow::title).find(text) !=
               std::string::npos;
    }

    ImGuiHarness ui;
    Isa4ReferenceWindow window;
    const ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowPos(ImVec2(0, 0), ImGuiCond_Always);
        ImGui::SetNextWindowSize(ImVec2(1900, 1070), ImGuiCond_Always);
        window.draw();
    };
};

TEST_F(ReferenceTest, ShowsEveryInstructionWithItsEncodingAndExample) {
    ui.frames(2, draw);
    for (const char* text :
         {"ADD rd, ra, rb", "ADDI rd, ra, imm", "JZ target", "MOVE rd, rs", "MOVE [m], rs",
          "MOVE rd, [m]", "MOVE [m], [n]", "bits 19-16: 1, 15-12: rd, 11-8: ra, 7-0: imm",
          "e.g. ADDI r1, r0, 5 = 11005: r1 = 5", "e.g. JZ 0x10 = 20010",
          "e.g. MOVE [0x12], [0x34] = 71234", "z: unchanged"})
        EXPECT_TRUE(shows(text)) << text << " in\n"
                                 << ImGuiHarness::window_text(Isa4ReferenceWindow::title);
}

TEST_F(ReferenceTest, ShowsFirstStepsAndTheJumpRule) {
    ui.frames(2, draw);
    for (const char* text : {"1. Connect", "2. Select", "3. Write", "4. Assemble", "5. Run",
                             "6. Follow and step back", "A taken JZ continues at its field + 1",
                             "JZ loop stores loop - 1", "continues with the word after it"})
        EXPECT_TRUE(shows(text)) << text;
}

TEST_F(ReferenceTest, SectionsCloseAndOpen) {
    ui.frames(2, draw);
    ui.press(Isa4ReferenceWindow::title, {"Instructions"}, draw);
    EXPECT_FALSE(shows("ADDI rd, ra, imm"));
    EXPECT_TRUE(shows("1. Connect"));
    ui.press(Isa4ReferenceWindow::title, {"Instructions"}, draw);
    EXPECT_TRUE(shows("ADDI rd, ra, imm"));
}

} // namespace
