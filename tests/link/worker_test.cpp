// The connection worker: dialling, the list request, and its task loop.
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "link/envelope.h"
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

} // namespace

class WorkerTest : public ::testing::Test {
  protected:
    PairSocket bus;
    Logger log{100};
    Worker worker{log, bus};
};

class ConnectToListeningPeer : public WorkerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConnectToListeningPeer, LogsBothLinesAndSendsTheListRequest) {
    const std::string url = GetParam() ? tcp_url(free_tcp_port()) : unique_inproc_url("worker");
    NngPeer peer(url);
    connect_and_request(worker, url);
    EXPECT_EQ(written(log),
              (std::vector<std::string>{"Connected to " + url, "waiting for data..."}));
    EXPECT_EQ(peer.recv_bytes(), encode_envelope(envelope::list_request()));
    EXPECT_EQ(encode_envelope(envelope::list_request()).size(), 88u);
}

INSTANTIATE_TEST_SUITE_P(ByTransport, ConnectToListeningPeer, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "tcp" : "inproc"; });

TEST_F(WorkerTest, NothingListeningLogsConnectionRefusedOnly) {
    connect_and_request(worker, tcp_url(free_tcp_port()));
    EXPECT_EQ(written(log), std::vector<std::string>{"nng error: Connection refused"});
}

TEST_F(WorkerTest, MalformedAddressLogsOneNngError) {
    connect_and_request(worker, "nowhere:1");
    const std::vector<std::string> texts = written(log);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("nng error: ", 0), 0u) << texts[0];
}

class WorkerThread : public WorkerTest {
  protected:
    // Runs the worker until stop() and reports whether it returned in time.
    ::testing::AssertionResult stops_in_time(std::future<void>& done) {
        worker.stop();
        if (done.wait_for(5s) == std::future_status::ready)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "run_worker did not return after stop()";
    }
};

TEST_F(WorkerThread, TakesConnectTasksInOrderAndReturnsAfterStop) {
    NngPeer first(unique_inproc_url("worker-first"));
    NngPeer second(unique_inproc_url("worker-second"));
    const std::string nowhere = unique_inproc_url("worker-nowhere");

    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    worker.tasks.push(WorkTask::Connect, first.url.c_str());
    worker.tasks.push(WorkTask::None);
    worker.tasks.push(WorkTask::Connect, nowhere.c_str());
    worker.tasks.push(WorkTask::Connect, second.url.c_str());
    ASSERT_TRUE(wait_until([&] { return log.size() == 5; }));
    ASSERT_TRUE(stops_in_time(done));

    EXPECT_EQ(written(log), (std::vector<std::string>{
                                "Connected to " + first.url,
                                "waiting for data...",
                                "nng error: Connection refused",
                                "Connected to " + second.url,
                                "waiting for data...",
                            }));
    // pair0 keeps its first peer, so the requests go there.
    EXPECT_EQ(first.recv_bytes(), encode_envelope(envelope::list_request()));
}

TEST_F(WorkerThread, ReturnsWhenStoppedWhileWaiting) {
    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    ASSERT_TRUE(stops_in_time(done));
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(WorkerThread, TasksQueuedBeforeStopAreStillTaken) {
    NngPeer peer(unique_inproc_url("worker-queued"));
    worker.tasks.push(WorkTask::Connect, peer.url.c_str());
    worker.tasks.push(WorkTask::Connect, peer.url.c_str());
    worker.stop();

    std::future<void> done = std::async(std::launch::async, run_worker, &worker);
    ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(written(log), (std::vector<std::string>{
                                "Connected to " + peer.url,
                                "waiting for data...",
                                "Connected to " + peer.url,
                                "waiting for data...",
                            }));
}

TEST_F(WorkerThread, StopReturnsWhenTheQueueIsFull) {
    // Twenty refused dials fill the queue; stop() must not wait forever for
    // room that a worker which has already returned would never make.
    const std::string nowhere = unique_inproc_url("worker-full");
    for (int i = 0; i < 20; ++i)
        worker.tasks.push(WorkTask::Connect, nowhere.c_str());
    std::future<void> stopped = std::async(std::launch::async, [&] { worker.stop(); });
    ASSERT_TRUE(wait_until([&] { return !worker.tasks.is_open(); }));
    std::future<void> done = std::async(std::launch::async, run_worker, &worker);

    const bool finished = stopped.wait_for(5s) == std::future_status::ready &&
                          done.wait_for(5s) == std::future_status::ready;
    if (!finished) {
        // Make room so the blocked stop() can return and the test can end.
        while (worker.tasks.try_pop()) {
        }
    }
    ASSERT_TRUE(finished);
    EXPECT_EQ(log.size(), 20u);
}
