// Envelope builders, their bytes on the wire, and the send operations.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <nng/nng.h>

#include "link/envelope.h"
#include "link/frame_sender.h"
#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "log/logger.h"
#include "support/nng_peer.h"

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes from_hex(const std::string& hex) {
    Bytes out;
    std::istringstream in(hex);
    unsigned byte;
    while (in >> std::hex >> byte)
        out.push_back(static_cast<uint8_t>(byte));
    return out;
}

// A key or string length as the encoder writes it for short texts: 'i' n.
void append_key(Bytes& out, const std::string& key) {
    out.push_back('i');
    out.push_back(static_cast<uint8_t>(key.size()));
    out.insert(out.end(), key.begin(), key.end());
}

bool starts_with(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

const char* const list_request_hex =
    "7B 69 0B 64 65 73 74 69 6E 61 74 69 6F 6E 53 69 15 63 6F 6D 70 75 74 65 72 5F 61 72 63 68 69 "
    "74 65 63 74 75 72 65 69 10 6D 65 73 73 61 67 65 5F 73 75 62 5F 74 79 70 65 53 69 04 6C 69 73 "
    "74 69 0C 6D 65 73 73 61 67 65 5F 74 79 70 65 53 69 07 63 6F 6D 6D 61 6E 64 7D";

} // namespace

TEST(EnvelopeEncoding, ListRequestIsTheEightyEightKnownBytes) {
    const Bytes expected = from_hex(list_request_hex);
    ASSERT_EQ(expected.size(), 88u);
    EXPECT_EQ(encode_envelope(envelope::list_request()), expected);
}

TEST(EnvelopeEncoding, ResetCommandStartsWithDataWhateverTheBuildOrder) {
    const Bytes bytes = encode_envelope(envelope::reset_command());
    EXPECT_EQ(bytes.size(), 96u);
    Bytes prefix{'{'};
    append_key(prefix, "data");
    prefix.push_back('S');
    append_key(prefix, "reset");
    EXPECT_TRUE(starts_with(bytes, prefix));
    EXPECT_EQ(bytes.back(), '}');
}

