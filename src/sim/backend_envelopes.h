#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Builders for the envelopes the back end sends to the front end; its reset
// notice is the front end's own reset command, envelope::reset_command().
namespace backend_envelope {
// "command"/"list" to "computer_architecture": the names on offer.
nlohmann::json architecture_list(const std::vector<std::string>& names);
// "command"/"load" to "computer_architecture": where the description lies.
nlohmann::json architecture_load(const std::string& description_path);
// "event"/"update": component origin (arch + "." + component) now counts n.
nlohmann::json counter_update(const std::string& origin, uint64_t count);
// "event"/"write": a register of the register file origin now holds value.
nlohmann::json register_write(const std::string& origin, uint64_t register_number, uint64_t value);
} // namespace backend_envelope
