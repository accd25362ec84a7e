#pragma once

#include <atomic>

#include <nng/nng.h>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"

// One asynchronous receive at a time on the bus; the frame loop re-arms it
// once per frame, so at most one envelope is taken per frame.
class Receiver {
  public:
    // Raises NngError("nng_aio_alloc").
    Receiver(BoundedQueue<ArchSimMsg>& msgs, Logger& log);
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // Starts a receive unless one is outstanding.
    void arm(nng_socket bus);
    bool is_pending() const { return pending.load(); }

  private:
    static void on_receive(void* arg);

    nng_aio* aio = nullptr;
    Logger& log;
    std::atomic<bool> pending{false};
    BoundedQueue<ArchSimMsg>& msgs;
};
