// A back end that sends 10,000 events as fast as it can: every one is taken
// off the socket as it comes, printed and applied in order, with the message
// queue within its capacity (receiving pauses when it is full, so no NNG
// thread waits on it), the log small and every frame returning.
#include <chrono>
#include <thread>

#include "fault_frames.h"
#include "link/envelope.h"
#include "raw_sp_peer.h"

namespace {

using namespace fault;
using Clock = std::chrono::steady_clock;

constexpr int flood_size = 10000;
constexpr size_t acc = 0; // toy: written by "write" events
constexpr size_t cyc = 2; // toy: the "clock" counter, set by "update"/"increment"

// Envelope i carries the value i + 1: even ones write ACC, odd ones count the
// clock, so after n envelopes the larger of the two values is n and the other
// is n - 1, and every applied envelope changes what the registers show.
json flood_envelope(int i) {
    const uint64_t value = static_cast<uint64_t>(i) + 1;
    if (i % 2 == 0)
        return register_write(acc, value);
    if (i % 4 == 1)
        return envelope::counter_update("toy.clock", value);
    return envelope::counter_increment("toy.clock", value);
}

TEST(Flood, TenThousandEventsAreAllAppliedInOrderAtTheSendersPace) {
    NngPeer peer(fresh_tcp_url());
    // The sender may run far ahead of the frames; let it wait rather than fail.
    ASSERT_EQ(nng_socket_set_ms(peer.socket, NNG_OPT_SENDTIMEO, 60000), 0);
    FaultFrames a;
    ASSERT_NO_FATAL_FAILURE(open_toy_session(a, peer));
    ASSERT_EQ(a.reg(acc), 0u);
    ASSERT_EQ(a.reg(cyc), 0u);

    std::vector<std::vector<uint8_t>> bodies;
    std::string expected_stdout;
    for (int i = 0; i < flood_size; ++i) {
        const json e = flood_envelope(i);
        bodies.push_back(encode_envelope(e));
        expected_stdout += e.dump() + "\n";
    }

    size_t max_queued = 0;
    a.before_drain = [&] { max_queued = std::max(max_queued, a.app.msgs.size()); };
    const long rss_before = restart_peak_rss_kib();
    const auto started = Clock::now();
    std::atomic<int> sent{0};
    std::string send_failure;

    testing::internal::CaptureStdout();
    std::thread back_end([&] {
        try {
            for (const auto& body : bodies) {
                peer.send_bytes(body);
                ++sent;
            }
        } catch (const std::exception& e) {
            send_failure = e.what();
        }
    });

    // Frames as fast as they come, each checked against the state a prefix of
    // the flood leaves; bounded in frames and in time.
    uint64_t applied = 0;
    int frames = 0, frames_applying = 0, most_in_one_frame = 0;
    size_t max_log = 0;
    bool consistent = true;
    const auto deadline = started + std::chrono::seconds(120);
    while (applied < flood_size && frames < 40 * flood_size && Clock::now() < deadline) {
        a.frame();
        ++frames;
        const uint64_t v_acc = a.reg(acc), v_clock = a.reg(cyc);
        const uint64_t n = std::max(v_acc, v_clock);
        if (n < applied || (n > 0 && std::min(v_acc, v_clock) != n - 1))
            consistent = false; // out of order, lost, or repeated
        if (n > applied) {
            ++frames_applying;
            most_in_one_frame = std::max(most_in_one_frame, static_cast<int>(n - applied));
        }
        applied = std::max(applied, n);
        max_log = std::max(max_log, a.app.log.size());
    }
    back_end.join();
    const std::string printed = testing::internal::GetCapturedStdout();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const long rss_growth = peak_rss_kib() - rss_before;

    EXPECT_EQ(send_failure, "");
    EXPECT_EQ(sent.load(), flood_size);
    EXPECT_EQ(applied, static_cast<uint64_t>(flood_size));
    EXPECT_TRUE(consistent);
    EXPECT_EQ(a.reg(acc), static_cast<uint64_t>(flood_size - 1));
    EXPECT_EQ(a.reg(cyc), static_cast<uint64_t>(flood_size));
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), flood_size);
    EXPECT_TRUE(printed == expected_stdout) << "standard output differs from the flood";
    // Many envelopes in one frame, never more than the queue holds.
    EXPECT_LE(max_queued, a.app.msgs.capacity());
    EXPECT_LE(most_in_one_frame, static_cast<int>(a.app.msgs.capacity()));
    EXPECT_LT(frames, flood_size) << "taken no faster than one per frame";
    EXPECT_LE(max_log, 99u);
    EXPECT_EQ(a.texts_starting("invalid message: "), 0u);
    EXPECT_EQ(a.texts_starting("nng error"), 0u);
    // The newest logged envelope is the last one sent.
    const std::vector<LogItem> items = a.app.log.snapshot();
    ASSERT_FALSE(items.empty());
    ASSERT_FALSE(items.front().is_text());
    EXPECT_EQ(items.front().envelope()["data"]["new_count"], flood_size);

    std::printf("flood: sent %d, applied %llu, lost %lld, %d frames (%d applying, at most %d in "
                "one), %.2f s, msgs peak %zu, log peak %zu, peak RSS growth %ld KiB\n",
                sent.load(), static_cast<unsigned long long>(applied),
                static_cast<long long>(sent.load()) - static_cast<long long>(applied), frames,
                frames_applying, most_in_one_frame, seconds, max_queued, max_log, rss_growth);
    RecordProperty("applied", static_cast<int>(applied));
    RecordProperty("frames", frames);
    RecordProperty("peak_rss_growth_kib", static_cast<int>(rss_growth));
}

