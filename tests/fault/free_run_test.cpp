// The real back end running freely (a step every millisecond) while its
// front end goes away: the run pauses without a front end, and one that
// connects again finds it where it stopped, every count after that one
// more than the one before; and front ends that close or connect elsewhere
// while it streams. The back end is a process of its own, and the front ends
// here settle before they close: NNG 1.5 can hang tearing down a connection
// on which a message arrives meanwhile.
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include <nng/nng.h>

#include "fault_frames.h"
#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "road/back_end_process.h"
#include "support/count_gaps.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;

// A front end that dials, selects an architecture and reads the stream. Its
// socket settles before it closes, as Quarrin's does.
class Dialer {
  public:
    explicit Dialer(const std::string& url) {
        nng_check(nng_socket_set_ms(socket, NNG_OPT_RECVTIMEO, 3000), "nng_socket_set_ms");
        nng_check(nng_dial(socket, url.c_str(), nullptr, 0), "nng_dial");
    }

    void send(const json& envelope) { send_envelope(socket, envelope, 3000); }

    // The next n cycle counts of isa4 (fewer when the stream stops).
    std::vector<uint64_t> cycles(size_t n) {
        std::vector<uint64_t> counts;
        for (int i = 0; i < 100000 && counts.size() < n; ++i) {
            nng_msg* msg = nullptr;
            if (nng_recvmsg(socket, &msg, 0) != 0)
                break;
            socket.count_taken(msg);
            const json e =
                decode_ubjson(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg));
            nng_msg_free(msg);
            if (e.value("origin", "") == "isa4.cycles")
                counts.push_back(e["data"]["new_count"].get<uint64_t>());
        }
        return counts;
    }

  private:
    PairSocket socket;
};

TEST(FreeRun, PausesWhileNoFrontEndIsConnected) {
    TempDir dir;
    road::BackEndProcess sim(dir.path, {"--tick-ms", "1"});
    ASSERT_TRUE(sim.listening) << sim.errors();
    uint64_t last = 0;
    {
        Dialer first(sim.url);
        first.send(envelope::architecture_select("isa4"));
        const std::vector<uint64_t> counts = first.cycles(50);
        ASSERT_EQ(counts.size(), 50u);
        ASSERT_EQ(count_gaps(counts), 0u);
        last = counts.back();
    }
    // A run that went on through this pause would be about 1,000 steps
    // further; a few steps were on their way to the front end that left, more
    // when this test was held up between its last read and the close.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Dialer again(sim.url);
    const std::vector<uint64_t> counts = again.cycles(50);
    ASSERT_EQ(counts.size(), 50u) << sim.errors();
    EXPECT_EQ(count_gaps(counts), 0u);
    EXPECT_GT(counts.front(), last);
    EXPECT_LT(counts.front(), last + 500) << "the run went on without a front end";
    EXPECT_EQ(sim.errors().find("dropped"), std::string::npos) << sim.errors();
}

// The application's objects are destroyed (as tests do; the program leaves
// them to the process's end) while the back end streams at full speed into
// them: every close ends. NNG 1.5 hangs tearing down a connection on which a
// message arrives meanwhile; the App stops receiving and lets the connection
// go quiet first. Rounds, because each close without that hung only now and
// then.
TEST(FreeRun, QuarrinClosesWhileTheRunStreams) {
    TempDir dir;
    road::BackEndProcess sim(dir.path, {"--tick-ms", "1"});
    ASSERT_TRUE(sim.listening) << sim.errors();
    for (int round = 0; round < 60; ++round) {
        fault::FaultFrames a;
        a.app.worker.connect(sim.url);
        ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }))
            << "round " << round;
        send_envelope(a.app.bus, envelope::architecture_select("isa4"), 3000);
        testing::internal::CaptureStdout(); // the stream's lines
        const bool streaming = a.frames_until([&] { return a.app.log.size() > 60; });
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(streaming) << "round " << round;
    } // each round's App closes here, the stream still coming
    EXPECT_EQ(sim.errors().find("dropped"), std::string::npos) << sim.errors();
}

// The sequence number of the newest log entry.
uint64_t newest_entry(const Logger& log) {
    const std::vector<LogItem> items = log.snapshot();
    return items.empty() ? 0 : items.front().sequence; // newest first
}

// "Connect" to another back end while the current one streams at full
// speed, back and forth: each time the old connection closes and the new
// one streams. The receiver is held while the old connection settles.
TEST(FreeRun, ConnectElsewhereWhileTheRunStreams) {
    TempDir first_dir, second_dir;
    road::BackEndProcess first(first_dir.path, {"--tick-ms", "1"});
    road::BackEndProcess second(second_dir.path, {"--tick-ms", "1"});
    ASSERT_TRUE(first.listening) << first.errors();
    ASSERT_TRUE(second.listening) << second.errors();
    fault::FaultFrames a;
    testing::internal::CaptureStdout(); // the streams' lines
    bool every_round = true;
    for (int round = 0; round < 30 && every_round; ++round) {
        const std::string& url = round % 2 == 0 ? first.url : second.url;
        a.app.worker.connect(url);
        every_round = a.frames_until([&] {
            const LinkStatus link = a.app.worker.status();
            return link.state == LinkStatus::Connected && link.address == url;
        });
        if (!every_round)
            break;
        send_envelope(a.app.bus, envelope::architecture_select("isa4"), 3000);
        const uint64_t selected = newest_entry(a.app.log);
        every_round = a.frames_until([&] { return newest_entry(a.app.log) > selected + 50; });
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(every_round) << "newest entry: " << a.newest_text();
}

} // namespace
