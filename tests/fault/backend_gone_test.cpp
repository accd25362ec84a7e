// Every send of the frame loop after the back end has gone: none holds the
// frame, each fails after its time-out with exactly one "nng error: " line,
// and changes nothing it should not; the dialer's vain reconnects stay out of
// the log.
#include <memory>

#include "fault_frames.h"

namespace {

using namespace fault;

struct Control {
    const char* name;
    std::function<void(FaultFrames&)> use;
};

std::vector<Control> sending_controls() {
    return {
        {"Step", [](FaultFrames& a) { a.press("Computer Architecture state", {"Step"}); }},
        {"Reset CPU",
         [](FaultFrames& a) { a.press("Computer Architecture state", {"Reset CPU"}); }},
        {"Send ROM", [](FaultFrames& a) { a.press("Program ROM view", {"Send ROM"}); }},
        {"Select", [](FaultFrames& a) { a.press("nng", {"Select"}); }},
        {"register edit", [](FaultFrames& a) { a.type("Register file", {"ACC"}, "2A"); }},
    };
}

TEST(BackEndGone, EverySendFailsWithOneLogLine) {
    auto peer = std::make_unique<NngPeer>(fresh_tcp_url());
    FaultFrames a;
    ASSERT_NO_FATAL_FAILURE(open_toy_session(a, *peer));
    peer->send(register_write(0, 7));
    ASSERT_TRUE(a.frames_until([&] { return a.reg(0) == 7; }));

    peer.reset(); // the back end closes its socket
    ASSERT_TRUE(wait_until([&] { return a.pipes_removed() == 1; }));

    a.app.sender.timeout_ms = 20;
    const std::string timed_out = std::string("nng error: ") + nng_strerror(NNG_ETIMEDOUT);
    const std::vector<Control> controls = sending_controls();
    for (int round = 0; round < 2; ++round) {
        for (const Control& control : controls) {
            SCOPED_TRACE(control.name);
            const size_t before = a.app.log.size();
            control.use(a);
            ASSERT_TRUE(a.app.sender.wait_idle(5000));
            EXPECT_EQ(a.app.log.size(), before + 1);
            EXPECT_EQ(a.newest_text(), timed_out);
        }
    }
    // The edit was not applied locally: the register waits for the back end.
    EXPECT_EQ(a.reg(0), 7u);
    a.frame();
    EXPECT_EQ(a.app.register_file_window.fields[0], 7) << "the field shows the stored value again";

    // Many frames later, the dialer's failed reconnects have logged nothing.
    const size_t before = a.app.log.size();
    a.frames_until([] { return false; }, 200);
    EXPECT_EQ(a.app.log.size(), before);
    EXPECT_EQ(a.pipes_added(), 1);
}

} // namespace
