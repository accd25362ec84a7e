// Malformed bodies interleaved with good envelopes on a real TCP connection:
// each bad body gives exactly one "invalid message: " line and nothing else,
// and every good envelope around it is still printed, logged and applied in
// the order sent.
#include <cstring>
#include <thread>

#include "fault_frames.h"
#include "link/envelope.h"

namespace {

using namespace fault;
using Bytes = std::vector<uint8_t>;

enum class Kind {
    Good,  // applied: writes ACC
    Bad,   // one "invalid message: " line
    Inert, // decodes, logged, acts on nothing
};

struct Body {
    const char* name;
    Bytes bytes;
    Kind kind;
    bool printed; // an event whose compact JSON reaches standard output
};

Bytes bytes_of(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes big_endian(uint64_t v, int width) {
    Bytes out;
    for (int i = width - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}
Bytes encoded(const json& e) {
    return encode_envelope(e);
}

std::vector<Body> hostile_bodies() {
    const Bytes good = encoded(register_write(0, 1000));
    json bad_utf8_origin = register_write(0, 1001);
    bad_utf8_origin["origin"] = "toy\xff\xfe";
    json bad_utf8_key = register_write(0, 1002);
    bad_utf8_key["\xc3\x28"] = 1;
    json data_array = event("write", json::array({1, 2}));
    json origin_number = event("update", {{"new_count", 4}});
    origin_number["origin"] = 5;
    return {
        {"empty body", {}, Kind::Bad, false},
        {"truncated by one byte", Bytes(good.begin(), good.end() - 1), Kind::Bad, false},
        {"truncated inside a string", Bytes(good.begin(), good.begin() + 10), Kind::Bad, false},
        {"a trailing value", good + bytes_of("Z"), Kind::Bad, false},
        {"trailing no-op markers", good + bytes_of("NNNN"), Kind::Good, true},
        {"an unknown marker", bytes_of("X"), Kind::Bad, false},
        {"a string, not an object",
         bytes_of("Si\x03"
                  "abc"),
         Kind::Bad, false},
        {"an array, not an object", bytes_of("[i\x01]"), Kind::Bad, false},
        {"a number, not an object", bytes_of("i\x05"), Kind::Bad, false},
        {"null, taken as an empty object", bytes_of("Z"), Kind::Inert, false},
        {"'#' count of 2^63-1 array elements", bytes_of("[#L") + big_endian(INT64_MAX, 8),
         Kind::Bad, false},
        {"'#' count of 2^31-1 object members", bytes_of("{#l") + big_endian(INT32_MAX, 4),
         Kind::Bad, false},
        {"ten million nulls in nine bytes", bytes_of("[$Z#l") + big_endian(10000000, 4), Kind::Bad,
         false},
        {"a string of 2^63-1 bytes announced", bytes_of("SL") + big_endian(INT64_MAX, 8), Kind::Bad,
         false},
        {"a negative string length", bytes_of("Si\xff"), Kind::Bad, false},
        {"100,000 nested arrays", Bytes(100000, '['), Kind::Bad, false},
        {"65 nested arrays, complete", Bytes(65, '[') + Bytes(65, ']'), Kind::Bad, false},
        {"write value a string", encoded(event("write", {{"register_number", 0}, {"value", "x"}})),
         Kind::Bad, true},
        {"write value a float", encoded(event("write", {{"register_number", 0}, {"value", 2.5}})),
         Kind::Bad, true},
        {"write register_number a string",
         encoded(event("write", {{"register_number", "0"}, {"value", 3}})), Kind::Bad, true},
        {"write data an array", encoded(data_array), Kind::Bad, true},
        {"update origin a number", encoded(origin_number), Kind::Bad, true},
        {"update without origin", encoded(event("update", {{"new_count", 4}})), Kind::Bad, true},
        {"list data holding a number",
         encoded(command("computer_architecture", "list", {"toy", 7})), Kind::Bad, false},
        {"load data a number", encoded(command("computer_architecture", "load", 7)), Kind::Bad,
         false},
        {"event with an invalid UTF-8 string", encoded(bad_utf8_origin), Kind::Bad, false},
        {"event with an invalid UTF-8 key", encoded(bad_utf8_key), Kind::Bad, false},
    };
}

TEST(Malformed, EachBadBodyGivesOneLineAndTheGoodOnesStillApplyInOrder) {
    // Good envelopes with rising ACC values around every hostile body.
    std::vector<Body> stream;
    uint64_t value = 0;
    auto good = [&] {
        ++value;
        return Body{"good", encoded(register_write(0, value)), Kind::Good, true};
    };
    for (Body& body : hostile_bodies()) {
        stream.push_back(good());
        if (body.kind == Kind::Good) // the body with no-op markers writes 1000; keep rising
            value = 1000;
        stream.push_back(std::move(body));
    }
    stream.push_back(good());
    const uint64_t last_value = value;

    NngPeer peer(fresh_tcp_url());
    ASSERT_EQ(nng_socket_set_ms(peer.socket, NNG_OPT_SENDTIMEO, 20000), 0);
    FaultFrames a;
    ASSERT_NO_FATAL_FAILURE(open_toy_session(a, peer));
    const size_t log_before = a.app.log.size();
    ASSERT_LT(log_before + stream.size(), 99u) << "everything must fit in the log";

    std::vector<uint64_t> seen; // ACC values as the frames showed them
    testing::internal::CaptureStdout();
    std::thread back_end([&] {
        for (const Body& body : stream)
            peer.send_bytes(body.bytes);
    });
    const bool all_taken = a.frames_until(
        [&] {
            if (seen.empty() || seen.back() != a.reg(0))
                seen.push_back(a.reg(0));
            return a.app.log.size() == log_before + stream.size();
        },
        20000);
    back_end.join();
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(all_taken) << a.app.log.size() - log_before << " of " << stream.size();
    a.frames(2);

    // The log holds, oldest first, one entry per body in the order sent.
    const std::vector<LogItem> items = a.entries();
    ASSERT_EQ(items.size(), log_before + stream.size());
    std::string expected_stdout;
    for (size_t i = 0; i < stream.size(); ++i) {
        const Body& body = stream[i];
        const LogItem& item = items[log_before + i];
        SCOPED_TRACE(body.name);
        if (body.kind == Kind::Bad) {
            ASSERT_TRUE(item.is_text());
            EXPECT_EQ(item.text().rfind("invalid message: ", 0), 0u) << item.text();
        } else {
            ASSERT_FALSE(item.is_text());
            if (body.kind == Kind::Good)
                EXPECT_EQ(item.envelope()["data"], json::from_ubjson(body.bytes)["data"]);
            else
                EXPECT_EQ(item.envelope(), json({{"message_type", nullptr}}));
        }
        if (body.printed) {
            json e = nlohmann::json::from_ubjson(body.bytes, true, false);
            expected_stdout += e.dump() + "\n";
        }
    }
    EXPECT_EQ(printed, expected_stdout);
    EXPECT_EQ(a.texts_starting("invalid message: "),
              static_cast<size_t>(std::count_if(stream.begin(), stream.end(), [](const Body& b) {
                  return b.kind == Kind::Bad;
              })));

    // Every good value was applied, rising, and the last one stays.
    EXPECT_EQ(a.reg(0), last_value);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(a.reg(2), 0u) << "no bad update reached the clock";
}

} // namespace
