#pragma once

#include <nlohmann/json.hpp>
#include <nng/nng.h>

#include "log/logger.h"

// Sends envelopes from the frame loop. A send that cannot complete within a
// few milliseconds (no back end connected, a peer that does not read) fails
// instead of stalling the frame; every failure becomes one log line.
class FrameSender {
  public:
    static constexpr nng_duration default_timeout_ms = 5;

    FrameSender(nng_socket bus, Logger& log, nng_duration timeout_ms = default_timeout_ms)
        : bus(bus), log(log), timeout_ms(timeout_ms) {}

    // Returns whether the envelope was handed to NNG.
    bool send(const nlohmann::json& envelope);

    nng_socket bus;
    Logger& log;
    nng_duration timeout_ms;
};
