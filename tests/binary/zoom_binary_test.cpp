// The real quarrin binary zooms: started with a zoom in its imgui.ini, it
// rebuilds its font and the OpenGL texture, steps the zoom on Ctrl+-, and
// writes the new step back when it ends.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "road/desktop_session.h"
#include "support/child_process.h"
#include "support/desktop.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace desktop;
using namespace std::chrono_literals;

TEST(BinaryZoom, StartsAtTheSavedZoomStepsItAndSavesIt) {
    if (find_program("Xvfb").empty() || find_program("xdotool").empty() ||
        find_program("import").empty())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    TempDir work;
    work.write("imgui.ini", "[Quarrin][View]\nZoom=200\n");
    Xvfb x;
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    const fs::path out = work.path / "quarrin.out";
    ChildProcess quarrin({{QUARRIN_BINARY},
                          {"DISPLAY=" + x.display, "SDL_VIDEODRIVER=x11"},
                          {},
                          work.path.string(),
                          out.string()});
    ASSERT_TRUE(quarrin.started());
    const auto window = road::find_window(x.display, quarrin);
    ASSERT_TRUE(window.has_value()) << "no window; stdout: " << read_file(out);
    const road::Desktop desk(x.display, window->first, window->second, work.path);

    // The menu bar is as high as a title bar: 38 px at 200%, 33 at 175%.
    // Below it, at the right end, nothing is drawn but the clear colour.
    const road::Point probe{1275, 36};
    const auto blue_at_probe = [&] {
        const auto picture = desk.capture({0, 0, 1280, 60});
        return picture ? picture->at(probe)[2] : -1;
    };
    ASSERT_TRUE(road::poll_until([&] { return blue_at_probe() >= 0 && blue_at_probe() < 60; },
                                 road::desktop_wait_limit, 100ms))
        << "the menu bar is not 38 px high";

    // The keys are held for a while: the SDL binding loses a key pressed and
    // released within one frame. The pointer over the window gives it the keys.
    const std::string env = "DISPLAY=" + x.display + " ";
    ASSERT_TRUE(desk.click({1100, 700}));
    ASSERT_TRUE(
        run(env + "timeout 10 xdotool keydown ctrl+minus sleep 0.5 keyup ctrl+minus").first);
    EXPECT_TRUE(
        road::poll_until([&] { return blue_at_probe() > 120; }, road::desktop_wait_limit, 100ms))
        << "the menu bar did not shrink";

    quarrin.signal(SIGTERM);
    ASSERT_TRUE(quarrin.wait_exit(20s)) << "still running after SIGTERM";
    ASSERT_TRUE(quarrin.exit_status.has_value());
    EXPECT_TRUE(WIFEXITED(*quarrin.exit_status) && WEXITSTATUS(*quarrin.exit_status) == 0);
    const std::string ini = read_file(work.path / "imgui.ini");
    EXPECT_NE(ini.find("[Quarrin][View]\nZoom=175\n"), std::string::npos) << ini;
}

} // namespace
