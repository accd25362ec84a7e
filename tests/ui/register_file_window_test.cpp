#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "regfile/register_file.h"
#include "support/imgui_harness.h"
#include "support/peer_link.h"
#include "support/temp_dir.h"
#include "ui/register_file_window.h"
#include "ui/widgets.h"

namespace {

constexpr const char* title = "Register file";

constexpr const char* description = R"(
[main]
name = 'toy'
fullname = 'Toy accumulator machine'

[regfile]
name = 'regs'

[[registers]]
name = 'Accumulator'
abbr = 'ACC'
range = [0, 255]

[[registers]]
name = 'Bank'
abbr = 'BNK'
range = [1, 10]

[[registers]]
name = 'Cycle counter'
abbr = 'CYC'
type = 'readonly'
component = 'clock'

[[registers]]
name = 'Scratch'
abbr = 'TMP'
hidden = true

[[registers]]
name = 'Word'
abbr = 'WRD'
range = [0, 2147483648, 4294967295]

[[registers]]
name = 'Wide'
abbr = 'WID'
range = [0, 1099511627775]
)";

enum Index : uint64_t { ACC, BNK, CYC, TMP, WRD, WID };

nlohmann::json write_event(uint64_t register_number, uint64_t value) {
    return {{"message_type", "event"},
            {"message_sub_type", "write"},
            {"destination", "toy.regs"},
            {"data", {{"register_number", register_number}, {"value", value}}}};
}

// A register file loaded from a description file, drawn by its window.
class RegisterFileWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        regfile = load_description(dir.write("toy.toml", description)).regfile;
        ui.frames(2, draw);
    }

    std::string text() const { return ImGuiHarness::window_text(title); }
    bool shows(const std::string& s) const { return text().find(s) != std::string::npos; }

    TempDir dir;
    ImGuiHarness ui;
    Logger log{100};
    PeerLink link{log};
    std::unique_ptr<RegisterFile> regfile;
    RegisterFileWindow window;
    ImGuiHarness::Draw draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(900, 600)); // room for 16 hexadecimal digits
        window.draw(*regfile, link.sender);
    };
};

TEST_F(RegisterFileWindowTest, ShowsVisibleRegistersAndSendsNothingUnedited) {
    ui.frames(3, draw);
    EXPECT_TRUE(shows("Arch: Toy accumulator machine")) << text();
    for (const char* abbr : {"ACC", "BNK", "CYC", "WRD", "WID"})
        EXPECT_TRUE(shows(abbr)) << abbr << "\n" << text();
    EXPECT_FALSE(shows("TMP")) << text();
    size_t markers = 0;
    const std::string shown = text();
    for (size_t at = shown.find("(?)"); at != std::string::npos; at = shown.find("(?)", at + 1))
        ++markers;
    EXPECT_EQ(markers, 5u); // none for the hidden register
    // Bit 31 set in a 0..2^32-1 range: shown as it is, never rewritten to min.
    EXPECT_TRUE(shows("80000000")) << text();
    EXPECT_EQ(regfile->registers[WRD].value, 0x80000000u);
    EXPECT_TRUE(link.received().empty());
}

// A description longer than the window is wide wraps instead of being cut
// at the window's edge.
TEST_F(RegisterFileWindowTest, LongDescriptionIsShownWhole) {
    regfile->fullname = "Toy accumulator machine, with a description far longer than the "
                        "narrow window it is shown in, ending here";
    const ImGuiHarness::Draw narrow = [this] {
        ImGui::SetNextWindowSize(ImVec2(300, 600));
        window.draw(*regfile, link.sender);
    };
    ui.frames(3, narrow);
    std::string shown = text();
    for (char& c : shown)
        if (c == '\n')
            c = ' ';
    EXPECT_NE(shown.find("Arch: " + regfile->fullname), std::string::npos) << text();
}

struct StepCase {
    Index reg;
    uint64_t stored;
    const char* button;
    std::optional<uint64_t> sent;
};

