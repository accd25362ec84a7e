#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <nng/nng.h>

// Builders for every envelope the front end sends.
namespace envelope {
nlohmann::json list_request();
nlohmann::json architecture_select(const std::string& name);
nlohmann::json program_load(const std::array<uint32_t, 256>& rom);
nlohmann::json reset_command();
nlohmann::json step_command();
// destination is the register file's name + "." + its regfile name.
nlohmann::json register_write(const std::string& destination, uint64_t register_number,
                              uint64_t value);
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
