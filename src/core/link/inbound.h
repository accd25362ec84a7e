#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"

// Acts on one decoded envelope: prints an event as one compact JSON line on
// out and pushes the ArchSimMsg the front end acts on, if any. Reads the
// envelope in place without changing it, and returns the members it looked
// for and did not find. Raises the JSON library's errors, or
// std::runtime_error for a count or value that is not an integer.
std::vector<const char*> dispatch_envelope(const nlohmann::json& envelope,
                                           BoundedQueue<ArchSimMsg>& msgs, std::ostream& out);

// Decodes one received message body, dispatches it and logs the envelope.
// The logged envelope shows the members the dispatch looked for and did not
// find as null. Any failure is logged as "invalid message: " + the error's
// text, and then nothing is pushed and the envelope is not logged.
void handle_body(const uint8_t* data, size_t size, BoundedQueue<ArchSimMsg>& msgs, Logger& log,
                 std::ostream& out);
