#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"

// What one decoded envelope asks of the front end: the ArchSimMsg it acts
// on, if any, and the members the dispatch looked for and did not find.
struct Dispatched {
    std::optional<ArchSimMsg> message;
    std::vector<const char*> absent;
};

// Reads one decoded envelope in place without changing it: prints an event as
// one compact JSON line on out and returns what the front end acts on. Raises
// the JSON library's errors, or std::runtime_error for a count or value that
// is not an integer.
Dispatched dispatch_envelope(const nlohmann::json& envelope, std::ostream& out);

// Decodes one received message body, logs the envelope, then pushes its
// message, so the log shows an envelope before anything applying it logs.
// The logged envelope shows the members the dispatch looked for and did not
// find as null. Any failure is logged as "invalid message: " + the error's
// text, and then nothing is pushed and the envelope is not logged.
void handle_body(const uint8_t* data, size_t size, BoundedQueue<ArchSimMsg>& msgs, Logger& log,
                 std::ostream& out);
