// Closing a socket whose peer floods it: NNG 1.5 hangs tearing down a
// connection on which a message arrives meanwhile, so the socket settles
// first, until its connection has stopped reading.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <nng/nng.h>

#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "support/nng_peer.h"

namespace {

// A listening peer that sends small messages as fast as its connection
// takes them, until it is destroyed.
class Flood {
  public:
    Flood() : url("tcp://127.0.0.1:" + std::to_string(free_tcp_port())), peer(url) {
        nng_check(nng_socket_set_ms(peer.socket, NNG_OPT_SENDTIMEO, 50), "nng_socket_set_ms");
        sender = std::thread([this] {
            std::string body(100, 'x');
            while (!stop)
                nng_send(peer.socket, body.data(), body.size(), 0);
        });
    }
    ~Flood() {
        stop = true;
        sender.join();
    }
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

    const std::string url;

  private:
    NngPeer peer;
    std::atomic<bool> stop{false};
    std::thread sender;
};

// Dials the flood and takes n messages, counting them.
void dial_and_take(PairSocket& socket, const std::string& url, int n) {
    ASSERT_EQ(nng_socket_set_ms(socket, NNG_OPT_RECVTIMEO, 2000), 0);
    ASSERT_EQ(nng_dial(socket, url.c_str(), nullptr, 0), 0);
    for (int i = 0; i < n; ++i) {
        nng_msg* msg = nullptr;
        ASSERT_EQ(nng_recvmsg(socket, &msg, 0), 0) << "message " << i;
        socket.count_taken(msg);
        nng_msg_free(msg);
    }
}

TEST(PairSocketSettle, AFloodedConnectionHasStoppedReadingWhenSettled) {
    Flood flood;
    PairSocket socket;
    ASSERT_NO_FATAL_FAILURE(dial_and_take(socket, flood.url, 5));
    socket.settle();
    // The buffer is full and the connection holds one more: it reads no more.
    const uint64_t full = PairSocket::receive_buffer + 1;
    EXPECT_EQ(socket.waiting(), full);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(socket.waiting(), full);
}

TEST(PairSocketClose, EndsWhileAPeerFloodsIt) {
    Flood flood;
    for (int round = 0; round < 20; ++round) {
        PairSocket socket;
        ASSERT_NO_FATAL_FAILURE(dial_and_take(socket, flood.url, round % 3 * 10))
            << "round " << round;
    } // each close ends, the flood still coming
}

} // namespace
