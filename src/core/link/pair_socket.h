#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
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

    // Waits until the connections have stopped reading: no message has
    // arrived for quiet_period, or settle_limit has passed. With nobody
    // receiving, a connection reads until the receive buffer is full and then
    // waits. NNG 1.5 can hang for ever tearing down a connection while a
    // message arrives on it (a peer that streams), so whoever stops receiving
    // calls this before a dialer or the socket closes.
    void settle() const;
    static constexpr int quiet_period_ms = 10;
    static constexpr int settle_limit_ms = 250;

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

    nng_socket id = NNG_SOCKET_INITIALIZER;
    std::atomic<bool> open{false}; // read by settle() on any thread
    mutable std::mutex handler_mutex; // held while the handler runs; guards live too
    PipeHandler handler;
    std::unordered_set<int> live; // ids of the pipes up now
    std::atomic<int> added{0};
    std::atomic<int> removed{0};
};
