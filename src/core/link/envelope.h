#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <nng/nng.h>

// Builders for every envelope of the protocol, in both directions, with the
// names of link/protocol.h.
namespace envelope {
// Sent by the front end.
// "command"/"list" to "computer_architecture", without "data".
nlohmann::json list_request();
// "command"/"load" to "computer_architecture": the architecture to select.
nlohmann::json architecture_select(const std::string& name);
// "command"/"load" to "component.memory.instructions": the whole program
// memory from address 0.
nlohmann::json program_load(const std::array<uint32_t, 256>& rom);
// The same for words stored from address start on.
nlohmann::json program_load(int64_t start, const std::vector<uint32_t>& words);
// "command"/"change_state" to "control", data "reset" or "step".
nlohmann::json reset_command();
nlohmann::json step_command();
// "event"/"write": destination is the register file's name + "." + its
// regfile name.
nlohmann::json register_write(const std::string& destination, uint64_t register_number,
                              uint64_t value);

// Sent by the back end.
// "command"/"list" to "computer_architecture": the names on offer.
nlohmann::json architecture_list(const std::vector<std::string>& names);
// "command"/"load" to "computer_architecture": where the description lies.
nlohmann::json architecture_load(const std::string& description_path);
// The machine was reset: the front end's own reset command, sent back.
nlohmann::json reset_notice();
// "event"/"update" or "event"/"increment": component origin (arch + "." +
// component) now counts count.
nlohmann::json counter_update(const std::string& origin, uint64_t count);
nlohmann::json counter_increment(const std::string& origin, uint64_t count);
// "event"/"write": a register of the register file origin (arch + "." +
// regfile name) now holds value.
nlohmann::json register_value(const std::string& origin, uint64_t register_number, uint64_t value);
} // namespace envelope

// UBJSON without size or type markers. Raises the JSON library's out_of_range
// error for an unsigned number above the int64 range, which UBJSON cannot carry.
std::vector<uint8_t> encode_envelope(const nlohmann::json& envelope);

// A new NNG message whose body is the envelope's encoding. Raises the
// encoder's error or NngError("nng_msg_alloc").
nng_msg* envelope_message(const nlohmann::json& envelope);

// Encodes and sends one envelope as one message, waiting as long as it takes.
// Raises NngError ("nng_msg_alloc", "nng_sendmsg") or the encoder's error.
void send_envelope(nng_socket bus, const nlohmann::json& envelope);

// The same, but gives up after timeout ms ("nng_send_aio", NNG_ETIMEDOUT).
void send_envelope(nng_socket bus, const nlohmann::json& envelope, nng_duration timeout);
