// The connection worker: dialling, replacing the connection, the list
// request, the connection's state through NNG's pipe notifications, and its
// task loop.
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "link/envelope.h"
#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "link/worker.h"
#include "log/logger.h"
#include "support/nng_peer.h"

using namespace std::chrono_literals;

namespace {

std::string tcp_url(int port) {
    return "tcp://127.0.0.1:" + std::to_string(port);
}

// The log oldest first, as the lines were written.
std::vector<std::string> written(const Logger& log) {
    std::vector<std::string> texts = log.texts();
    return {texts.rbegin(), texts.rend()};
}

const std::vector<uint8_t> list_request = encode_envelope(envelope::list_request());

} // namespace

class WorkerTest : public ::testing::Test {
  protected:
    // Whether a send on the bus reaches a peer within a short time.
    bool bus_sends() {
        try {
            send_envelope(bus, envelope::step_command(), 200);
            return true;
        } catch (const NngError&) {
            return false;
        }
    }

    PairSocket bus;
    Logger log{100};
    Worker worker{log, bus};
};

class ConnectToListeningPeer : public WorkerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConnectToListeningPeer, LogsBothLinesSendsTheListRequestAndShowsTheAddress) {
    const std::string url = GetParam() ? tcp_url(free_tcp_port()) : unique_inproc_url("worker");
    NngPeer peer(url);
    EXPECT_EQ(worker.status().state, LinkStatus::NotConnected);
    worker.dial(url);
    EXPECT_EQ(written(log),
              (std::vector<std::string>{"Connected to " + url, "waiting for data..."}));
    EXPECT_EQ(peer.recv_bytes(), list_request);
    EXPECT_EQ(list_request.size(), 88u);
    ASSERT_TRUE(wait_until([&] { return worker.status().state == LinkStatus::Connected; }));
    EXPECT_EQ(worker.status().address, url);
    EXPECT_EQ(worker.status().connections, 1u);
}

INSTANTIATE_TEST_SUITE_P(ByTransport, ConnectToListeningPeer, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "tcp" : "inproc"; });

TEST_F(WorkerTest, NothingListeningLogsConnectionRefusedOnly) {
    worker.dial(tcp_url(free_tcp_port()));
    EXPECT_EQ(written(log), std::vector<std::string>{"nng error: Connection refused"});
    EXPECT_EQ(worker.status().state, LinkStatus::NotConnected);
    EXPECT_EQ(worker.status().address, "");
    EXPECT_EQ(worker.status().connections, 0u);
}

TEST_F(WorkerTest, MalformedAddressLogsOneNngError) {
    worker.dial("nowhere:1");
    const std::vector<std::string> texts = written(log);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("nng error: ", 0), 0u) << texts[0];
    EXPECT_EQ(worker.status().state, LinkStatus::NotConnected);
}

// A Connect replaces the connection: what is sent afterwards goes to the new
// back end only, the old one loses its peer, and no "lost" line is written
// for a connection closed on purpose.
TEST_F(WorkerTest, ConnectReplacesThePreviousConnection) {
    NngPeer first(tcp_url(free_tcp_port()));
    NngPeer second(tcp_url(free_tcp_port()));
    worker.dial(first.url);
    ASSERT_EQ(first.recv_bytes(), list_request);
    worker.dial(second.url);
    EXPECT_EQ(second.recv_bytes(), list_request);
    EXPECT_EQ(worker.status().address, second.url);
    ASSERT_TRUE(bus_sends());
    EXPECT_TRUE(second.recv().has_value());
    EXPECT_FALSE(first.recv().has_value()) << "the old connection still took a send";
    EXPECT_EQ(bus.live_pipes(), 1u);
    EXPECT_EQ(written(log), (std::vector<std::string>{
                                "Connected to " + first.url,
                                "waiting for data...",
                                "Connected to " + second.url,
                                "waiting for data...",
                            }));
    EXPECT_EQ(worker.status().connections, 2u);
}

TEST_F(WorkerTest, RefusedConnectWhileConnectedLeavesNoConnection) {
    NngPeer peer(unique_inproc_url("worker-old"));
    worker.dial(peer.url);
    ASSERT_EQ(peer.recv_bytes(), list_request);
    const std::string refused = tcp_url(free_tcp_port());
    worker.dial(refused);
    EXPECT_EQ(log.texts().front(), "nng error: Connection refused");
    EXPECT_EQ(worker.status().state, LinkStatus::NotConnected);
    EXPECT_FALSE(bus_sends()) << "a send still found the old back end";
    EXPECT_FALSE(peer.recv().has_value());
    EXPECT_EQ(bus.live_pipes(), 0u);
}

