#pragma once

// Quarrin's real window on a private X server, driven as a user would: real
// mouse and keyboard events from xdotool, and screenshots read back. Shared
// by the desktop road test and the stream benchmark.
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "road/back_end_process.h"
#include "support/child_process.h"
#include "support/desktop.h"
#include "view/window_layout.h"

namespace road {

namespace fs = std::filesystem;
using desktop::read_file;
using desktop::run;
using namespace std::chrono_literals;

// Per step of a session; software OpenGL on a busy machine.
constexpr auto desktop_wait_limit = std::chrono::seconds(60);

struct Point {
    int x, y;
};
struct Rect {
    int x, y, w, h;
};

// The built-in layout at 1280 x 720 and 100%: the windows' places come from
// its table, below the 19 px menu bar. In Dear ImGui's default style a
// window's first widget row starts 27 px below its top (19 px title bar, 8 px
// padding) and rows are 23 px apart (19 px frames, 4 px spacing); the points
// are the middles of the widgets, at offsets from their window.
namespace screen {
inline Rect window(const char* title) {
    const ::layout::Box box =
        ::layout::window_box(*::layout::place_of(title), {0, 19, 1280, 701}, 19);
    return {static_cast<int>(box.x), static_cast<int>(box.y), static_cast<int>(box.w),
            static_cast<int>(box.h)};
}
inline Point in(const Rect& w, int dx, int dy) {
    return {w.x + dx, w.y + dy};
}
// "nng": address, Connect, Architecture, Select.
inline const Rect nng = window("nng");
inline const Point address = in(nng, 130, 37);
inline const Point connect = in(nng, 36, 60);
inline const Point select = in(nng, 33, 106);
// "Register file": Arch, then r0..rf, pc, z, cycles. Its rows start below
// the "Arch:" line, which isa4's description wraps to two lines of 17 px in
// this column, and the 17 px "values in hexadecimal" line; a field takes 65 %
// of the window's width, its "-" and "+" buttons (19 px, 4 px apart)
// included, so r1's "-" starts 42 px before that width ends.
inline const Rect register_file = window("Register file");
inline const Point r1_minus_edge =
    in(register_file, 8 + register_file.w * 65 / 100 - 42 + 3, 27 + 2 * 17 + 17 + 23 + 9);
// "Computer Architecture state": Clocks, then Reset CPU, Step, Run.
inline const Rect cpu_state = window("Computer Architecture state");
inline const Point step = in(cpu_state, 104, 60);
// "Program ROM view": below its 200 px listing, the Filename row, Save ROM /
// Load ROM, Send ROM / Clear All.
inline const Rect rom_view = window("Program ROM view");
inline const Point rom_filename = in(rom_view, 150, 355);
inline const Point load_rom = in(rom_view, 111, 379);
inline const Point send_rom = in(rom_view, 40, 401);
// The left edges of the two buttons of "nng", away from their labels'
// glyphs: what the wait for a drawn button looks at.
inline const Point connect_edge = in(nng, 10, 60);
inline const Point select_edge = in(nng, 10, 106);
// Empty space in "Computer Architecture state": a click there does nothing.
inline const Point rest = in(cpu_state, 200, 80);
} // namespace screen

// Red, green and blue of every pixel of a screenshot, as a binary PPM.
struct Picture {
    int width = 0, height = 0;
    std::string rgb;

    std::array<int, 3> at(Point p) const {
        const size_t i = (static_cast<size_t>(p.y) * width + p.x) * 3;
        if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height || i + 2 >= rgb.size())
            return {-1, -1, -1};
        return {static_cast<unsigned char>(rgb[i]), static_cast<unsigned char>(rgb[i + 1]),
                static_cast<unsigned char>(rgb[i + 2])};
    }
};

inline std::optional<Picture> read_ppm(const fs::path& path) {
    std::istringstream in(read_file(path));
    std::string magic;
    int maxval = 0;
    Picture p;
    if (!(in >> magic >> p.width >> p.height >> maxval) || magic != "P6" || maxval != 255)
        return std::nullopt;
    in.get(); // the single white space before the pixels
    p.rgb.assign(std::istreambuf_iterator<char>(in), {});
    if (p.rgb.size() != static_cast<size_t>(p.width) * p.height * 3)
        return std::nullopt;
    return p;
}

// The default style's buttons are blue over the dark window background,
// (39, 73, 114); the screen's clear colour (115, 140, 153) is not.
inline bool button_colour(const std::array<int, 3>& rgb) {
    return rgb[2] > rgb[0] + 60;
}

