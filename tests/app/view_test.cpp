// The view in whole headless frames of the application: the built-in layout
// on a first run (every window in view, none overlapping), windows kept
// inside a smaller display and given back their places, "Reset layout", the
// zoom's shortcuts and buttons, and the zoom and places kept in imgui.ini.
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <SDL_scancode.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/window_keeper.h"
#include "app/zoom_style.h"
#include "regfile/register_file.h"
#include "support/imgui_harness.h"
#include "support/temp_dir.h"
#include "view/window_layout.h"
#include "view/zoom.h"

namespace layout {
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << ", " << b.y << ") " << b.w << " x " << b.h;
}
} // namespace layout

namespace {

using layout::Box;

const ImVec2 hd(1280, 720);

bool near(const Box& a, const Box& b) {
    return std::fabs(a.x - b.x) <= 1 && std::fabs(a.y - b.y) <= 1 && std::fabs(a.w - b.w) <= 1 &&
           std::fabs(a.h - b.h) <= 1;
}

// A window's place: where it is and its full size.
std::optional<Box> place_of(const char* title) {
    const ImGuiWindow* w = ImGui::FindWindowByName(title);
    if (w == nullptr)
        return std::nullopt;
    return Box{w->Pos.x, w->Pos.y, w->SizeFull.x, w->SizeFull.y};
}

// What a window drawn in the last frame covers: its title bar when collapsed.
std::optional<Box> covered(const char* title) {
    const ImGuiWindow* w = ImGui::FindWindowByName(title);
    if (w == nullptr || !w->WasActive)
        return std::nullopt;
    return Box{w->Pos.x, w->Pos.y, w->Size.x, w->Size.y};
}

bool collapsed(const char* title) {
    const ImGuiWindow* w = ImGui::FindWindowByName(title);
    return w != nullptr && w->Collapsed;
}

// The application's frames in a headless context of the given display,
// with the font rebuilt between frames when the zoom changes, as the frame
// loop does. ini, when given, is the settings file read at start.
class ViewFrames {
  public:
    explicit ViewFrames(ImVec2 display = hd, const std::string& ini = "") : ui(display) {
        if (!ini.empty()) {
            ini_path = dir.write("imgui.ini", ini);
            ImGui::GetIO().IniFilename = ini_path.c_str();
        }
        app = std::make_unique<App>([] { return 0u; });
        app->show_another_window = true; // every window of the table that exists is drawn
        app->regfile = load_description(QUARRIN_SOURCE_DIR "/architectures/isa4.toml").regfile;
    }
    ~ViewFrames() {
        app.reset();
        ImGui::GetIO().IniFilename = nullptr; // the test writes it when it wants to
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            if (app->zoom_percent() != zoom) {
                zoom = app->zoom_percent();
                apply_zoom_style(zoom);
            }
            ui.frame(draw);
        }
    }
    void resize(ImVec2 display) {
        ImGui::GetIO().DisplaySize = display;
        frames(3);
    }
    // Holds Ctrl (and Shift) with the key at scancode for a frame.
    void shortcut(int scancode, bool shift = false) {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyCtrl = true;
        io.KeyShift = shift;
        io.KeysDown[scancode] = true;
        frames(1);
        io.KeysDown[scancode] = false;
        io.KeyCtrl = io.KeyShift = false;
        frames(2);
    }
    // Clicks an item of a menu of the main menu bar.
    void menu_item(const char* menu, const char* item) {
        ui.press("##MainMenuBar", {"##menubar", menu}, draw);
        const ImGuiWindow* popup = ImGui::FindWindowByName("##Menu_00");
        ASSERT_NE(popup, nullptr) << menu << " did not open";
        ui.press(ImHashStr(item, 0, popup->ID), draw);
        frames(2);
    }
    void press_bar_button(const char* label) {
        ui.press("##MainMenuBar", {"##menubar", label}, draw);
        frames(2);
    }

    // The built-in place of a window in the current display and zoom.
    static Box built_in(const layout::WindowPlace& place) {
        return layout::window_box(place, WindowKeeper::area(), WindowKeeper::title_bar());
    }

    TempDir dir;
    std::string ini_path;
    ImGuiHarness ui;
    std::unique_ptr<App> app;
    int zoom = zoom::default_percent;
    const ImGuiHarness::Draw draw = [this] {
        app->drain();
        app->draw();
    };
};

