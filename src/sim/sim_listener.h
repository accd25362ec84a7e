#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>
#include <nng/nng.h>

#include "link/pair_socket.h"

class SimServer;

// The back end's socket: a pair0 socket listening on one address. pair0
// serves one front end at a time; while the listener stays up, a front end
// that disconnects can dial again and is served again.
//
// Nothing is dropped: replies and streamed events go through one ordered
// outbox that only a completed send empties. A front end slower than the
// free run holds the run back (it steps only with the outbox empty and a
// front end connected); without one, the run and the sends wait, and the
// loop sleeps. Receiving goes on while sends wait, until max_outbox
// envelopes are waiting, so the outbox holds at most that and one batch.
class SimListener {
  public:
    static constexpr size_t max_outbox = 256;

    // Raises NngError ("nng_pair0_open", "nng_socket_set_size", "nng_socket_set_int",
    // "nng_pipe_notify", "nng_listen", "nng_aio_alloc").
    explicit SimListener(const std::string& url);
    ~SimListener();
    SimListener(const SimListener&) = delete;
    SimListener& operator=(const SimListener&) = delete;

    // The address listened on, with the port the system chose for port 0.
    std::string bound_url() const;

    // Receives and answers envelopes until stop is set (checked at least every
    // 100 ms). With tick_ms > 0 the machine also steps by itself every tick_ms
    // ms and its events are streamed. Socket failures get a line on err.
    void run(SimServer& server, const std::atomic<bool>& stop, int tick_ms, std::ostream& err);

    // Envelopes waiting to be sent, for tests; only valid while run() is not running.
    size_t waiting() const { return outbox.size(); }

  private:
    using Clock = std::chrono::steady_clock;

    static void on_received(void* arg);
    static void on_sent(void* arg);
    void wake();
    // Starts the receive, and the send of the outbox's front, when they can go.
    void start_transfers(std::ostream& err);
    // Handle a completed receive or send; false once the socket is closed.
    bool finish_receive(SimServer& server, std::ostream& err);
    bool finish_send(std::ostream& err);
    // Cancels what is under way and frees what it held.
    void cancel_transfers();

    PairSocket socket; // refuses messages above PairSocket::max_message_bytes too
    nng_listener listener = NNG_LISTENER_INITIALIZER;
    nng_aio* recv_aio = nullptr;
    nng_aio* send_aio = nullptr;

    // Completions and pipe changes wake the loop.
    std::mutex mutex;
    std::condition_variable changed;
    bool received = false; // a receive completed
    bool sent = false;     // a send completed
    bool news = false;     // either, or a front end came or went

    // The loop's own.
    std::deque<nlohmann::json> outbox;
    bool receiving = false;
    bool sending = false;
    bool send_failing = false;  // reported once, not at every retry
    Clock::time_point retry_at; // after a failure, nothing starts before
};
