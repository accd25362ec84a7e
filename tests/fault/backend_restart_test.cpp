// The real back end killed mid-session and started again on the same
// address: the dialer made by "Connect" reconnects by itself; the "nng"
// window and the log tell the loss and the return, the list is asked for
// again, the register file is marked stale until "Select", and the road
// works again without a new App and without pressing "Connect" again.
#include <chrono>
#include <csignal>
#include <optional>

#include "fault_frames.h"
#include "link/envelope.h"
#include "road/back_end_process.h"
#include "support/child_process.h"

namespace {

using namespace fault;
using Clock = std::chrono::steady_clock;

constexpr size_t isa4_cycles = 18; // register number of "cycles" in isa4.toml

// quarrin-sim on url, its standard output in a file; waits until it accepts
// connections. Gives up (returning false) when it ends instead.
bool start_back_end(std::optional<ChildProcess>& sim, const std::string& url, int port,
                    const std::string& out_path) {
    sim.emplace(ChildProcess::Options{
        {QUARRIN_SIM_BINARY, "--listen", url, "--arch-dir", QUARRIN_SOURCE_DIR "/architectures"},
        {},
        {},
        "",
        out_path});
    return wait_until([&] { return tcp_port_accepts(port) || !sim->running(); }, 5000) &&
           sim->running();
}

// Presses "Step" and runs frames until the cycle counter reaches cycles.
bool step_to(FaultFrames& a, uint64_t cycles) {
    a.press("Computer Architecture state", {"Step"});
    return a.frames_until([&] { return a.reg(isa4_cycles) == cycles; });
}

// Whether the "Register file" window says its values are stale.
bool shows_stale(FaultFrames& a) {
    a.frame();
    return ImGuiHarness::window_text("Register file").find("Stale") != std::string::npos;
}

// Lines of a back end's standard output that are list requests.
size_t list_requests(const std::string& out_path) {
    size_t n = 0;
    for (const json& line : road::json_lines(out_path))
        n += line == envelope::list_request() ? 1 : 0;
    return n;
}

TEST(BackEndRestart, ReconnectionIsShownTheListAskedAgainAndTheRegisterFileMarkedStale) {
    ShortTempDir dir;
    const int port = free_tcp_port();
    const std::string url = tcp_url(port);
    std::optional<ChildProcess> sim;
    ASSERT_TRUE(start_back_end(sim, url, port, dir.path + "/sim1.out"));

    FaultFrames a;
    a.frame();
    a.connect(url);
    ASSERT_TRUE(a.frames_until([&] { return a.app.archs.size() == 2; }));
    EXPECT_EQ(a.app.archs, (Texts{"isa4", "toy"}));
    ImGui::SetWindowSize("nng", ImVec2(600, 300));
    a.frame();
    a.press("nng", {"Select"}); // "isa4", the first entry
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));
    ASSERT_EQ(a.app.archname, "isa4");
    ASSERT_TRUE(step_to(a, 1));
    ASSERT_TRUE(step_to(a, 2));
    ASSERT_EQ(a.pipes_added(), 1);
    EXPECT_FALSE(shows_stale(a));
    EXPECT_TRUE(a.ui.window_text("nng").find("connected to " + url + " (isa4)") !=
                std::string::npos)
        << a.ui.window_text("nng");

    // Killed without a chance to close anything.
    sim->signal(SIGKILL);
    ASSERT_TRUE(sim->wait_exit(std::chrono::milliseconds(2000)));
    ASSERT_TRUE(wait_until([&] { return a.app.worker.status().state == LinkStatus::Lost; }));
    ASSERT_TRUE(
        a.frames_until([&] { return a.logged("Connection to " + url + " lost, retrying"); }));
    a.frame();
    EXPECT_TRUE(a.ui.window_text("nng").find("lost, reconnecting to " + url) != std::string::npos)
        << a.ui.window_text("nng");

    // While it is gone every send fails after its time-out, with one log line.
    const nng_duration usual_timeout = a.app.sender.timeout_ms;
    a.app.sender.timeout_ms = 20;
    const std::string timed_out = std::string("nng error: ") + nng_strerror(NNG_ETIMEDOUT);
    size_t before = a.app.log.size();
    a.press("Computer Architecture state", {"Step"});
    ASSERT_TRUE(a.app.sender.wait_idle(5000));
    a.app.sender.timeout_ms = usual_timeout;
    EXPECT_EQ(a.app.log.size(), before + 1);
    EXPECT_EQ(a.newest_text(), timed_out);
    EXPECT_EQ(a.reg(isa4_cycles), 2u) << "nothing arrived";

    // Started again on the same address: the dialer finds it on its own, the
    // front end says so and asks for the list again.
    RegisterFile* const old_regfile = a.app.regfile.get();
    const std::string second_out = dir.path + "/sim2.out";
    ASSERT_TRUE(start_back_end(sim, url, port, second_out));
    const auto restarted = Clock::now();
    ASSERT_TRUE(wait_until([&] { return a.pipes_added() == 2; }, 5000))
        << "the dialer did not reconnect";
    const auto reconnect_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - restarted).count();
    nng_duration reconnect_min = 0;
    nng_socket_get_ms(a.app.bus, NNG_OPT_RECONNMINT, &reconnect_min);
    std::printf("reconnected %lld ms after the back end listened again (reconnect-time-min "
                "%d ms)\n",
                static_cast<long long>(reconnect_ms), reconnect_min);
    RecordProperty("reconnect_ms", static_cast<int>(reconnect_ms));
    ASSERT_TRUE(a.frames_until([&] { return a.logged("Reconnected to " + url); }));
    ASSERT_TRUE(wait_until([&] { return list_requests(second_out) == 1; }, 5000))
        << "the list was not asked for again";
    a.frame();
    EXPECT_TRUE(a.ui.window_text("nng").find("connected to " + url) != std::string::npos);
    EXPECT_TRUE(a.ui.window_text("nng").find("(isa4)") == std::string::npos)
        << "the new back end has nothing selected";

    // The old values stay, marked stale; a "Step" says that nothing is
    // selected (and still goes out, unanswered).
    EXPECT_TRUE(shows_stale(a));
    EXPECT_EQ(a.app.regfile.get(), old_regfile);
    EXPECT_EQ(a.reg(isa4_cycles), 2u);
    a.press("Computer Architecture state", {"Step"});
    EXPECT_TRUE(a.logged("Step: no architecture selected; press \"Select\" in \"nng\""));

    // "Select" again brings the road back and clears the mark.
    a.press("nng", {"Select"});
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile.get() != old_regfile; }));
    EXPECT_FALSE(shows_stale(a));
    EXPECT_EQ(a.reg(isa4_cycles), 0u) << "a fresh register file";
    ASSERT_TRUE(step_to(a, 1)) << "a fresh machine counts from 0";
    ASSERT_TRUE(step_to(a, 2));

    // One "Connect", no receive failure, no invalid message on the way.
    EXPECT_EQ(a.texts_starting("Connected to "), 1u);
    EXPECT_EQ(a.texts_starting("Reconnected to "), 1u);
    EXPECT_EQ(a.texts_starting("nng error occurred: "), 0u);
    EXPECT_EQ(a.texts_starting("invalid message: "), 0u);
    EXPECT_EQ(a.texts_starting("nng error: "), 1u) << "only the step sent while it was gone";
    EXPECT_EQ(a.pipes_added(), 2);
    EXPECT_EQ(a.pipes_removed(), 1);
}

} // namespace
