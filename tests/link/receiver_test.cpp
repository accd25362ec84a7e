// The asynchronous receive against a real peer: one envelope per arm.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
        // Room for the scripted envelopes that wait for later arms.
        ASSERT_EQ(nng_socket_set_int(peer.socket, NNG_OPT_SENDBUF, 8), 0);
        ASSERT_EQ(nng_dial(bus, peer.url.c_str(), nullptr, 0), 0);
    }

    // Arms and waits for that receive to complete.
    void arm_and_complete() {
        receiver->arm(bus);
        ASSERT_TRUE(wait_until([&] { return !receiver->is_pending(); }));
    }

    std::string loaded_path() {
        std::optional<ArchSimMsg> m = msgs.try_pop();
        if (!m)
            return "<nothing>";
        EXPECT_EQ(m->type, ArchSimMsg::ArchitectureLoad);
        return std::get<std::string>(m->data);
    }

    // Declared so that the receiver goes first and the peer last.
    NngPeer peer{unique_inproc_url("receiver")};
    PairSocket bus;
    BoundedQueue<ArchSimMsg> msgs{256};
    Logger log{100};
    std::unique_ptr<Receiver> receiver = std::make_unique<Receiver>(msgs, log);
};

TEST_F(ReceiverWithPeer, EachArmTakesOneEnvelopeInOrder) {
    peer.send(envelope::architecture_load("a.toml"));
    peer.send(envelope::architecture_load("b.toml"));
    peer.send(envelope::architecture_load("c.toml"));

    arm_and_complete();
    EXPECT_EQ(msgs.size(), 1u);
    EXPECT_EQ(loaded_path(), "a.toml");
    arm_and_complete();
    EXPECT_EQ(loaded_path(), "b.toml");
    arm_and_complete();
    EXPECT_EQ(loaded_path(), "c.toml");
    EXPECT_EQ(msgs.size(), 0u);

    const std::vector<LogItem> entries = log.snapshot();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].envelope(), envelope::architecture_load("c.toml"));
    EXPECT_EQ(entries[2].envelope(), envelope::architecture_load("a.toml"));
}

TEST_F(ReceiverWithPeer, ArmWhilePendingStartsNoSecondReceive) {
    receiver->arm(bus);
    EXPECT_TRUE(receiver->is_pending());
    receiver->arm(bus);
    receiver->arm(bus);

    peer.send(envelope::architecture_load("first.toml"));
    peer.send(envelope::architecture_load("second.toml"));
    ASSERT_TRUE(wait_until([&] { return !receiver->is_pending(); }));
    EXPECT_EQ(msgs.size(), 1u);
    EXPECT_EQ(loaded_path(), "first.toml");

    // The second envelope waited inside NNG for the next arm.
    arm_and_complete();
    EXPECT_EQ(loaded_path(), "second.toml");
    EXPECT_EQ(log.texts().size(), 2u);
    for (const LogItem& entry : log.snapshot())
        EXPECT_FALSE(entry.is_text()) << entry.text();
}

TEST_F(ReceiverWithPeer, InvalidBodyIsLoggedAndTheNextArmStillWorks) {
    peer.send_bytes({'[', 'i', 1});
    peer.send(envelope::architecture_load("after.toml"));
    arm_and_complete();
    EXPECT_EQ(msgs.size(), 0u);
    ASSERT_EQ(log.texts().size(), 1u);
    EXPECT_EQ(log.texts()[0].rfind("invalid message: ", 0), 0u) << log.texts()[0];

    arm_and_complete();
    EXPECT_EQ(loaded_path(), "after.toml");
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
