// The receive path against a real peer: envelopes taken as they arrive,
// receiving paused while the queue is full.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <nng/nng.h>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "link/envelope.h"
#include "link/pair_socket.h"
#include "link/receiver.h"
#include "log/logger.h"
#include "support/nng_peer.h"

using nlohmann::json;

// The bus dialled to a peer that plays the back end, as after "Connect".
class ReceiverWithPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        // Room for the scripted envelopes sent before anything receives them.
        ASSERT_EQ(nng_socket_set_int(peer.socket, NNG_OPT_SENDBUF, 16), 0);
        ASSERT_EQ(nng_dial(bus, peer.url.c_str(), nullptr, 0), 0);
    }

    std::string loaded_path() {
        std::optional<ArchSimMsg> m = msgs.try_pop();
        if (!m)
            return "<nothing>";
        EXPECT_EQ(m->type, ArchSimMsg::ArchitectureLoad);
        return std::get<std::string>(m->data);
    }

    size_t logged_envelopes() const {
        size_t n = 0;
        for (const LogItem& item : log.snapshot())
            n += item.is_text() ? 0 : 1;
        return n;
    }

    // Declared so that the receiver goes first and the peer last.
    NngPeer peer{unique_inproc_url("receiver")};
    PairSocket bus;
    BoundedQueue<ArchSimMsg> msgs{4};
    Logger log{100};
    std::unique_ptr<Receiver> receiver = std::make_unique<Receiver>(msgs, log);
};

TEST_F(ReceiverWithPeer, OneArmTakesEveryEnvelopeAsItArrivesInOrder) {
    receiver->arm(bus);
    for (const char* path : {"a.toml", "b.toml", "c.toml"})
        peer.send(envelope::architecture_load(path));
    ASSERT_TRUE(wait_until([&] { return msgs.size() == 3; }));
    for (const char* path : {"a.toml", "b.toml", "c.toml"})
        EXPECT_EQ(loaded_path(), path);

    const std::vector<LogItem> entries = log.snapshot();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].envelope(), envelope::architecture_load("c.toml"));
    EXPECT_EQ(entries[2].envelope(), envelope::architecture_load("a.toml"));
    EXPECT_EQ(receiver->state(), Receiver::State::Receiving); // waiting for the next one
}

// With the queue full, receiving pauses: the rest waits inside NNG, nothing
// is lost, and the next arm after the queue has room takes up again.
TEST_F(ReceiverWithPeer, FullQueuePausesUntilArmedWithRoom) {
    for (int i = 0; i < 7; ++i)
        peer.send(envelope::architecture_load(std::to_string(i) + ".toml"));
    receiver->arm(bus);
    ASSERT_TRUE(wait_until([&] { return receiver->state() == Receiver::State::Paused; }));
    EXPECT_EQ(msgs.size(), 4u);
    EXPECT_EQ(logged_envelopes(), 4u) << "taken off the socket without room";

    receiver->arm(bus); // no room yet: stays paused
    EXPECT_EQ(receiver->state(), Receiver::State::Paused);
    EXPECT_EQ(loaded_path(), "0.toml");
    receiver->arm(bus);
    ASSERT_TRUE(wait_until([&] { return receiver->state() == Receiver::State::Paused; }));
    EXPECT_EQ(msgs.size(), 4u);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(loaded_path(), std::to_string(i) + ".toml");
    receiver->arm(bus);
    ASSERT_TRUE(wait_until([&] { return msgs.size() == 2; }));
    EXPECT_EQ(loaded_path(), "5.toml");
    EXPECT_EQ(loaded_path(), "6.toml");
    EXPECT_EQ(log.size(), 7u);
}

TEST_F(ReceiverWithPeer, ArmWhileReceivingStartsNoSecondReceive) {
    receiver->arm(bus);
    EXPECT_TRUE(receiver->is_pending());
    receiver->arm(bus);
    receiver->arm(bus);

    peer.send(envelope::architecture_load("first.toml"));
    peer.send(envelope::architecture_load("second.toml"));
    ASSERT_TRUE(wait_until([&] { return msgs.size() == 2; }));
    EXPECT_EQ(loaded_path(), "first.toml");
    EXPECT_EQ(loaded_path(), "second.toml");
    EXPECT_EQ(log.texts().size(), 2u);
    for (const LogItem& entry : log.snapshot())
        EXPECT_FALSE(entry.is_text()) << entry.text();
}

// Held (while a connection is being replaced), the receiver takes nothing,
// arms start nothing, and nothing is lost: after release the next arm takes
// what waited in NNG, in order. Stopped, it never receives again.
TEST_F(ReceiverWithPeer, HeldTakesNothingUntilReleasedAndStoppedNeverAgain) {
    receiver->arm(bus);
    receiver->hold();
    EXPECT_EQ(receiver->state(), Receiver::State::Paused);
    peer.send(envelope::architecture_load("held.toml"));
    receiver->arm(bus);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(receiver->state(), Receiver::State::Paused);
    EXPECT_EQ(msgs.size(), 0u);
    EXPECT_EQ(log.size(), 0u) << "a cancelled receive is not worth a log line";

    receiver->release();
    receiver->arm(bus);
    ASSERT_TRUE(wait_until([&] { return msgs.size() == 1; }));
    EXPECT_EQ(loaded_path(), "held.toml");

    receiver->stop();
    EXPECT_EQ(receiver->state(), Receiver::State::Stopped);
    peer.send(envelope::architecture_load("late.toml"));
    receiver->arm(bus);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(receiver->state(), Receiver::State::Stopped);
    EXPECT_EQ(msgs.size(), 0u);
}

TEST_F(ReceiverWithPeer, InvalidBodyIsLoggedAndReceivingGoesOn) {
    receiver->arm(bus);
    peer.send_bytes({'[', 'i', 1});
    peer.send(envelope::architecture_load("after.toml"));
    ASSERT_TRUE(wait_until([&] { return msgs.size() == 1; }));
    EXPECT_EQ(loaded_path(), "after.toml");
    ASSERT_EQ(log.texts().size(), 2u);
    const std::string first = log.texts()[1];
    EXPECT_EQ(first.rfind("invalid message: ", 0), 0u) << first;
}

TEST_F(ReceiverWithPeer, ClosedSocketStopsItWithoutALogLine) {
    receiver->arm(bus);
    bus.close();
    ASSERT_TRUE(wait_until([&] { return receiver->state() == Receiver::State::Stopped; }));
    receiver->arm(bus);
    EXPECT_EQ(receiver->state(), Receiver::State::Stopped);
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(ReceiverWithPeer, DestroyingWithAReceivePendingIsClean) {
    receiver->arm(bus);
    ASSERT_TRUE(receiver->is_pending());
    receiver.reset();
    EXPECT_EQ(log.size(), 0u);
    EXPECT_EQ(msgs.size(), 0u);

    // The cancelled receive took nothing: the next envelope is still there.
    ASSERT_EQ(nng_socket_set_ms(bus, NNG_OPT_RECVTIMEO, 2000), 0);
    peer.send(envelope::architecture_load("later.toml"));
    nng_msg* msg = nullptr;
    ASSERT_EQ(nng_recvmsg(bus, &msg, 0), 0);
    const auto* body = static_cast<const uint8_t*>(nng_msg_body(msg));
    EXPECT_EQ(json::from_ubjson(body, body + nng_msg_len(msg)),
              envelope::architecture_load("later.toml"));
    nng_msg_free(msg);
}
