// The real socket loop, with a dialing pair0 socket playing the front end
// (Quarrin dials; the back end listens). Every wait is bounded.
#include <atomic>
#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nng/nng.h>

#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "sim/sim_listener.h"
#include "sim/sim_server.h"
#include "support/count_gaps.h"
#include "support/nng_peer.h"

using nlohmann::json;

namespace {

constexpr nng_duration wait_ms = 3000;

// A front end: dials like Quarrin's worker, with bounded sends and receives.
// Its socket settles before it closes, as Quarrin's does.
class FrontEnd {
  public:
    explicit FrontEnd(const std::string& url) {
        nng_check(nng_socket_set_ms(socket, NNG_OPT_RECVTIMEO, wait_ms), "nng_socket_set_ms");
        nng_check(nng_dial(socket, url.c_str(), nullptr, 0), "nng_dial");
    }

    void send(const json& envelope) { send_envelope(socket, envelope, wait_ms); }

    void send_bytes(const std::vector<uint8_t>& body) {
        nng_check(nng_send(socket, const_cast<uint8_t*>(body.data()), body.size(), 0), "nng_send");
    }

    std::optional<json> recv() {
        nng_msg* msg = nullptr;
        if (nng_recvmsg(socket, &msg, 0) != 0)
            return std::nullopt;
        socket.count_taken(msg);
        json envelope =
            decode_ubjson(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg));
        nng_msg_free(msg);
        return envelope;
    }

    // The next event whose origin is origin, skipping others (bounded).
    std::optional<json> recv_from(const std::string& origin) {
        for (int i = 0; i < 50; ++i) {
            auto envelope = recv();
            if (!envelope || (*envelope)["origin"] == origin)
                return envelope;
        }
        return std::nullopt;
    }

    // Asks for the list and returns the answer's names.
    json list() {
        send(envelope::list_request());
        auto answer = recv();
        return answer ? (*answer)["data"] : json();
    }

    // The same for a front end that has just come back: until the back end
    // has seen the previous connection close, pair0 turns the new one away
    // and a request sent on it is lost, so it is asked again (bounded).
    json list_after_reconnect() {
        json names;
        for (int attempt = 0; attempt < 3 && names.is_null(); ++attempt)
            names = list();
        return names;
    }

  private:
    PairSocket socket;
};

// A SimServer behind a SimListener, its loop on its own thread.
class RunningBackEnd {
  public:
    RunningBackEnd(const std::string& url, int tick_ms)
        : server(QUARRIN_SOURCE_DIR "/architectures", out, err), listener(url),
          loop([this, tick_ms] { listener.run(server, stop, tick_ms, err); }) {}
    ~RunningBackEnd() { halt(); }

    // Stops the loop; out and err may be read afterwards.
    void halt() {
        stop = true;
        if (loop.joinable())
            loop.join();
    }

    std::ostringstream out, err;
    SimServer server;
    SimListener listener;
    std::atomic<bool> stop{false};
    std::thread loop;
};

const json names = {"isa4", "toy"};

class SimListenerTest : public ::testing::TestWithParam<std::string> {
  protected:
    std::string url() const {
        return GetParam() == "inproc" ? unique_inproc_url("quarrin-sim") : "tcp://127.0.0.1:0";
    }
};

TEST_P(SimListenerTest, ServesTheWholeRoadAndSurvivesGarbage) {
    RunningBackEnd back(url(), 0);
    FrontEnd front(back.listener.bound_url());

    EXPECT_EQ(front.list(), names);
    front.send(envelope::architecture_select("isa4"));
    auto load = front.recv();
    ASSERT_TRUE(load);
    EXPECT_EQ((*load)["message_sub_type"], "load");

    std::array<uint32_t, 256> rom{};
    rom[0] = 0x11003; // ADDI r1, r0, 3
    front.send(envelope::program_load(rom));
    front.send_bytes({'{', 'i', 9});      // truncated
    front.send_bytes({'[', 'i', 1, ']'}); // not an object
    front.send(envelope::step_command());
    std::vector<json> events;
    for (int i = 0; i < 3; ++i)
        if (auto event = front.recv())
            events.push_back(*event);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["data"], (json{{"register_number", 1}, {"value", 3}}));
    EXPECT_EQ(events[1]["origin"], "isa4.pc");
    EXPECT_EQ(events[2]["data"]["new_count"], 1);
    EXPECT_EQ(front.list(), names); // garbage was answered with nothing

    back.halt();
    std::istringstream printed(back.out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(printed, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u); // the truncated body never decoded
    EXPECT_EQ(lines[0], envelope::list_request().dump());
    EXPECT_EQ(lines[3], "[1]");
    EXPECT_NE(back.err.str().find("undecodable message of 3 bytes"), std::string::npos);
}