TEST_F(RegisterFileWindowTest, StepButtonsWrapAndSendOnlyChanges) {
    const std::vector<StepCase> cases = {
        {ACC, 5, "+", 6},
        {ACC, 255, "+", 0},
        {ACC, 0, "-", std::nullopt}, // wraps back onto the stored 0
        {BNK, 1, "-", 10},
        {CYC, 5, "+", std::nullopt}, // read-only
        {WRD, 0x80000000, "+", 0x80000001},
        {WRD, 0xFFFFFFFF, "+", 0},
        {WID, 0xFFFFFFFFFF, "+", 0},
        {WID, 0x100000000, "-", 0xFFFFFFFF},
    };
    for (const StepCase& c : cases) {
        const Register& reg = regfile->registers[c.reg];
        SCOPED_TRACE(reg.abbr + " " + std::to_string(c.stored) + " " + c.button);
        ASSERT_TRUE(regfile->apply_write(c.reg, c.stored));
        ui.frame(draw);
        ui.press(title, {reg.abbr.c_str(), c.button}, draw);
        const std::vector<nlohmann::json> sent = link.received();
        if (c.sent)
            EXPECT_EQ(sent, (std::vector<nlohmann::json>{write_event(c.reg, *c.sent)}));
        else
            EXPECT_TRUE(sent.empty()) << sent.size();
        EXPECT_EQ(reg.value, c.stored); // changes only when the back end answers
    }
}

TEST_F(RegisterFileWindowTest, StoredValueOutsideTheRangeStaysUntilEdited) {
    ASSERT_TRUE(regfile->apply_write(ACC, 0x12C));
    ui.frames(3, draw);
    EXPECT_TRUE(shows("0000012C")) << text();
    EXPECT_TRUE(link.received().empty());
    ui.press(title, {"ACC", "+"}, draw); // 12D is above 255: wraps to 0
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(ACC, 0)}));
}

// While a field is being typed into, the widget hands its text back every
// frame; that is one edit, sent once. Typing the same value again later, with
// the stored value not yet changed, is a new edit.
TEST_F(RegisterFileWindowTest, TypedValueIsSentOncePerEdit) {
    ui.type(title, {"ACC"}, "7F", draw);
    ui.frames(2, draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(ACC, 0x7F)}));
    ui.type(title, {"ACC"}, "7F", draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(ACC, 0x7F)}));
    EXPECT_EQ(regfile->registers[ACC].value, 0u);
}

// A field typed into key by key sends nothing while the keys come, and once
// what was typed when the user presses Enter or leaves the field; Escape
// sends nothing.
TEST_F(RegisterFileWindowTest, TypedValueIsSentOnceWhenTheFieldIsLeft) {
    ImGuiIO& io = ImGui::GetIO();
    const auto type_keys = [&](const char* field, const std::string& keys) {
        ImGui::ActivateItem(ImGuiHarness::item(title, {field}));
        ImGui::GetCurrentContext()->NavInputSource = ImGuiInputSource_Keyboard;
        ui.frames(2, draw); // active, its text selected
        for (char key : keys) {
            io.AddInputCharacter(static_cast<unsigned>(key));
            ui.frame(draw);
            EXPECT_TRUE(link.received().empty()) << "sent while typing, after " << key;
        }
    };
    const auto press_key = [&](ImGuiKey key) {
        io.KeysDown[key] = true;
        ui.frame(draw);
        io.KeysDown[key] = false;
        ui.frames(2, draw);
    };

    type_keys("WRD", "123");
    press_key(ImGuiKey_Enter);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(WRD, 0x123)}));

    type_keys("ACC", "7F");
    ImGui::ActivateItem(ImGuiHarness::item(title, {"BNK"})); // on to another field
    ui.frames(3, draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(ACC, 0x7F)}));
    press_key(ImGuiKey_Escape);

    type_keys("ACC", "42");
    press_key(ImGuiKey_Escape);
    EXPECT_EQ(link.received(), std::vector<nlohmann::json>{});
    EXPECT_EQ(regfile->registers[ACC].value, 0u);
}