// "Local Isa4" is drawn by a window that may not be there yet; every other
// window of the table is drawn by the application.
bool may_be_missing(const char* title) {
    return std::string(title) == "Local Isa4";
}

TEST(FirstRun, EveryWindowIsInViewAndNoneOverlapAt1280x720) {
    ViewFrames f;
    f.frames(3);
    const Box area = WindowKeeper::area();
    EXPECT_EQ(area.y, 19.0f) << "below a menu bar as high as a title bar";
    std::vector<std::pair<const char*, Box>> shown;
    for (size_t i = 0; i < layout::place_count; ++i) {
        const char* title = layout::places[i].title;
        const std::optional<Box> box = covered(title);
        if (!box) {
            EXPECT_TRUE(may_be_missing(title)) << title << " is not drawn";
            continue;
        }
        EXPECT_TRUE(layout::inside(*box, area)) << title << " at " << *box;
        EXPECT_EQ(collapsed(title), layout::places[i].collapsed) << title;
        for (const auto& [other, other_box] : shown)
            EXPECT_FALSE(layout::overlap(*box, other_box)) << title << " and " << other;
        shown.emplace_back(title, *box);
    }
    EXPECT_GE(shown.size(), layout::place_count - 1);
}

// A window the application draws without a place in the table would start
// wherever Dear ImGui puts it.
TEST(FirstRun, EveryWindowDrawnHasABuiltInPlace) {
    ViewFrames f;
    f.frames(3);
    const ImGuiWindowFlags inner =
        ImGuiWindowFlags_ChildWindow | ImGuiWindowFlags_Popup | ImGuiWindowFlags_Tooltip;
    for (const ImGuiWindow* w : ImGui::GetCurrentContext()->Windows) {
        if (!w->WasActive || (w->Flags & inner) != 0)
            continue;
        const std::string name = w->Name;
        if (name == "##MainMenuBar" || name == "Debug##Default")
            continue;
        EXPECT_NE(layout::place_of(name), nullptr) << "\"" << name << "\" has no place";
    }
}

TEST(Resize, TitleBarsStayInsideAt800x500AndThePlacesComeBackAt1280x720) {
    ViewFrames f;
    f.frames(3);
    std::vector<Box> first;
    for (size_t i = 0; i < layout::place_count; ++i)
        first.push_back(place_of(layout::places[i].title).value_or(Box{}));

    f.resize(ImVec2(800, 500));
    const Box small = WindowKeeper::area();
    const float bar = WindowKeeper::title_bar();
    for (size_t i = 0; i < layout::place_count; ++i) {
        const char* title = layout::places[i].title;
        const std::optional<Box> box = covered(title);
        if (!box)
            continue;
        const Box title_bar{box->x, box->y, box->w, bar};
        EXPECT_TRUE(layout::inside(title_bar, small)) << title << " at " << *box;
        EXPECT_TRUE(layout::inside(*box, small)) << title << " at " << *box;
    }

    f.resize(hd);
    for (size_t i = 0; i < layout::place_count; ++i) {
        const char* title = layout::places[i].title;
        if (covered(title)) {
            EXPECT_TRUE(near(*place_of(title), first[i])) << title << " at " << *place_of(title);
        }
    }
}

// A window the user moved follows the display in proportion, and is moved
// inside when it would be cut off.
TEST(Resize, AMovedWindowFollowsInProportionAndStaysInside) {
    ViewFrames f;
    f.frames(3);
    ImGui::SetWindowPos("Logger", ImVec2(900, 400));
    f.frames(2);
    f.resize(ImVec2(640, 360));
    const Box logger = *covered("Logger");
    EXPECT_TRUE(layout::inside(logger, WindowKeeper::area())) << logger;
    f.resize(hd);
    EXPECT_EQ(place_of("Logger")->x, 900.0f);
}

struct ResetCase {
    const char* name;
    void (*ask)(ViewFrames&);
};

void PrintTo(const ResetCase& c, std::ostream* os) {
    *os << c.name;
}

class ResetLayout : public testing::TestWithParam<ResetCase> {};

