// The whole road with the real programs: quarrin on a private X server with
// its built-in window layout (a first run), the back end process, and
// real mouse and keyboard events from xdotool. Connect, Select, a ROM image
// loaded and sent, three steps; then what both sides received, and a picture
// of the register file.
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arch/memory_image.h"
#include "link/envelope.h"
#include "road/back_end_process.h"
#include "road/desktop_session.h"
#include "road/isa4_program.h"
#include "support/child_process.h"
#include "support/desktop.h"

namespace {

namespace fs = std::filesystem;
using namespace desktop;
using namespace road;
using namespace std::chrono_literals;
using nlohmann::json;

constexpr auto wait_limit = desktop_wait_limit;

const std::vector<uint32_t> program = {road::addi(1, 0, 5), road::add(2, 1, 1),
                                       road::addi(3, 2, 0xFB)};

// For failure messages: the window as it is now, kept as an artefact.
std::string keep(const Desktop& desk, const std::string& name) {
    const fs::path png = fs::path(QUARRIN_ARTEFACT_DIR) / ("road-failure-" + name + ".png");
    std::error_code ignored;
    fs::create_directories(png.parent_path(), ignored);
    return desk.save(png) ? " (the window then: " + png.string() + ")" : "";
}

TEST(DesktopRoad, ConnectSelectSendRomAndStepWithRealInput) {
    if (find_program("Xvfb").empty() || find_program("xdotool").empty() ||
        find_program("import").empty() || find_program("convert").empty())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    TempDir work;
    ASSERT_FALSE(work.path.empty());
    std::array<uint32_t, 256> rom{};
    for (size_t a = 0; a < program.size(); ++a)
        rom[a] = program[a];
    save_rom_image((work.path / "road.rom").c_str(), rom);

    road::BackEndProcess back_end(work.path);
    ASSERT_TRUE(back_end.listening) << back_end.errors();
    Xvfb x;
    ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
    const fs::path quarrin_out = work.path / "quarrin.out";
    ChildProcess quarrin({{QUARRIN_BINARY},
                          {"DISPLAY=" + x.display},
                          {"SDL_VIDEODRIVER"},
                          work.path.string(),
                          quarrin_out.string()});
    ASSERT_TRUE(quarrin.started());
    const auto window = find_window(x.display, quarrin);
    ASSERT_TRUE(window.has_value()) << "no window; stdout: " << read_file(quarrin_out);
    const Desktop desk(x.display, window->first, window->second, work.path);

    // Drawn with the built-in layout once "Connect" is where the layout puts it.
    ASSERT_TRUE(desk.wait_for_button(screen::connect_edge))
        << "layout not applied" << keep(desk, "layout");

    // Connect: the back end is asked for its list.
    ASSERT_TRUE(desk.type_into(screen::address, back_end.url));
    int clicks = desk.click_until_received(screen::connect, back_end, 1);
    ASSERT_GT(clicks, 0) << back_end.errors() << keep(desk, "connect");
    EXPECT_EQ(clicks, 1) << "Connect clicked again";

    // Select, once the list has arrived and the button is drawn; isa4 is the first name.
    ASSERT_TRUE(desk.wait_for_button(screen::select_edge))
        << "no Select button" << keep(desk, "list");
    clicks = desk.click_until_received(screen::select, back_end, 2);
    ASSERT_GT(clicks, 0) << back_end.errors() << keep(desk, "select");
    if (clicks > 1)
        std::cout << "Select clicked " << clicks << " times: a send timed out\n";
    ASSERT_TRUE(desk.wait_for_button(screen::r1_minus_edge))
        << "no register file" << keep(desk, "load");

    // The ROM image from the working directory, then to the back end.
    ASSERT_TRUE(desk.type_into(screen::rom_filename, "road.rom"));
    ASSERT_TRUE(desk.click(screen::load_rom));
    clicks = desk.click_until_received(screen::send_rom, back_end, 3);
    ASSERT_GT(clicks, 0) << back_end.errors() << keep(desk, "send");
    if (clicks > 1)
        std::cout << "Send ROM clicked " << clicks << " times: a send timed out\n";

    // Steps, each reported back as events that quarrin prints; the cycle
    // count comes last.
    std::vector<json> expected_events;
    const uint64_t written[] = {5, 10, 5}; // r1, r2, r3
    for (uint64_t n = 1; n <= program.size(); ++n) {
        SCOPED_TRACE("step " + std::to_string(n));
        expected_events.push_back(envelope::register_value("isa4.regs", n, written[n - 1]));
        expected_events.push_back(envelope::counter_update("isa4.pc", n - 1));
        expected_events.push_back(envelope::counter_update("isa4.cycles", n));
        clicks = desk.click_until_received(screen::step, back_end, 3 + n);
        ASSERT_GT(clicks, 0) << back_end.errors() << keep(desk, "step");
        if (clicks > 1)
            std::cout << "Step clicked " << clicks << " times: a send timed out\n";
        ASSERT_TRUE(road::poll_until(
            [&] { return road::json_lines(quarrin_out).size() >= expected_events.size(); },
            wait_limit))
            << read_file(quarrin_out);
    }

    // The register file as the user sees it now, kept as an artefact.
    // Under Xvfb the pointer's position reaches Dear ImGui only with a button
    // event, so a click on empty space takes the hover highlight off "Step".
    ASSERT_TRUE(desk.click(screen::rest));
    const fs::path artefacts = QUARRIN_ARTEFACT_DIR;
    fs::create_directories(artefacts);
    EXPECT_TRUE(desk.save_when_still(screen::register_file, artefacts / "road.png"));
    EXPECT_TRUE(desk.save_when_still({0, 0, 1280, 720}, artefacts / "road-window.png"));

    quarrin.signal(SIGTERM);
    ASSERT_TRUE(quarrin.wait_exit(20s)) << "still running after SIGTERM";
    ASSERT_TRUE(quarrin.exit_status.has_value());
    EXPECT_TRUE(WIFEXITED(*quarrin.exit_status) && WEXITSTATUS(*quarrin.exit_status) == 0);

    // Quarrin printed exactly the events it received, one compact JSON line each.
    std::string printed;
    for (const json& e : expected_events)
        printed += e.dump() + "\n";
    EXPECT_EQ(read_file(quarrin_out), printed);

    // The back end received the list request, the select, the program and the steps.
    std::vector<json> expected = {envelope::list_request(), envelope::architecture_select("isa4"),
                                  envelope::program_load(rom)};
    expected.insert(expected.end(), program.size(), envelope::step_command());
    const std::vector<json> received = back_end.received();
    ASSERT_EQ(received.size(), expected.size()) << read_file(back_end.received_path);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(received[i], expected[i]) << "envelope " << i;
}

} // namespace