// The registers the latest event from the back end changed are highlighted
// until the next event.
TEST_F(RegisterFileWindowTest, RegistersTheLatestEventChangedAreHighlighted) {
    const auto highlighted = [] { return ImGuiHarness::window_text_in(title, changed_colour); };
    ui.frame(draw);
    EXPECT_EQ(highlighted(), "");
    EXPECT_TRUE(shows("values in hexadecimal")) << text();

    regfile->apply_write(ACC, 5);
    regfile->apply_update("toy.clock", 9);
    ui.frame(draw);
    const std::string both = highlighted();
    for (const char* part : {"00000005", "ACC", "00000009", "CYC"})
        EXPECT_NE(both.find(part), std::string::npos) << part << "\n" << both;
    EXPECT_EQ(both.find("BNK"), std::string::npos) << both;

    regfile->apply_update("toy.clock", 10); // the next event
    ui.frame(draw);
    EXPECT_EQ(highlighted().find("ACC"), std::string::npos) << highlighted();
    EXPECT_NE(highlighted().find("0000000A"), std::string::npos) << highlighted();
}

TEST_F(RegisterFileWindowTest, RangeBeyond32BitsKeepsAll64Bits) {
    ASSERT_TRUE(regfile->apply_write(WID, 0xFEDCBA9876));
    ui.frame(draw);
    EXPECT_TRUE(shows("FEDCBA9876")) << text();
    ui.type(title, {"WID"}, "123456789A", draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(WID, 0x123456789A)}));
}

// A register table with no keys at all is a visible, writable register
// without a name (and a TOML string may begin with a NUL byte): its field must draw (Dear ImGui
// aborts on an empty label at a window's root) and work like any other.
TEST_F(RegisterFileWindowTest, RegisterWithoutAbbreviationDrawsAndSends) {
    // The second abbreviation begins with a NUL byte: an empty label as well.
    const std::string path =
        dir.write("bare.toml", "[main]\nname = 'toy'\n[regfile]\nname = 'regs'\n"
                               "[[registers]]\n[[registers]]\nabbr = \"\\u0000PC\"\n");
    regfile = load_description(path).regfile;
    ui.frames(3, draw);
    const std::string shown = text();
    const size_t first = shown.find("(?)");
    ASSERT_NE(first, std::string::npos) << shown;
    EXPECT_NE(shown.find("(?)", first + 1), std::string::npos) << "both registers drawn\n" << shown;
    ui.press(title, {"##register1", "+"}, draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{write_event(1, 1)}));
}

// A register file longer than its window: only the fields in view are
// drawn, and the field being edited stays with the edit when it is scrolled
// out of view, so what is typed into it is still sent.
TEST_F(RegisterFileWindowTest, FieldBeingEditedSurvivesScrollingAway) {
    std::string toml = "[main]\nname = 'wide'\n[regfile]\nname = 'regs'\n";
    for (int i = 0; i < 64; ++i)
        toml += "[[registers]]\nabbr = 'R" + std::to_string(i) + "'\nrange = [0, 255]\n";
    regfile = load_description(dir.write("wide.toml", toml)).regfile;
    bool to_bottom = false;
    ImGuiHarness::Draw small = [&] {
        ImGui::SetNextWindowSize(ImVec2(400, 300));
        window.draw(*regfile, link.sender);
        ImGuiWindow* w = ImGui::FindWindowByName(title);
        if (to_bottom)
            ImGui::SetScrollY(w, w->ScrollMax.y);
    };
    ui.frames(3, small);
    EXPECT_TRUE(shows("R1 ")) << text();
    EXPECT_FALSE(shows("R63")) << text();

    const ImGuiID field = ImGuiHarness::item(title, {"R1"});
    ImGui::ActivateItem(field);
    ImGui::GetCurrentContext()->NavInputSource = ImGuiInputSource_Keyboard;
    ui.frames(2, small);
    ASSERT_EQ(ImGui::GetActiveID(), field);
    to_bottom = true;
    ui.frames(3, small);
    EXPECT_TRUE(shows("R63")) << text();
    EXPECT_EQ(ImGui::GetActiveID(), field);

    ImGuiIO& io = ImGui::GetIO();
    io.AddInputCharactersUTF8("2A");
    ui.frame(small);
    io.KeysDown[ImGuiKey_Enter] = true;
    ui.frame(small);
    io.KeysDown[ImGuiKey_Enter] = false;
    ui.frame(small);
    nlohmann::json expected = write_event(1, 0x2A);
    expected["destination"] = "wide.regs";
    EXPECT_EQ(link.received(), std::vector<nlohmann::json>{expected});
}

} // namespace
