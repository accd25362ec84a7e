// Whole headless frames of the application: the drain, then every window,
// with a real socket, worker thread and receiver, and an NNG peer playing the
// back end.
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "app/app.h"
#include "link/envelope.h"
#include "support/app_frames.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;
using Names = std::vector<std::string>;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(App, ConstructsAndEndsCleanlyAgainAndAgain) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        NngPeer peer(unique_inproc_url());
        AppFrames a;
        a.frames(2);
        EXPECT_EQ(a.app.log.texts(), Names{"Loaded Isa4"});
        if (round % 2 == 1) {
            // End it with a connection open and a receive outstanding.
            a.connect(peer.url);
            EXPECT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
        }
    } // each App closes its socket and joins its worker here
}

TEST(App, ConnectToNothingListeningIsRefused) {
    AppFrames a;
    a.frame();
    const std::string url = "tcp://127.0.0.1:" + std::to_string(free_tcp_port());
    a.connect(url);
    ASSERT_TRUE(a.frames_until([&] { return a.app.log.size() > 1; }));
    EXPECT_EQ(a.app.log.texts(), (Names{"nng error: Connection refused", "Loaded Isa4"}));
}

// A session with a scripted back end: connect, list, select, load, then a
// burst of events and commands.
TEST(App, SessionWithBackEnd) {
    TempDir dir;
    const std::string toy_path = dir.write("toy.toml", toy_description);
    NngPeer peer(unique_inproc_url());
    AppFrames a;
    a.frames(2);
    EXPECT_EQ(a.app.log.texts(), Names{"Loaded Isa4"});

    a.connect(peer.url);
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    EXPECT_EQ(a.app.log.texts(),
              (Names{"waiting for data...", "Connected to " + peer.url, "Loaded Isa4"}));
    auto request = peer.recv_bytes();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->size(), 88u);
    EXPECT_EQ(json::from_ubjson(*request), envelope::list_request());

    // The list: the "nng" window offers the names and "Select" sends the choice.
    EXPECT_FALSE(contains(ImGuiHarness::window_text("nng"), "Select"));
    peer.send(envelope::architecture_list({"toy", "big"}));
    ASSERT_TRUE(a.frames_until([&] { return !a.app.archs.empty(); }));
    // The window keeps the size it fitted before the list came, which clips
    // the new widgets; a user would drag it larger.
    ImGui::SetWindowSize("nng", ImVec2(600, 300));
    a.frame();
    EXPECT_EQ(a.app.archs, (Names{"toy", "big"}));
    const std::string nng_text = ImGuiHarness::window_text("nng");
    EXPECT_TRUE(contains(nng_text, "toy")) << nng_text;
    EXPECT_TRUE(contains(nng_text, "Architecture")) << nng_text;
    EXPECT_TRUE(contains(nng_text, "Select")) << nng_text;
    a.ui.choose("nng", "Architecture", 1, "big", a.draw);
    EXPECT_EQ(a.app.nng_window.selected_arch, 1);
    a.press("nng", {"Select"});
    auto select = peer.recv();
    ASSERT_TRUE(select.has_value());
    EXPECT_EQ(*select, envelope::architecture_select("big"));

    // The load: the register file window appears with the visible registers.
    EXPECT_EQ(ImGuiHarness::window_text("Register file"), "");
    peer.send(envelope::architecture_load(toy_path));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));
    EXPECT_EQ(a.app.archname, "toy");
    a.frame();
    std::string regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"Arch: Toy accumulator machine", "ACC", "PC", "CYC"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;
    EXPECT_FALSE(contains(regs_text, "TMP")) << "hidden register shown";

    // A burst: taken as it comes, applied in order.
    const Isa4 arch_before = a.app.arch;
    const std::vector<json> burst = {
        envelope::counter_update("toy.pc", 5),
        register_write(0, 17),
        envelope::counter_increment("toy.clock", 1234),
        register_write(1, 9),
        envelope::reset_notice(),
    };
    const size_t logged_before = a.envelopes().size();
    testing::internal::CaptureStdout();
    std::thread back_end([&] {
        for (const json& e : burst)
            peer.send(e); // each waits until the front end takes the previous one
    });
    const bool all_applied = a.frames_until([&] { return a.logged("Reset CPU"); });
    back_end.join();
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(all_applied);

    std::string expected_lines;
    for (size_t i = 0; i + 1 < burst.size(); ++i)
        expected_lines += burst[i].dump() + "\n";
    EXPECT_EQ(printed, expected_lines);
    const std::vector<json> logged = a.envelopes();
    ASSERT_EQ(logged.size(), logged_before + burst.size());
    for (size_t i = 0; i < burst.size(); ++i)
        EXPECT_EQ(logged[logged_before + i]["message_sub_type"], burst[i]["message_sub_type"]);

    const std::vector<Register>& regs = a.app.regfile->registers;
    EXPECT_EQ(regs[0].value, 17u);
    EXPECT_EQ(regs[1].value, 9u) << "the write after the update wins";
    EXPECT_EQ(regs[2].value, 1234u);
    a.frame();
    regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"00000011", "00000009", "000004D2"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;

    // The reset was only logged: the local processor is as it was.
    EXPECT_EQ(a.app.arch.rom, arch_before.rom);
    EXPECT_EQ(a.app.arch.ram, arch_before.ram);
    EXPECT_EQ(a.app.arch.regs, arch_before.regs);
    EXPECT_EQ(a.app.arch.pc, arch_before.pc);
}

// With no back end, every send from the frame loop is handed over without
// waiting, gives up after its time-out and says why in the log; the program
// goes on working. "Step" and "Reset CPU" also say that no architecture is
// selected.
TEST(App, SendsWithoutBackEndFailInTheLog) {
    struct Case {
        const char* window;
        const char* button;
        size_t lines;
    };
    const std::vector<Case> cases = {
        {"Computer Architecture state", "Step", 2},
        {"Computer Architecture state", "Reset CPU", 2},
        {"Program ROM view", "Send ROM", 1},
        {"nng", "Select", 1},
    };
    AppFrames a;
    a.app.msgs.push(Names{"toy"}); // so that "Select" is drawn
    a.frames(2);
    a.app.sender.timeout_ms = 20;
    const std::string timed_out = std::string("nng error: ") + nng_strerror(NNG_ETIMEDOUT);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const size_t before = a.app.log.size();
        a.press(c.window, {c.button});
        ASSERT_TRUE(a.app.sender.wait_idle(5000));
        EXPECT_EQ(a.app.log.size(), before + c.lines);
        EXPECT_EQ(a.newest_text(), timed_out);
    }

    // Still working: a back end that turns up now gets the list request.
    NngPeer peer(unique_inproc_url());
    a.connect(peer.url);
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    auto request = peer.recv();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(*request, envelope::list_request());
}

} // namespace
