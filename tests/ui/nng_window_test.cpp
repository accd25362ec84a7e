#include <optional>
#include <ostream>
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
    PairSocket worker_bus;
    Worker worker{log, worker_bus}; // no thread: the test takes its tasks
    std::vector<std::string> archs;
    std::string selected;
    NngWindow window;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(900, 600)); // room for the combo added later
        window.draw(worker, archs, selected, link.sender);
    };
};

// A press hands the address as it was then; a press before the worker took
// the previous one replaces it, since a Connect replaces the connection.
TEST_F(NngWindowTest, ConnectHandsOverTheAddressAsItWasWhenPressed) {
    ui.press(title, {"Connect"}, draw);
    ui.type(title, {"address"}, "inproc://first", draw);
    ui.press(title, {"Connect"}, draw);
    ui.type(title, {"address"}, "inproc://edited-afterwards", draw);
    ASSERT_EQ(std::string(window.address), "inproc://edited-afterwards");

    std::optional<WorkTask> task = worker.try_take();
    ASSERT_TRUE(task.has_value());
    EXPECT_EQ(task->type, WorkTask::Connect);
    EXPECT_EQ(std::get<std::string>(task->data), "inproc://first");
    EXPECT_FALSE(worker.try_take().has_value());
}

TEST_F(NngWindowTest, ShowsTheStateOfTheConnection) {
    EXPECT_TRUE(shows("not connected"));
    worker.dial(link.peer.url + "-nobody"); // refused
    ui.frame(draw);
    EXPECT_TRUE(shows("not connected"));
    NngPeer peer(unique_inproc_url("nng-window"));
    worker.dial(peer.url);
    selected = "toy";
    ASSERT_TRUE(wait_until([&] { return worker.status().state == LinkStatus::Connected; }));
    ui.frame(draw);
    EXPECT_TRUE(shows(("connected to " + peer.url + " (toy)").c_str()))
        << ImGuiHarness::window_text(title);
}

struct LinkTextCase {
    const char* what;
    LinkStatus::State state;
    const char* address;
    const char* selected;
    const char* text;
};

void PrintTo(const LinkTextCase& c, std::ostream* out) {
    *out << c.what;
}

class LinkText : public ::testing::TestWithParam<LinkTextCase> {};

TEST_P(LinkText, SaysWhereItIsConnected) {
    const LinkTextCase& c = GetParam();
    LinkStatus link;
    link.state = c.state;
    link.address = c.address;
    EXPECT_EQ(link_text(link, c.selected), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    States, LinkText,
    ::testing::Values(LinkTextCase{"never connected", LinkStatus::NotConnected, "", "",
                                   "not connected"},
                      LinkTextCase{"dialling", LinkStatus::Connecting, "tcp://h:1", "",
                                   "connecting to tcp://h:1"},
                      LinkTextCase{"connected, nothing selected", LinkStatus::Connected,
                                   "tcp://h:1", "", "connected to tcp://h:1"},
                      LinkTextCase{"connected with an architecture", LinkStatus::Connected,
                                   "tcp://h:1", "isa4", "connected to tcp://h:1 (isa4)"},
                      LinkTextCase{"lost", LinkStatus::Lost, "tcp://h:1", "isa4",
                                   "lost, reconnecting to tcp://h:1"}),
    [](const ::testing::TestParamInfo<LinkTextCase>& info) {
        return "case" + std::to_string(info.index);
    });

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
