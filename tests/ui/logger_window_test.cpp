#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "log/logger.h"
#include "support/imgui_harness.h"
#include "ui/logger_window.h"

namespace {

constexpr const char* title = "Logger";

// The "Logger" window as the frame draws it.
class LoggerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); }

    // The window's lines below its controls ("Show keys" and "Filter").
    static std::vector<std::string> entries() {
        std::vector<std::string> lines = ImGuiHarness::window_lines(title);
        while (!lines.empty() && lines.front().find("Show keys") == std::string::npos)
            lines.erase(lines.begin());
        if (!lines.empty())
            lines.erase(lines.begin());
        return lines;
    }
    static std::string counter() {
        for (const std::string& line : ImGuiHarness::window_lines(title))
            if (line.find("Clear All") != std::string::npos)
                return line.substr(line.find("count:"));
        return "";
    }
    void open_node(const std::string& label_with_index) {
        ui.press(title, {label_with_index.c_str()}, draw);
    }

    ImGuiHarness ui;
    Logger log{100};
    LoggerWindow window;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(900, 900)); // room for entries added later
        window.draw(log);
    };
};

TEST_F(LoggerWindowTest, ShowsTextsNewestFirstAndClearsThem) {
    log.add("Loaded Isa4");
    ui.frame(draw);
    EXPECT_EQ(counter(), "count: 1");
    EXPECT_EQ(entries(), (std::vector<std::string>{"Loaded Isa4"}));

    log.add(std::string("Connected to inproc://x"));
    log.add("100%d %s done");
    ui.frame(draw);
    EXPECT_EQ(counter(), "count: 3");
    EXPECT_EQ(entries(), (std::vector<std::string>{"100%d %s done", "Connected to inproc://x",
                                                   "Loaded Isa4"}));

    ui.press(title, {"Clear All"}, draw);
    EXPECT_EQ(log.size(), 0u);
    EXPECT_EQ(counter(), "count: 0");
    EXPECT_TRUE(entries().empty());
}

// Texts are shown whole, however long: a failure text can carry a long path
// or error, beyond the 3 KiB a formatted text is cut to.
TEST_F(LoggerWindowTest, LongTextIsShownWhole) {
    log.add(std::string(5000, 'x') + "end");
    ui.frames(2, draw);
    const std::string shown = ImGuiHarness::window_text(title);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 'x'), 5000);
    EXPECT_NE(shown.find("end"), std::string::npos);
}

TEST_F(LoggerWindowTest, EnvelopeOpensToItsMembersInKeyOrder) {
    log.add(nlohmann::json{{"message_type", "event"},
                           {"message_sub_type", "update"},
                           {"destination", "x"},
                           {"data", {{"a", 1}, {"b", "two"}}},
                           {"origin", "y"}});
    ui.frame(draw);
    EXPECT_EQ(entries(), (std::vector<std::string>{"\"event\" : \"update\""}));
    open_node("\"event\" : \"update\"##1");
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"\"event\" : \"update\"", "data:", "1", "\"two\"",
                                        "destination: \"x\"", "origin: \"y\""}));
}

TEST_F(LoggerWindowTest, ArrayMemberAndMissingSubTypeShowOnOneLine) {
    log.add(nlohmann::json{{"message_type", "event"}, {"values", {1, 2, 3}}});
    ui.frame(draw);
    open_node("\"event\" : null##1");
    EXPECT_EQ(entries(), (std::vector<std::string>{"\"event\" : null", "values: [1,2,3]"}));
}

// Strings that are not UTF-8 arrive from the back end unchecked; the log shows
// them with replacement characters (the default font draws those as '?').
TEST_F(LoggerWindowTest, EnvelopeWithInvalidUtf8IsDrawnNotThrown) {
    log.add(nlohmann::json{{"message_type", "event"},
                           {"message_sub_type", "up\xFF"
                                                "date"},
                           {"data", {{"k", "a\xFE"}}},
                           {"origin", "\xC3"}});
    EXPECT_NO_THROW(ui.frame(draw));
    const std::string label = envelope_label(log.snapshot().front().envelope());
    EXPECT_EQ(label, "\"event\" : \"up\xEF\xBF\xBD"
                     "date\"");
    EXPECT_NO_THROW(open_node(label + "##1"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"\"event\" : \"up?date\"", "data:", "\"a?\"",
                                                   "origin: \"?\""}));
}

// "Show keys" shows the keys of an envelope's data; off, it shows the values
// alone, as ever.
TEST_F(LoggerWindowTest, ShowKeysShowsTheDataMembersKeys) {
    log.add(nlohmann::json{{"message_type", "event"},
                           {"message_sub_type", "write"},
                           {"data", {{"register_number", 17}, {"value", 0}}},
                           {"origin", "isa4.regs"}});
    ui.frame(draw);
    open_node("\"event\" : \"write\"##1");
    EXPECT_EQ(entries(), (std::vector<std::string>{"\"event\" : \"write\"", "data:", "17", "0",
                                                   "origin: \"isa4.regs\""}));
    ui.press(title, {"Show keys"}, draw);
    EXPECT_TRUE(window.show_keys);
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"\"event\" : \"write\"", "data:", "register_number: 17",
                                        "value: 0", "origin: \"isa4.regs\""}));
}

