// The real quarrin binary: drawn under a private Xvfb server, ended with
// SIGTERM, and started without a usable video driver.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <poll.h>

#include "support/child_process.h"
#include "support/desktop.h"

namespace {

namespace fs = std::filesystem;
using namespace desktop;
using namespace std::chrono_literals;

const fs::path binary = QUARRIN_BINARY;
const fs::path artefact = binary.parent_path() / "artefacts" / "quarrin.png";

// Red, green and blue (0-255) of one pixel of a PNG.
std::optional<std::array<int, 3>> pixel(const fs::path& png, int x, int y) {
    const std::string p = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
    const auto [ok, out] = run("timeout 10 convert '" + png.string() + "' -format '%[fx:int(255*" +
                               p + ".r+0.5)] %[fx:int(255*" + p + ".g+0.5)] %[fx:int(255*" + p +
                               ".b+0.5)]' info: 2>/dev/null");
    std::array<int, 3> rgb{};
    std::istringstream in(out);
    if (!ok || !(in >> rgb[0] >> rgb[1] >> rgb[2]))
        return std::nullopt;
    return rgb;
}

bool near_colour(const std::array<int, 3>& a, const std::array<int, 3>& b) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > 1)
            return false;
    return true;
}

TEST(Binary, DrawsUnderXvfbAndEndsOnSigterm) {
    if (find_program("Xvfb").empty() || find_program("xdotool").empty() ||
        find_program("import").empty())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    Xvfb x;
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    TempDir work;
    ASSERT_FALSE(work.path.empty());

    const std::string env = "DISPLAY=" + x.display + " ";
    // The X11 driver is named so that SDL cannot fall back to an invisible
    // one. Now and then, on a loaded machine, the program cannot open the
    // fresh server's display at its first try; it is then started again
    // (at most three times), and every failed start is reported.
    std::optional<ChildProcess> started;
    bool window_found = false;
    std::string failures;
    for (int attempt = 0; attempt < 3 && !window_found; ++attempt) {
        started.reset();
        started.emplace(ChildProcess::Options{{binary.string()},
                                              {"DISPLAY=" + x.display, "SDL_VIDEODRIVER=x11"},
                                              {},
                                              work.path.string(),
                                              (work.path / "stdout.txt").string()});
        ASSERT_TRUE(started->started());
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!window_found && started->running() && std::chrono::steady_clock::now() < deadline) {
            window_found =
                run(env + "timeout 5 xdotool search --name '^Quarrin$' 2>/dev/null").first;
            if (!window_found)
                std::this_thread::sleep_for(100ms);
        }
        if (!window_found) {
            failures += "start " + std::to_string(attempt + 1) + ": " +
                        (started->running() ? "no window after 20 s" : "ended") +
                        ", stdout: " + read_file(work.path / "stdout.txt") + "\n";
            std::printf("quarrin did not show its window: %s", failures.c_str());
        }
    }
    ASSERT_TRUE(window_found) << failures;
    ChildProcess& quarrin = *started;

    // Drawn once the screen shows the clear colour (0.45, 0.55, 0.60) below
    // the windows: the 1280 x 720 window is centred on the 1280 x 800 screen.
    fs::create_directories(artefact.parent_path());
    const std::array<int, 3> clear_colour = {115, 140, 153};
    bool drawn = false;
    for (int i = 0; i < 50 && !drawn && quarrin.running(); ++i) {
        if (run(env + "timeout 10 import -window root '" + artefact.string() + "' 2>/dev/null")
                .first) {
            const auto rgb = pixel(artefact, 10, 750);
            drawn = rgb && near_colour(*rgb, clear_colour);
        }
        if (!drawn)
            std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(drawn) << "screenshot at " << artefact;

    quarrin.signal(SIGTERM);
    ASSERT_TRUE(quarrin.wait_exit(10s)) << "still running after SIGTERM";
    ASSERT_TRUE(quarrin.exit_status.has_value());
    EXPECT_TRUE(WIFEXITED(*quarrin.exit_status));
    EXPECT_EQ(WEXITSTATUS(*quarrin.exit_status), 0);
    EXPECT_EQ(read_file(work.path / "stdout.txt"), "");

    const std::string ini = read_file(work.path / "imgui.ini");
    for (const char* window :
         {"Hello, world!", "Program ROM view", "RAM view", "Computer Architecture state",
          "(Diss)Assembler", "Breakpoints", "Logger", "nng", "Dear ImGui Demo"})
        EXPECT_NE(ini.find(std::string("[Window][") + window + "]\n"), std::string::npos)
            << window << " in\n"
            << ini;
}

TEST(Binary, WithoutVideoDriverReportsSdlErrorAndFails) {
    TempDir work;
    ASSERT_FALSE(work.path.empty());
    ChildProcess quarrin({{binary.string()},
                          {"SDL_VIDEODRIVER=nonexistent"},
                          {"DISPLAY"},
                          work.path.string(),
                          (work.path / "stdout.txt").string()});
    ASSERT_TRUE(quarrin.wait_exit(10s));
    ASSERT_TRUE(quarrin.exit_status.has_value());
    ASSERT_TRUE(WIFEXITED(*quarrin.exit_status));
    EXPECT_EQ(WEXITSTATUS(*quarrin.exit_status), 255);

    const std::string out = read_file(work.path / "stdout.txt");
    ASSERT_GT(out.size(), std::string("Error: \n").size()) << out;
    EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
    EXPECT_NE(out.find("nonexistent"), std::string::npos) << "SDL names the driver: " << out;
    EXPECT_FALSE(fs::exists(work.path / "imgui.ini")) << "nothing was created";
}

} // namespace