TEST_P(ResetLayout, PutsEveryWindowBackShownOrNot) {
    ViewFrames f;
    f.frames(3);
    ImGui::SetWindowPos("nng", ImVec2(700, 400));
    ImGui::SetWindowSize("Register file", ImVec2(900, 650));
    ImGui::SetWindowCollapsed("Logger", true);
    ImGui::SetWindowCollapsed("Isa4 reference", false);
    ImGui::SetWindowPos("Another Window", ImVec2(1100, 600));
    f.frames(2);
    f.app->show_another_window = false; // hidden while the layout is reset
    f.frames(2);

    GetParam().ask(f);
    f.app->show_another_window = true;
    f.frames(2);
    for (size_t i = 0; i < layout::place_count; ++i) {
        const layout::WindowPlace& place = layout::places[i];
        if (may_be_missing(place.title) && !covered(place.title))
            continue;
        EXPECT_TRUE(near(*place_of(place.title), ViewFrames::built_in(place)))
            << place.title << " at " << *place_of(place.title);
        EXPECT_EQ(collapsed(place.title), place.collapsed) << place.title;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ResetLayout,
    testing::Values(ResetCase{"shortcut", [](ViewFrames& f) { f.shortcut(SDL_SCANCODE_L, true); }},
                    ResetCase{"menu", [](ViewFrames& f) { f.menu_item("View", "Reset layout"); }}),
    [](const testing::TestParamInfo<ResetCase>& info) { return std::string(info.param.name); });

struct ZoomCase {
    const char* name;
    std::vector<int> keys; // scancodes pressed with Ctrl, in order
    int expected;
};

void PrintTo(const ZoomCase& c, std::ostream* os) {
    *os << c.name;
}

class ZoomShortcuts : public testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomShortcuts, StepTheZoom) {
    ViewFrames f;
    f.frames(2);
    for (int key : GetParam().keys)
        f.shortcut(key);
    EXPECT_EQ(f.app->zoom_percent(), GetParam().expected);
    // The font is rasterised at the step's size and the layout follows it.
    EXPECT_EQ(ImGui::GetFontSize(), zoom::font_pixels(GetParam().expected));
    EXPECT_TRUE(near(*place_of("nng"), ViewFrames::built_in(*layout::place_of("nng"))));
}

constexpr int plus = SDL_SCANCODE_EQUALS, minus = SDL_SCANCODE_MINUS, zero = SDL_SCANCODE_0;

INSTANTIATE_TEST_SUITE_P(
    Keys, ZoomShortcuts,
    testing::Values(ZoomCase{"in_once", {plus}, 125}, ZoomCase{"in_and_out", {plus, minus}, 100},
                    ZoomCase{"in_past_the_top", {plus, plus, plus, plus, plus, plus, plus}, 300},
                    ZoomCase{"out_below_100", {minus}, 100},
                    ZoomCase{"back_to_100", {plus, plus, plus, zero}, 100},
                    ZoomCase{"keypad", {SDL_SCANCODE_KP_PLUS, SDL_SCANCODE_KP_PLUS}, 150}),
    [](const testing::TestParamInfo<ZoomCase>& info) { return std::string(info.param.name); });

TEST(Zoom, KeysWithoutCtrlTypeInsteadOfZooming) {
    ViewFrames f;
    f.frames(2);
    ImGuiIO& io = ImGui::GetIO();
    io.KeysDown[plus] = true;
    f.frames(1);
    io.KeysDown[plus] = false;
    f.frames(1);
    EXPECT_EQ(f.app->zoom_percent(), 100);
}

TEST(Zoom, TheMenuBarButtonsAndItemsStepIt) {
    ViewFrames f;
    f.frames(2);
    f.press_bar_button("+");
    f.press_bar_button("+");
    EXPECT_EQ(f.app->zoom_percent(), 150);
    f.press_bar_button("-");
    EXPECT_EQ(f.app->zoom_percent(), 125);
    f.menu_item("View", "Zoom in");
    EXPECT_EQ(f.app->zoom_percent(), 150);
    f.menu_item("View", "Actual size (100%)");
    EXPECT_EQ(f.app->zoom_percent(), 100);
}

// Text drawn at a zoom is read back from the rebuilt font's glyphs; on a 4K
// display the built-in layout leaves room for it at every step.
TEST(Zoom, WindowsShowTheirTextAtEveryStep) {
    ViewFrames f(ImVec2(3840, 2160));
    f.frames(2);
    for (int step : zoom::steps) {
        SCOPED_TRACE(step);
        while (f.app->zoom_percent() < step)
            f.shortcut(plus);
        EXPECT_NE(ImGuiHarness::window_text("nng").find("Connect"), std::string::npos)
            << ImGuiHarness::window_text("nng");
    }
}

