#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include <nlohmann/json.hpp>

// Limits on what one received body may build. A body of a few bytes can
// declare ten million elements with a '#' count, or nest thousands deep.
struct DecodeLimits {
    size_t max_depth = 64;
    // The largest envelope of the protocol, a program load, holds about 260
    // values; the log keeps 99 envelopes and draws them every frame.
    size_t max_values = 4096;
};

// A body refused for exceeding DecodeLimits.
class DecodeLimitError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Decodes exactly one UBJSON value (trailing no-op markers allowed), as the
// JSON library's strict from_ubjson does, raising its errors for malformed
// input and DecodeLimitError for bodies beyond the limits.
nlohmann::json decode_ubjson(const uint8_t* data, size_t size, const DecodeLimits& limits = {});
