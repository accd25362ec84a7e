#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include <nng/nng.h>

// Owns one pair0 socket; converts to nng_socket wherever one is expected.
class PairSocket {
  public:
    static constexpr size_t max_message_bytes = size_t(16) << 20;
    static constexpr int receive_buffer = 64; // messages

    // Called on NNG's threads when a connection (pipe) has been added
    // (NNG_PIPE_EV_ADD_POST) or removed (NNG_PIPE_EV_REM_POST). It must
    // return soon and must not call into this socket.
    using PipeHandler = std::function<void(nng_pipe, nng_pipe_ev)>;

    // Raises NngError ("nng_pair0_open", "nng_socket_set_size", "nng_socket_set_int",
    // "nng_pipe_notify").
    PairSocket();
    ~PairSocket() { close(); }
    PairSocket(const PairSocket&) = delete;
    PairSocket& operator=(const PairSocket&) = delete;

    operator nng_socket() const { return id; }
    // Ends every dial, send and receive in progress on it; the pipe handler
    // has returned for the last time when this returns. Settles first.
    void close();

    // Waits until no message can arrive on the connections while they are
    // torn down: NNG 1.5 can hang for ever tearing down a connection on
    // which a message arrives meanwhile (a peer that streams). With nobody
    // receiving, a connection reads until the receive buffer is full, holds
    // one more message and then reads nothing until one is taken: settled.
    // So is a connection on which nothing has arrived for quiet_period_ms (a
    // peer that has stopped sending). Waits at most settle_limit_ms. Whoever
    // stops receiving calls this before a dialer or the socket closes.
    void settle() const;
    static constexpr int quiet_period_ms = 100;
    static constexpr int settle_limit_ms = 1000;

    // Counts a message taken off this socket (from nng_recvmsg or a receive
    // aio) against the connection it came from; settle() reckons from these
    // counts how full the receive buffer is. Call it for every message taken.
    void count_taken(nng_msg* msg);
    // Messages the live connections have read and nobody has taken yet:
    // receive_buffer + 1 once a connection has stopped reading.
    uint64_t waiting() const { return reading().waiting; }

    // Replaces the pipe handler; an empty one removes it. Waits for a call
    // of the previous handler that is under way, so what that handler uses
    // may go once this returns.
    void on_pipe_event(PipeHandler handler);

    // Connections made and lost since the socket opened. pair0 turns a
    // second peer away before it counts as added, so only its removal shows.
    int pipes_added() const { return added.load(); }
    int pipes_removed() const { return removed.load(); }
    // Connections up now: added and not removed since.
    size_t live_pipes() const;

  private:
    static void dispatch(nng_pipe pipe, nng_pipe_ev event, void* arg);
    // What the live connections have read so far, and how many of those
    // messages are still in the receive buffer or held by their connection.
    struct Reading {
        uint64_t read = 0;
        uint64_t waiting = 0;
    };
    Reading reading() const;

    nng_socket id = NNG_SOCKET_INITIALIZER;
    std::atomic<bool> open{false};    // read by settle() on any thread
    mutable std::mutex handler_mutex; // held while the handler runs
    PipeHandler handler;
    mutable std::mutex live_mutex;           // guards live and taken
    std::unordered_set<int> live;            // ids of the pipes up now
    std::unordered_map<int, uint64_t> taken; // messages taken, by pipe id
    std::atomic<int> added{0};
    std::atomic<int> removed{0};
};