class Desktop {
  public:
    Desktop(std::string display, std::string window, Point origin, fs::path dir)
        : env("DISPLAY=" + display + " "), window(std::move(window)), origin(origin),
          dir(std::move(dir)) {}

    bool click(Point p) const {
        return xdotool("mousemove --window " + window + " " + std::to_string(p.x) + " " +
                       std::to_string(p.y) + " sleep 0.2 click 1");
    }
    // Clicks into a text field, selects its text and types over it. The keys
    // are held for a while: quarrin's SDL binding loses a key pressed and
    // released within one frame. Typed text arrives as text input, which is
    // queued, so it is never lost.
    bool type_into(Point field, const std::string& text) const {
        return click(field) && xdotool("keydown ctrl+a sleep 0.5 keyup ctrl+a") &&
               xdotool("type --delay 20 '" + text + "'");
    }

    // The Quarrin window as it is on the screen now, or part of it.
    std::optional<Picture> capture(Rect r = {0, 0, 1280, 720}) const {
        const fs::path ppm = dir / "capture.ppm";
        const std::string crop = std::to_string(r.w) + "x" + std::to_string(r.h) + "+" +
                                 std::to_string(origin.x + r.x) + "+" +
                                 std::to_string(origin.y + r.y);
        if (!run(env + "timeout 20 import -window root -crop " + crop + " +repage -depth 8 '" +
                 ppm.string() + "' 2>/dev/null")
                 .first)
            return std::nullopt;
        return read_ppm(ppm);
    }
    // Waits until the pixel at p (window coordinates) shows a button.
    bool wait_for_button(Point p) const {
        return road::poll_until(
            [&] {
                const auto picture = capture();
                return picture && button_colour(picture->at(p));
            },
            desktop_wait_limit, 100ms);
    }
    // Waits until two captures in a row are the same, then writes that one as a PNG.
    bool save_when_still(Rect r, const fs::path& png) const {
        std::optional<Picture> last = capture(r);
        const bool still = road::poll_until(
            [&] {
                std::optional<Picture> now = capture(r);
                const bool same = now && last && now->rgb == last->rgb;
                last = std::move(now);
                return same;
            },
            desktop_wait_limit, 50ms);
        if (!still || !last)
            return false;
        const fs::path ppm = dir / "still.ppm";
        std::ofstream(ppm, std::ios::binary) << "P6\n"
                                             << last->width << " " << last->height << "\n255\n"
                                             << last->rgb;
        return run("timeout 20 convert '" + ppm.string() + "' -strip '" + png.string() + "'").first;
    }

    // Clicks a button until the back end has received count envelopes. The
    // frame loop's sends give up after a few milliseconds; on a busy machine
    // one can be lost ("nng error: Timed out" in the Logger), and the user
    // clicks again. Returns the number of clicks, 0 when none got through.
    int click_until_received(Point button, const road::BackEndProcess& back_end,
                             size_t count) const {
        for (int clicks = 1; clicks <= 3; ++clicks)
            if (click(button) && back_end.wait_received(count, 20s))
                return clicks;
        return 0;
    }

    // The window as it is now, as a PNG at png; false when it cannot be taken.
    bool save(const fs::path& png) const {
        const fs::path ppm = dir / "capture.ppm";
        return capture() &&
               run("timeout 20 convert '" + ppm.string() + "' -strip '" + png.string() + "'").first;
    }

  private:
    bool xdotool(const std::string& args) const {
        return run(env + "timeout 10 xdotool " + args + " 2>/dev/null").first;
    }

    std::string env;
    std::string window;
    Point origin; // of the Quarrin window on the screen
    fs::path dir;
};

// Waits for the X window named "Quarrin"; gives its id and top-left corner.
inline std::optional<std::pair<std::string, Point>> find_window(const std::string& display,
                                                                ChildProcess& quarrin) {
    const std::string env = "DISPLAY=" + display + " ";
    std::string id;
    road::poll_until(
        [&] {
            const auto [found, out] =
                run(env + "timeout 5 xdotool search --name '^Quarrin$' 2>/dev/null");
            if (found)
                id = out.substr(0, out.find('\n'));
            return found || !quarrin.running();
        },
        desktop_wait_limit, 100ms);
    if (id.empty())
        return std::nullopt;
    const auto [ok, geometry] =
        run(env + "timeout 5 xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
    Point origin{-1, -1};
    std::istringstream lines(geometry);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("X=", 0) == 0)
            origin.x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0)
            origin.y = std::stoi(line.substr(2));
    }
    if (!ok || origin.x < 0 || origin.y < 0)
        return std::nullopt;
    return std::make_pair(id, origin);
}

} // namespace road