// An open entry stays open, and a closed one closed, while newer entries
// arrive and push both down the list.
TEST_F(LoggerWindowTest, OpenStateStaysWithTheEntryAsNewerOnesArrive) {
    const auto update = [](int count) {
        return nlohmann::json{{"message_type", "event"},
                              {"message_sub_type", "update"},
                              {"data", {{"new_count", count}}}};
    };
    log.add(update(1));
    log.add(update(2));
    ui.frame(draw);
    open_node("\"event\" : \"update\"##1"); // the older one, second in the list
    const std::vector<std::string> open_older = {"\"event\" : \"update\"", "\"event\" : \"update\"",
                                                 "data:", "1"};
    EXPECT_EQ(entries(), open_older);
    for (int i = 3; i < 6; ++i) {
        log.add(update(i));
        ui.frame(draw);
        std::vector<std::string> expected(i - 2, "\"event\" : \"update\"");
        expected.insert(expected.end(), open_older.begin(), open_older.end());
        EXPECT_EQ(entries(), expected) << "after entry " << i;
    }
}

// The filter shows the entries whose text, or envelope's JSON, contains its
// text in any case; the count stays the log's.
TEST_F(LoggerWindowTest, FilterShowsOnlyTheEntriesThatContainItsText) {
    log.add("Loaded Isa4");
    log.add(nlohmann::json{{"message_type", "event"},
                           {"message_sub_type", "write"},
                           {"data", {{"register_number", 17}, {"value", 0}}}});
    log.add("Breakpoint hit");
    log.add("Cannot load ROM image \"x.rom\": No such file or directory");
    ui.frame(draw);
    struct Case {
        const char* filter;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {"isa4", {"Loaded Isa4"}},
        {"ROM", {"Cannot load ROM image \"x.rom\": No such file or directory"}},
        {"register_NUMBER\":17", {"\"event\" : \"write\""}},
        {"breakpoint", {"Breakpoint hit"}},
        {"nowhere", {}},
        {"",
         {"Cannot load ROM image \"x.rom\": No such file or directory", "Breakpoint hit",
          "\"event\" : \"write\"", "Loaded Isa4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        ui.type(title, {"Filter"}, c.filter, draw);
        EXPECT_EQ(window.filter, c.filter);
        EXPECT_EQ(entries(), c.shown);
        EXPECT_EQ(counter(), "count: 4");
    }
    ui.type(title, {"Filter"}, "hit", draw);
    log.add("Breakpoint hit");
    log.add("Interrupt 2");
    ui.frame(draw);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Breakpoint hit", "Breakpoint hit"}));
}

} // namespace

// A long log in a small window: the entries out of view are not drawn but
// keep their place, so the content is exactly as tall as when every entry is
// in view, and scrolled to the bottom the window shows the oldest entries.
class LoggerLayoutTest : public ::testing::Test {
  protected:
    LoggerLayoutTest() {
        const std::string long_text(400, 'w'); // wraps over several lines at this width
        for (int i = 0; i < 99; ++i) {
            if (i % 3 == 1)
                log.add(nlohmann::json{{"message_type", "event"},
                                       {"message_sub_type", "n" + std::to_string(i)},
                                       {"data", {{"new_count", i}}}});
            else
                log.add("entry " + std::to_string(i) +
                        (i % 9 == 0 && i > 0 ? " " + long_text : ""));
        }
    }

    // The window's content height after a few frames in a window of this
    // height, with the newest and the oldest envelope's nodes open.
    float content_height(float window_height, bool scroll_to_bottom) {
        ImGuiHarness ui(ImVec2(1000, window_height + 100));
        LoggerWindow window;
        auto draw = [&] {
            ImGui::SetNextWindowPos(ImVec2(0, 0));
            ImGui::SetNextWindowSize(ImVec2(300, window_height));
            // The same wrap width in both windows, scrolled or not.
            ImGui::Begin(title, nullptr, ImGuiWindowFlags_AlwaysVerticalScrollbar);
            if (scroll_to_bottom)
                ImGui::SetScrollY(ImGui::GetScrollMaxY());
            window.draw_contents(log);
            ImGui::End();
        };
        ui.frame([&] {
            ImGui::Begin(title);
            for (const char* node : {"\"event\" : \"n97\"##98", "\"event\" : \"n1\"##2"})
                ImGui::GetStateStorage()->SetInt(ImGui::GetID(node), 1);
            ImGui::End();
        });
        ui.frames(4, draw);
        last_lines = ImGuiHarness::window_lines(title);
        return ImGui::FindWindowByName(title)->ContentSize.y;
    }

    Logger log{100};
    std::vector<std::string> last_lines;
};

TEST_F(LoggerLayoutTest, EntriesOutOfViewKeepTheirPlace) {
    const float all_in_view = content_height(20000, false);
    ASSERT_GT(all_in_view, 2000);
    EXPECT_EQ(content_height(200, false), all_in_view);
    EXPECT_EQ(content_height(200, true), all_in_view);
    ASSERT_GE(last_lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(last_lines.end() - 4, last_lines.end()),
              (std::vector<std::string>{"\"event\" : \"n1\"", "data:", "1", "entry 0"}))
        << testing::PrintToString(last_lines);
}