TEST_P(SimListenerTest, AFrontEndThatComesBackIsServedAgain) {
    RunningBackEnd back(url(), 0);
    {
        FrontEnd first(back.listener.bound_url());
        EXPECT_EQ(first.list(), names);
        first.send(envelope::architecture_select("toy"));
        ASSERT_TRUE(first.recv());
        first.send(envelope::step_command());
        ASSERT_TRUE(first.recv_from("toy.clock"));
    }
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        FrontEnd again(back.listener.bound_url());
        EXPECT_EQ(again.list_after_reconnect(), names);
        // The machine is still the one selected before, and keeps counting.
        again.send(envelope::step_command());
        const auto event = again.recv_from("toy.clock");
        ASSERT_TRUE(event);
        EXPECT_EQ(*event, envelope::counter_update("toy.clock", 2 + round));
    }
}

TEST_P(SimListenerTest, TickStreamsStepsByItself) {
    RunningBackEnd back(url(), 2);
    FrontEnd front(back.listener.bound_url());
    front.send(envelope::architecture_select("toy"));
    ASSERT_TRUE(front.recv());
    // All-zero program: every step reports PC and CYC only.
    uint64_t cycles = 0;
    for (int i = 0; i < 5; ++i) {
        auto event = front.recv_from("toy.clock");
        ASSERT_TRUE(event);
        EXPECT_GT((*event)["data"]["new_count"].get<uint64_t>(), cycles);
        cycles = (*event)["data"]["new_count"];
    }
    EXPECT_GE(cycles, 5u);
    // The stream stops before this front end closes: NNG 1.5 can leave a
    // send in one socket and the close of its peer in the same process
    // waiting on each other for ever.
    back.halt();
}

// The clock counts of a run of received envelopes, and where the list reply
// came among them.
struct Stream {
    std::vector<uint64_t> clock;
    int list_reply_after = -1; // clock updates received before it
    int list_replies = 0;
};

// Takes envelopes; with until_reply, until 100 more after the list reply (at
// most 100,000 in all).
Stream receive_stream(FrontEnd& front, int envelopes, bool until_reply = false) {
    Stream stream;
    for (int i = 0; i < envelopes || (until_reply && stream.list_replies == 0 && i < 100000); ++i) {
        const auto envelope = front.recv();
        if (!envelope)
            break;
        if ((*envelope)["message_sub_type"] == "list") {
            ++stream.list_replies;
            stream.list_reply_after = static_cast<int>(stream.clock.size());
            envelopes = i + 100;
        } else if ((*envelope)["origin"] == "toy.clock") {
            stream.clock.push_back((*envelope)["data"]["new_count"].get<uint64_t>());
        }
    }
    return stream;
}

// A front end that stops taking the stream for a while loses nothing: the
// free run waits for it, receiving goes on meanwhile, and the reply to a
// request sent during the stall comes in its place among the events.
TEST_P(SimListenerTest, StalledFrontEndHoldsTheRunAndLosesNothing) {
    RunningBackEnd back(url(), 1);
    FrontEnd front(back.listener.bound_url());
    front.send(envelope::architecture_select("toy"));
    ASSERT_TRUE(front.recv_from("toy.clock")); // the run streams
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    front.send(envelope::list_request()); // taken though sends wait
    const Stream stream = receive_stream(front, 100, true);
    back.halt();

    ASSERT_GE(stream.clock.size(), 50u);
    EXPECT_EQ(count_gaps(stream.clock), 0u) << "a step's events were lost";
    EXPECT_EQ(stream.list_replies, 1);
    EXPECT_GT(stream.list_reply_after, 0);
    EXPECT_EQ(back.err.str().find("send failed"), std::string::npos) << back.err.str();
}

INSTANTIATE_TEST_SUITE_P(Transports, SimListenerTest, ::testing::Values("tcp", "inproc"));

TEST(SimListener, ABusyAddressIsReportedAsAnNngError) {
    SimListener first("tcp://127.0.0.1:0");
    try {
        SimListener second(first.bound_url());
        FAIL() << "listened twice on " << first.bound_url();
    } catch (const NngError& e) {
        EXPECT_STREQ(e.call(), "nng_listen");
        EXPECT_EQ(e.code(), NNG_EADDRINUSE);
    }
}

} // namespace
