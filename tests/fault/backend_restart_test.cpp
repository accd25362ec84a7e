// The real back end killed mid-session and started again on the same
// address: the dialer made by "Connect" reconnects by itself, and "Select" and
// "Step" work again without a new App and without pressing "Connect" again.
#include <chrono>
#include <csignal>
#include <optional>

#include "fault_frames.h"
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

TEST(BackEndRestart, DialerReconnectsByItselfAndTheRoadWorksAgain) {
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
    ASSERT_EQ(a.pipes.added.load(), 1);

    // Killed without a chance to close anything.
    sim->signal(SIGKILL);
    ASSERT_TRUE(sim->wait_exit(std::chrono::milliseconds(2000)));
    ASSERT_TRUE(wait_until([&] { return a.pipes.removed.load() == 1; }));

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

    // Started again on the same address: the dialer finds it on its own.
    RegisterFile* const old_regfile = a.app.regfile.get();
    ASSERT_TRUE(start_back_end(sim, url, port, dir.path + "/sim2.out"));
    const auto restarted = Clock::now();
    ASSERT_TRUE(wait_until([&] { return a.pipes.added.load() == 2; }, 5000))
        << "the dialer did not reconnect";
    const auto reconnect_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - restarted).count();
    nng_duration reconnect_min = 0;
    nng_socket_get_ms(a.app.bus, NNG_OPT_RECONNMINT, &reconnect_min);
    std::printf("reconnected %lld ms after the back end listened again (reconnect-time-min "
                "%d ms)\n",
                static_cast<long long>(reconnect_ms), reconnect_min);
    RecordProperty("reconnect_ms", static_cast<int>(reconnect_ms));

    // Nothing tells the front end: it keeps the old list and register file,
    // but the new back end has selected nothing, so a "Step" now goes out and
    // is not answered. "Select" again brings the road back.
    before = a.app.log.size();
    a.press("Computer Architecture state", {"Step"});
    a.press("nng", {"Select"});
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile.get() != old_regfile; }));
    a.frames(2);
    ASSERT_EQ(a.app.log.size(), before + 1) << "the load, and nothing for the step";
    EXPECT_EQ(a.app.log.snapshot().front().envelope()["message_sub_type"], "load");
    EXPECT_EQ(a.reg(isa4_cycles), 0u) << "a fresh register file";
    ASSERT_TRUE(step_to(a, 1)) << "a fresh machine counts from 0";
    ASSERT_TRUE(step_to(a, 2));

    // No "Connect", no receive failure, no invalid message on the way.
    EXPECT_EQ(a.texts_starting("Connected to "), 1u);
    EXPECT_EQ(a.texts_starting("nng error occurred: "), 0u);
    EXPECT_EQ(a.texts_starting("invalid message: "), 0u);
    EXPECT_EQ(a.texts_starting("nng error: "), 1u) << "only the step sent while it was gone";
    EXPECT_EQ(a.pipes.added.load(), 2);
    EXPECT_EQ(a.pipes.removed.load(), 1);
}

} // namespace
