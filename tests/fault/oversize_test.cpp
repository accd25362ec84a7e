// A back end announcing a message beyond the socket's receive limit: the
// front end drops the connection as soon as it reads the length, without
// waiting for (or making room for) the body, and its dialer connects again by
// itself; envelopes sent on the new connection are applied. A message of
// exactly the limit is still taken.
#include <chrono>

#include "fault_frames.h"
#include "link/envelope.h"
#include "raw_sp_peer.h"

namespace {

using namespace fault;
using Clock = std::chrono::steady_clock;

struct Announcement {
    const char* name;
    uint64_t length;
};

TEST(Oversize, AnnouncedMessageBeyondTheLimitIsRefusedAndTheDialerComesBack) {
    const int port = free_tcp_port();
    RawSpPeer peer(port);
    FaultFrames a;
    a.frame();
    a.connect(tcp_url(port));
    ASSERT_TRUE(peer.accept(5000));
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    auto request = peer.recv_message(2000);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(json::from_ubjson(*request), envelope::list_request());
    ASSERT_TRUE(
        peer.send_message(encode_envelope(envelope::architecture_load(toy_description_path()))));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));

    const uint64_t limit = PairSocket::max_message_bytes;
    const std::vector<Announcement> announcements = {
        {"the limit + 1", limit + 1},
        {"1 GiB", uint64_t(1) << 30},
        {"2^63", uint64_t(1) << 63},
        {"2^64 - 1", UINT64_MAX},
    };
    uint64_t value = 0;
    for (const Announcement& big : announcements) {
        SCOPED_TRACE(big.name);
        const int removed = a.pipes_removed();
        const long rss_before = restart_peak_rss_kib();
        ASSERT_TRUE(peer.announce(big.length));
        EXPECT_TRUE(peer.closed_by_other_side(2000)) << "still waiting for the body";
        ASSERT_TRUE(wait_until([&] { return a.pipes_removed() == removed + 1; }));
        const auto dropped = Clock::now();

        ASSERT_TRUE(peer.accept(5000)) << "the dialer did not connect again";
        const long long reconnect_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - dropped).count();
        ASSERT_TRUE(peer.send_message(encode_envelope(register_write(0, ++value))));
        ASSERT_TRUE(a.frames_until([&] { return a.reg(0) == value; }));
        std::printf("announced %s (%llu bytes): dropped, reconnected after %lld ms, peak RSS "
                    "growth %ld KiB\n",
                    big.name, static_cast<unsigned long long>(big.length), reconnect_ms,
                    peak_rss_kib() - rss_before);
    }

    // Exactly the limit: a write event padded with no-op markers.
    std::vector<uint8_t> body = encode_envelope(register_write(0, 77));
    body.resize(limit, 'N');
    ASSERT_TRUE(peer.send_message(body));
    EXPECT_TRUE(a.frames_until([&] { return a.reg(0) == 77u; }, 10000));

    EXPECT_EQ(a.texts_starting("invalid message: "), 0u);
    EXPECT_EQ(a.texts_starting("nng error"), 0u);
    EXPECT_EQ(a.texts_starting("Connected to "), 1u) << "no second Connect was needed";
    EXPECT_EQ(a.pipes_added(), static_cast<int>(announcements.size()) + 1);
}

} // namespace