TEST(Zoom, HelpOpensTheReference) {
    ViewFrames f;
    f.frames(2);
    ASSERT_TRUE(collapsed("Isa4 reference"));
    f.menu_item("Help", "Isa4 reference");
    EXPECT_FALSE(collapsed("Isa4 reference"));
    EXPECT_NE(ImGuiHarness::window_text("Isa4 reference").find("First steps"), std::string::npos);
}

struct SavedZoom {
    const char* name;
    const char* section;
    int expected;
};

void PrintTo(const SavedZoom& c, std::ostream* os) {
    *os << c.name;
}

class ZoomInSettings : public testing::TestWithParam<SavedZoom> {};

TEST_P(ZoomInSettings, IsReadBeforeTheFirstFrame) {
    const std::string ini = std::string(GetParam().section) +
                            "\n[Window][nng]\nPos=500,300\nSize=300,200\nCollapsed=0\n\n";
    ViewFrames f(hd, ini);
    EXPECT_EQ(f.app->zoom_percent(), GetParam().expected);
    f.frames(3);
    EXPECT_EQ(ImGui::GetFontSize(), zoom::font_pixels(GetParam().expected));
    // The file's place wins over the built-in one; the others are built in.
    EXPECT_TRUE(near(*place_of("nng"), Box{500, 300, 300, 200})) << *place_of("nng");
    EXPECT_TRUE(near(*place_of("Logger"), ViewFrames::built_in(*layout::place_of("Logger"))));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ZoomInSettings,
    testing::Values(SavedZoom{"a_step", "[Quarrin][View]\nZoom=175\n", 175},
                    SavedZoom{"between_steps", "[Quarrin][View]\nZoom=140\n", 150},
                    SavedZoom{"too_large", "[Quarrin][View]\nZoom=1000\n", 300},
                    SavedZoom{"not_a_number", "[Quarrin][View]\nZoom=big\n", 100},
                    SavedZoom{"other_entry", "[Quarrin][Other]\nZoom=200\n", 100},
                    SavedZoom{"none", "", 100}),
    [](const testing::TestParamInfo<SavedZoom>& info) { return std::string(info.param.name); });

TEST(ZoomInSettingsFile, ChangedZoomAndPlacesAreWrittenBack) {
    std::string saved;
    {
        ViewFrames f(hd, "[Quarrin][View]\nZoom=125\n");
        f.frames(2);
        f.shortcut(plus);
        ImGui::SaveIniSettingsToDisk(f.ini_path.c_str());
        std::ifstream file(f.ini_path);
        saved.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(saved.find("[Quarrin][View]\nZoom=150\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Window][Logger]\n"), std::string::npos) << saved;

    // The next run starts at 150%, with the windows where they were.
    ViewFrames next(hd, saved);
    EXPECT_EQ(next.app->zoom_percent(), 150);
    next.frames(3);
    EXPECT_TRUE(near(*place_of("Logger"), ViewFrames::built_in(*layout::place_of("Logger"))));
}

// The frame loop hands a change of zoom to the platform between two frames.
class RecordingPlatform : public FramePlatform {
  public:
    PolledEvents poll_events() override { return {++polls > 4, false}; }
    void wait_events(std::chrono::microseconds) override {}
    void new_frame() override {
        calls.push_back("frame");
        ImGui::NewFrame();
    }
    void present(const float*) override { ImGui::Render(); }
    int refresh_hz() override { return 0; }
    std::chrono::microseconds now() override { return clock += std::chrono::milliseconds(20); }
    void sleep_for(std::chrono::microseconds) override {}
    void set_zoom(int percent) override { calls.push_back("zoom " + std::to_string(percent)); }

    int polls = 0;
    std::chrono::microseconds clock{0};
    std::vector<std::string> calls;
};

class ZoomingContent : public FrameContent {
  public:
    void draw() override {
        if (++frames == 2)
            zoom = 200; // asked for in the second frame
    }
    const float* background() const override { return colour; }
    int zoom_percent() const override { return zoom; }

    int frames = 0;
    int zoom = 100;
    float colour[4] = {};
};

TEST(FrameLoop, AppliesAZoomChangeBeforeTheNextFrame) {
    ImGuiHarness ui;
    RecordingPlatform platform;
    ZoomingContent content;
    run_frame_loop(platform, content);
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"frame", "frame", "zoom 200", "frame", "frame", "frame"}));
}

} // namespace