// Messages at the receive limit, sent back to back by a peer that frames them
// by hand from one buffer (so that the sender adds nothing to this process's
// memory but that buffer): each is taken and applied, and what they cost the
// front end in memory is reported.
TEST(Flood, MessagesAtTheReceiveLimitAreTakenOneAfterAnother) {
    constexpr int count = 6;
    const int port = free_tcp_port();
    RawSpPeer peer(port);
    FaultFrames a;
    a.frame();
    a.connect(tcp_url(port));
    ASSERT_TRUE(peer.accept(5000));
    ASSERT_TRUE(peer.recv_message(2000).has_value()); // the list request
    ASSERT_TRUE(
        peer.send_message(encode_envelope(envelope::architecture_load(toy_description_path()))));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));

    std::vector<uint8_t> body(PairSocket::max_message_bytes,
                              'N'); // no-op markers after the envelope
    const long rss_before = restart_peak_rss_kib();
    std::atomic<bool> sent_all{false};
    std::thread back_end([&] {
        bool ok = true;
        for (int i = 1; i <= count && ok; ++i) {
            const std::vector<uint8_t> head = encode_envelope(register_write(acc, i));
            std::copy(head.begin(), head.end(), body.begin());
            ok = peer.send_message(body);
        }
        sent_all = ok;
    });
    std::vector<uint64_t> seen;
    testing::internal::CaptureStdout(); // the six events, not worth showing
    const bool all = a.frames_until(
        [&] {
            if (seen.empty() || seen.back() != a.reg(acc))
                seen.push_back(a.reg(acc));
            return a.reg(acc) == count;
        },
        30000);
    back_end.join();
    const std::string printed = testing::internal::GetCapturedStdout();
    const long rss_growth = peak_rss_kib() - rss_before;
    EXPECT_TRUE(sent_all);
    EXPECT_TRUE(all);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), count);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    // Each one was logged, in order.
    const std::vector<LogItem> items = a.entries();
    ASSERT_GE(items.size(), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const LogItem& item = items[items.size() - count + i];
        ASSERT_FALSE(item.is_text());
        EXPECT_EQ(item.envelope()["data"]["value"], i + 1);
    }
    EXPECT_EQ(a.texts_starting("invalid message: "), 0u);
    std::printf("%d messages of %zu bytes: peak RSS growth %ld KiB\n", count,
                PairSocket::max_message_bytes, rss_growth);
    RecordProperty("peak_rss_growth_kib", static_cast<int>(rss_growth));
}

} // namespace
