#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

#include <nlohmann/json.hpp>
#include <nng/nng.h>

#include "log/logger.h"

// Sends envelopes from the frame loop without ever waiting: each send is
// handed to NNG with a time-out and completes on NNG's threads. A send that
// cannot complete in time (no back end connected) is logged there as
// "nng error: " + NNG's text; a send that could not even be started is
// logged at once.
class FrameSender {
  public:
    static constexpr nng_duration default_timeout_ms = 1000;

    FrameSender(nng_socket bus, Logger& log, nng_duration timeout_ms = default_timeout_ms)
        : bus(bus), log(log), timeout_ms(timeout_ms) {}
    // Waits for the sends still under way; each ends by its time-out at the latest.
    ~FrameSender();
    FrameSender(const FrameSender&) = delete;
    FrameSender& operator=(const FrameSender&) = delete;

    // Returns whether the envelope was handed to NNG.
    bool send(const nlohmann::json& envelope);

    // Sends handed to NNG that have not completed yet.
    size_t in_flight() const;
    // Waits until every send has completed or timeout_ms have passed.
    bool wait_idle(int timeout_ms) const;

    nng_socket bus;
    Logger& log;
    nng_duration timeout_ms;

  private:
    static void on_sent(void* arg);

    mutable std::mutex mutex;
    mutable std::condition_variable idle;
    size_t pending = 0;
};