// The back end goes away and comes back on the same address: the state
// follows, both are logged, and the list is asked for again.
TEST_F(WorkerTest, LostConnectionIsLoggedAndItsReturnAsksForTheListAgain) {
    const std::string url = tcp_url(free_tcp_port());
    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    auto peer = std::make_unique<NngPeer>(url);
    worker.connect(url);
    ASSERT_EQ(peer->recv_bytes(), list_request);
    ASSERT_TRUE(wait_until([&] { return worker.status().state == LinkStatus::Connected; }));
    // The worker logs this right after the send the peer has taken.
    ASSERT_TRUE(wait_until([&] { return log.texts().front() == "waiting for data..."; }));

    peer.reset();
    ASSERT_TRUE(wait_until([&] { return worker.status().state == LinkStatus::Lost; }));
    // Logged on NNG's thread right after the state changes.
    const std::string lost = "Connection to " + url + " lost, retrying";
    EXPECT_TRUE(wait_until([&] { return log.texts().front() == lost; })) << log.texts().front();
    EXPECT_EQ(worker.status().address, url);

    peer = std::make_unique<NngPeer>(url);
    ASSERT_TRUE(wait_until([&] { return worker.status().state == LinkStatus::Connected; }, 5000));
    EXPECT_EQ(peer->recv_bytes(), list_request) << "the list was not asked for again";
    EXPECT_EQ(worker.status().connections, 2u);
    EXPECT_EQ(written(log), (std::vector<std::string>{
                                "Connected to " + url,
                                "waiting for data...",
                                "Connection to " + url + " lost, retrying",
                                "Reconnected to " + url,
                            }));
    worker.stop();
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
}

TEST_F(WorkerTest, ConnectNeverWaitsAndTheNewestAddressWins) {
    for (int i = 0; i < 100; ++i)
        worker.connect("inproc://pressed-" + std::to_string(i));
    std::optional<WorkTask> task = worker.try_take();
    ASSERT_TRUE(task.has_value());
    EXPECT_EQ(task->type, WorkTask::Connect);
    EXPECT_EQ(std::get<std::string>(task->data), "inproc://pressed-99");
    EXPECT_FALSE(worker.try_take().has_value());
}

class WorkerThread : public WorkerTest {
  protected:
    // Stops the worker and reports whether run_worker returned in time.
    ::testing::AssertionResult stops_in_time(std::future<void>& done) {
        worker.stop();
        if (done.wait_for(5s) == std::future_status::ready)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "run_worker did not return after stop()";
    }
};

TEST_F(WorkerThread, TakesEachConnectAsItComesAndReturnsAfterStop) {
    NngPeer first(unique_inproc_url("worker-first"));
    NngPeer second(unique_inproc_url("worker-second"));
    const std::string nowhere = unique_inproc_url("worker-nowhere");

    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    for (const std::string& url : {first.url, nowhere, second.url}) {
        const size_t before = log.size();
        worker.connect(url);
        ASSERT_TRUE(wait_until([&] {
            return log.size() > before && worker.status().state != LinkStatus::Connecting;
        }));
        // Both lines of a successful one are in before the next is pressed.
        if (url != nowhere) {
            ASSERT_TRUE(wait_until([&] { return log.size() == before + 2; }));
        }
    }
    ASSERT_TRUE(stops_in_time(done));

    EXPECT_EQ(written(log), (std::vector<std::string>{
                                "Connected to " + first.url,
                                "waiting for data...",
                                "nng error: Connection refused",
                                "Connected to " + second.url,
                                "waiting for data...",
                            }));
    EXPECT_EQ(first.recv_bytes(), list_request);
    EXPECT_EQ(second.recv_bytes(), list_request);
}

TEST_F(WorkerThread, ReturnsWhenStoppedWhileWaiting) {
    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    ASSERT_TRUE(stops_in_time(done));
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(WorkerThread, StopDropsTasksNotYetTaken) {
    worker.connect(unique_inproc_url("worker-never"));
    worker.stop();
    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(log.size(), 0u);
}
