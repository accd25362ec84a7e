#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/imgui_harness.h"
#include "support/peer_link.h"
#include "ui/nng_window.h"

namespace {

constexpr const char* title = "nng";

nlohmann::json select_envelope(const char* name) {
    return {{"message_type", "command"},
            {"message_sub_type", "load"},
            {"destination", "computer_architecture"},
            {"data", name}};
}

class NngWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); }

    static bool shows(const char* s) {
        return ImGuiHarness::window_text(title).find(s) != std::string::npos;
    }

    ImGuiHarness ui;
    Logger log{100};
    PeerLink link{log};
    BoundedQueue<WorkTask> tasks{20};
    std::vector<std::string> archs;
    NngWindow window;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(900, 600)); // room for the combo added later
        window.draw(tasks, archs, link.sender);
    };
};

TEST_F(NngWindowTest, ConnectQueuesTheAddressAsItWasWhenPressed) {
    ui.press(title, {"Connect"}, draw);
    ui.type(title, {"address"}, "inproc://first", draw);
    ui.press(title, {"Connect"}, draw);
    ui.type(title, {"address"}, "inproc://edited-afterwards", draw);
    ASSERT_EQ(std::string(window.address), "inproc://edited-afterwards");

    ASSERT_EQ(tasks.size(), 2u);
    for (const char* expected : {"tcp://127.0.0.1:8081", "inproc://first"}) {
        const WorkTask task = tasks.pop();
        EXPECT_EQ(task.type, WorkTask::Connect);
        EXPECT_EQ(std::get<std::string>(task.data), expected);
    }
}

TEST_F(NngWindowTest, ArchitectureComboAndSelectAppearOnlyWithAList) {
    EXPECT_FALSE(shows("Architecture"));
    EXPECT_FALSE(shows("Select"));
    archs = {"toy", "isa4"};
    ui.frame(draw);
    EXPECT_TRUE(shows("Architecture"));
    EXPECT_TRUE(shows("Select"));
    EXPECT_TRUE(shows("toy"));
}

TEST_F(NngWindowTest, SelectSendsTheShownNameEveryTime) {
    archs = {"toy", "mips", "isa4"};
    ui.frame(draw);
    ui.choose(title, "Architecture", 2, "isa4", draw);
    ASSERT_EQ(window.selected_arch, 2);
    ui.press(title, {"Select"}, draw);
    ui.press(title, {"Select"}, draw);
    EXPECT_EQ(link.received(),
              (std::vector<nlohmann::json>{select_envelope("isa4"), select_envelope("isa4")}));
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(NngWindowTest, SelectionBeyondAShorterListBecomesFirstInTheSameFrame) {
    archs = {"toy", "mips", "isa4"};
    window.selected_arch = 2;
    ui.frame(draw);
    archs.clear(); // an empty list leaves the selection alone
    ui.frame(draw);
    EXPECT_EQ(window.selected_arch, 2);
    archs = {"toy", "mips"};
    ui.frame(draw);
    EXPECT_EQ(window.selected_arch, 0);
}

} // namespace