TEST(EnvelopeEncoding, BuildersMatchTheCatalogue) {
    struct Case {
        const char* name;
        json built;
        json expected;
    };
    const std::vector<Case> cases = {
        {"list request",
         envelope::list_request(),
         {{"message_type", "command"},
          {"message_sub_type", "list"},
          {"destination", "computer_architecture"}}},
        {"architecture select",
         envelope::architecture_select("toy"),
         {{"message_type", "command"},
          {"message_sub_type", "load"},
          {"destination", "computer_architecture"},
          {"data", "toy"}}},
        {"architecture select, empty name",
         envelope::architecture_select(""),
         {{"message_type", "command"},
          {"message_sub_type", "load"},
          {"destination", "computer_architecture"},
          {"data", ""}}},
        {"reset",
         envelope::reset_command(),
         {{"message_type", "command"},
          {"message_sub_type", "change_state"},
          {"destination", "control"},
          {"data", "reset"}}},
        {"step",
         envelope::step_command(),
         {{"message_type", "command"},
          {"message_sub_type", "change_state"},
          {"destination", "control"},
          {"data", "step"}}},
        {"register write",
         envelope::register_write("toy.regs", 3, 255),
         {{"message_type", "event"},
          {"message_sub_type", "write"},
          {"destination", "toy.regs"},
          {"data", {{"register_number", 3u}, {"value", 255u}}}}},
        {"program load from an address",
         envelope::program_load(5, {7, 0xFFFFFFFF}),
         {{"message_type", "command"},
          {"message_sub_type", "load"},
          {"destination", "component.memory.instructions"},
          {"data", {{"start", 5}, {"values", {7u, 0xFFFFFFFFu}}}}}},
        // What the back end sends.
        {"architecture list",
         envelope::architecture_list({"isa4", "toy"}),
         {{"message_type", "command"},
          {"message_sub_type", "list"},
          {"destination", "computer_architecture"},
          {"data", {"isa4", "toy"}}}},
        {"architecture list, empty",
         envelope::architecture_list({}),
         {{"message_type", "command"},
          {"message_sub_type", "list"},
          {"destination", "computer_architecture"},
          {"data", json::array()}}},
        {"architecture load",
         envelope::architecture_load("/a/isa4.toml"),
         {{"message_type", "command"},
          {"message_sub_type", "load"},
          {"destination", "computer_architecture"},
          {"data", "/a/isa4.toml"}}},
        {"reset notice",
         envelope::reset_notice(),
         {{"message_type", "command"},
          {"message_sub_type", "change_state"},
          {"destination", "control"},
          {"data", "reset"}}},
        {"counter update",
         envelope::counter_update("isa4.cycles", 300),
         {{"message_type", "event"},
          {"message_sub_type", "update"},
          {"origin", "isa4.cycles"},
          {"data", {{"new_count", 300u}}}}},
        {"counter increment",
         envelope::counter_increment("toy.clock", 1),
         {{"message_type", "event"},
          {"message_sub_type", "increment"},
          {"origin", "toy.clock"},
          {"data", {{"new_count", 1u}}}}},
        {"register value",
         envelope::register_value("isa4.regs", 17, 1),
         {{"message_type", "event"},
          {"message_sub_type", "write"},
          {"origin", "isa4.regs"},
          {"data", {{"register_number", 17u}, {"value", 1u}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
        // What the peer decodes is what was built.
        EXPECT_EQ(json::from_ubjson(encode_envelope(c.built)), c.expected);
    }
}

TEST(EnvelopeEncoding, RegisterWriteCarriesUnsignedMembersInKeyOrder) {
    const json env = envelope::register_write("toy.regs", 7, 0x1234);
    EXPECT_TRUE(env["data"]["register_number"].is_number_unsigned());
    EXPECT_TRUE(env["data"]["value"].is_number_unsigned());

    Bytes prefix{'{'};
    append_key(prefix, "data");
    prefix.push_back('{');
    append_key(prefix, "register_number");
    prefix.insert(prefix.end(), {'i', 7});
    append_key(prefix, "value");
    prefix.insert(prefix.end(), {'I', 0x12, 0x34, '}'});
    append_key(prefix, "destination");
    prefix.push_back('S');
    append_key(prefix, "toy.regs");
    EXPECT_TRUE(starts_with(encode_envelope(env), prefix));
}

TEST(EnvelopeEncoding, ProgramLoadUsesTheSmallestIntegerMarkers) {
    std::array<uint32_t, 256> rom{};
    rom[0] = 0;
    rom[1] = 0xC8;
    rom[2] = 0x3E8;
    rom[3] = 0xFFFFF;
    rom[4] = 0xFFFFFFFF; // bits above the instruction are sent too

    Bytes prefix{'{'};
    append_key(prefix, "data");
    prefix.push_back('{');
    append_key(prefix, "start");
    prefix.insert(prefix.end(), {'i', 0x00});
    append_key(prefix, "values");
    prefix.push_back('[');
    prefix.insert(prefix.end(), {'i', 0x00});
    prefix.insert(prefix.end(), {'U', 0xC8});
    prefix.insert(prefix.end(), {'I', 0x03, 0xE8});
    prefix.insert(prefix.end(), {'l', 0x00, 0x0F, 0xFF, 0xFF});
    prefix.insert(prefix.end(), {'L', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    for (int i = 5; i < 256; ++i)
        prefix.insert(prefix.end(), {'i', 0x00});
    prefix.insert(prefix.end(), {']', '}'});
    append_key(prefix, "destination");
    prefix.push_back('S');
    append_key(prefix, "component.memory.instructions");

    EXPECT_TRUE(starts_with(encode_envelope(envelope::program_load(rom)), prefix));
}

TEST(EnvelopeEncoding, ProgramLoadOfAnEmptyMemoryStillCarries256Values) {
    const json env = envelope::program_load({});
    const json decoded = json::from_ubjson(encode_envelope(env));
    EXPECT_EQ(decoded["destination"], "component.memory.instructions");
    EXPECT_EQ(decoded["message_sub_type"], "load");
    EXPECT_EQ(decoded["data"]["start"], 0);
    ASSERT_EQ(decoded["data"]["values"].size(), 256u);
    for (const json& v : decoded["data"]["values"])
        EXPECT_EQ(v, 0);
}

TEST(EnvelopeEncoding, UnsignedValuesAboveInt64AreRefused) {
    struct Case {
        uint64_t value;
        bool encodes;
    };
    const uint64_t int64_max = std::numeric_limits<int64_t>::max();
    const std::vector<Case> cases = {
        {int64_max, true},
        {int64_max + 1, false},
        {std::numeric_limits<uint64_t>::max(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const json env = envelope::register_write("toy.regs", 1, c.value);
        if (c.encodes) {
            EXPECT_EQ(json::from_ubjson(encode_envelope(env))["data"]["value"], c.value);
        } else {
            EXPECT_THROW(encode_envelope(env), json::out_of_range);
        }
    }
    // Also where it hides deeper than "data"'s own members.
    const json nested = {{"data", {{"values", {1, std::numeric_limits<uint64_t>::max()}}}}};
    EXPECT_THROW(encode_envelope(nested), json::out_of_range);
}

// A bus dialled to a listening peer, as the worker leaves it.
class ConnectedBus : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(nng_dial(bus, peer.url.c_str(), nullptr, 0), 0); }

    // Whether the peer gets nothing more within a short wait.
    bool peer_gets_nothing() {
        nng_socket_set_ms(peer.socket, NNG_OPT_RECVTIMEO, 50);
        return !peer.recv_bytes().has_value();
    }

    NngPeer peer{unique_inproc_url("envelope")};
    PairSocket bus;
    Logger log{100};
};

TEST_F(ConnectedBus, SendDeliversExactlyTheEncodedBytes) {
    const json env = envelope::register_write("toy.regs", 2, 0xAB);
    send_envelope(bus, env);
    EXPECT_EQ(peer.recv_bytes(), encode_envelope(env));
}

TEST_F(ConnectedBus, TwoSendsAreTwoMessages) {
    send_envelope(bus, envelope::step_command());
    send_envelope(bus, envelope::step_command());
    const Bytes expected = encode_envelope(envelope::step_command());
    EXPECT_EQ(peer.recv_bytes(), expected);
    EXPECT_EQ(peer.recv_bytes(), expected);
    EXPECT_TRUE(peer_gets_nothing());
}

TEST_F(ConnectedBus, SendWithTimeOutDeliversWhenThePeerIsThere) {
    send_envelope(bus, envelope::reset_command(), 2000);
    EXPECT_EQ(peer.recv_bytes(), encode_envelope(envelope::reset_command()));
}

TEST_F(ConnectedBus, RefusedEncodingSendsNothing) {
    const json env = envelope::register_write("toy.regs", 1, std::numeric_limits<uint64_t>::max());
    EXPECT_THROW(send_envelope(bus, env), json::out_of_range);
    EXPECT_THROW(send_envelope(bus, env, 2000), json::out_of_range);
    EXPECT_TRUE(peer_gets_nothing());
}

TEST_F(ConnectedBus, FrameSenderLogsARefusedEncodingAndSendsNothing) {
    FrameSender sender(bus, log);
    bool sent = true;
    EXPECT_NO_THROW(sent = sender.send(envelope::register_write("toy.regs", 1, uint64_t(1) << 63)));
    EXPECT_FALSE(sent);
    const std::vector<std::string> texts = log.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("invalid message: ", 0), 0u) << texts[0];
    EXPECT_GT(texts[0].size(), std::string("invalid message: ").size());
    EXPECT_TRUE(peer_gets_nothing());
}

TEST_F(ConnectedBus, FrameSenderDeliversAndLogsNothing) {
    FrameSender sender(bus, log, 2000);
    EXPECT_TRUE(sender.send(envelope::step_command()));
    EXPECT_EQ(peer.recv_bytes(), encode_envelope(envelope::step_command()));
    EXPECT_EQ(log.size(), 0u);
}

TEST(SendWithoutPeer, TimedSendFailsWithTimedOut) {
    PairSocket bus;
    try {
        send_envelope(bus, envelope::list_request(), 20);
        FAIL() << "a send without a peer returned";
    } catch (const NngError& e) {
        EXPECT_EQ(e.code(), NNG_ETIMEDOUT);
        EXPECT_STREQ(e.what(), "Timed out");
    }
}

// The frame loop never waits for a send: it is handed over at once, and a
// send that no back end takes fails later, in the log.
TEST(SendWithoutPeer, FrameSenderReturnsAtOnceAndLogsTheTimeOutLater) {
    PairSocket bus;
    Logger log(100);
    FrameSender sender(bus, log, 50);
    bool sent = false;
    EXPECT_NO_THROW(sent = sender.send(envelope::reset_command()));
    EXPECT_TRUE(sent);
    EXPECT_EQ(sender.in_flight(), 1u);
    ASSERT_TRUE(sender.wait_idle(5000));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"nng error: Timed out"});
}

// Sends complete in the order they were made, one message each.
TEST_F(ConnectedBus, FrameSenderKeepsTheOrderOfItsSends) {
    FrameSender sender(bus, log, 2000);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(sender.send(envelope::register_write("toy.regs", 0, i)));
    for (int i = 0; i < 20; ++i) {
        auto received = peer.recv();
        ASSERT_TRUE(received);
        EXPECT_EQ((*received)["data"]["value"], i);
    }
    ASSERT_TRUE(sender.wait_idle(5000));
    EXPECT_TRUE(log.texts().empty());
}
