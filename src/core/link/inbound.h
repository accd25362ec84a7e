#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include <nlohmann/json.hpp>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"

// Acts on one decoded envelope: prints an event as one compact JSON line on
// out and pushes the ArchSimMsg the front end acts on, if any. Lookups insert
// absent keys as null, so the caller's logged copy shows them. Raises the
// JSON library's errors, or std::runtime_error for a count or value that is
// not an integer.
void dispatch_envelope(nlohmann::json& envelope, BoundedQueue<ArchSimMsg>& msgs, std::ostream& out);

// Decodes one received message body, dispatches it and logs the envelope.
// Any failure is logged as "invalid message: " + the error's text, and then
// nothing is pushed and the envelope is not logged.
void handle_body(const uint8_t* data, size_t size, BoundedQueue<ArchSimMsg>& msgs, Logger& log,
                 std::ostream& out);
