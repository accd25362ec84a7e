#pragma once

#include <mutex>

#include <nng/nng.h>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "link/pair_socket.h"
#include "log/logger.h"

// Takes the back end's envelopes off the bus as they arrive. Each completed
// receive is handed over (decoded, printed, logged, queued on msgs; see
// handle_body) and the next one is started from the completion at once, as
// long as msgs has room. When msgs is full, receiving pauses: NNG keeps what
// follows and the socket pushes back on the sender, until the frame's drain
// has made room and calls arm(). A receive is only started with room in
// msgs, whose only producer this is, and an envelope queues at most one
// message, so the push never waits on NNG's thread.
//
// Every envelope taken ends in one log entry, so the log's wake hook tells a
// waiting frame loop that something arrived.
class Receiver {
  public:
    enum class State {
        Idle,      // nothing started yet
        Receiving, // a receive is outstanding, or its completion is running
        Paused,    // msgs was full, a receive failed, or held: arm() starts again
        Stopped,   // the socket was closed or the receive cancelled
    };

    // Raises NngError("nng_aio_alloc").
    Receiver(BoundedQueue<ArchSimMsg>& msgs, Logger& log);
    // Cancels the outstanding receive and waits for a completion that runs.
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // Starts receiving on bus, or resumes after a pause, when msgs has room;
    // does nothing while receiving or once stopped. Called by every frame
    // after its drain.
    void arm(PairSocket& bus);

    // Cancels the outstanding receive, waits for a completion that runs,
    // and receives nothing more.
    void stop();
    // Stops receiving for a while: returns once no receive is outstanding
    // (at most hold_limit_ms), and arm() starts none until release(). Called
    // from another thread than the frame's, before a connection is closed.
    void hold();
    void release();
    static constexpr int hold_limit_ms = 1000;

    State state() const;
    bool is_pending() const { return state() == State::Receiving; }

  private:
    static void on_receive(void* arg);
    // Starts the next receive when msgs has room, else pauses. Locks the
    // receiver and then msgs, the only order in which both are held.
    void receive_next_or_pause();
    void set_state(State state);

    nng_aio* aio = nullptr;
    Logger& log;
    BoundedQueue<ArchSimMsg>& msgs;
    mutable std::mutex mutex; // guards current, held and bus
    State current = State::Idle;
    bool held = false;
    PairSocket* bus = nullptr;
};
