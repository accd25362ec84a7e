#include "link/envelope.h"

#include <cstring>
#include <limits>

#include "link/nng_error.h"

using nlohmann::json;

namespace envelope {

json list_request() {
    return {{"message_type", "command"},
            {"message_sub_type", "list"},
            {"destination", "computer_architecture"}};
}

json architecture_select(const std::string& name) {
    return {{"message_type", "command"},
            {"message_sub_type", "load"},
            {"destination", "computer_architecture"},
            {"data", name}};
}

json program_load(const std::array<uint32_t, 256>& rom) {
    json values = json::array();
    for (uint32_t word : rom)
        values.push_back(static_cast<uint64_t>(word));
    return {{"message_type", "command"},
            {"message_sub_type", "load"},
            {"destination", "component.memory.instructions"},
            {"data", {{"start", 0}, {"values", std::move(values)}}}};
}

static json control(const char* state) {
    return {{"message_type", "command"},
            {"message_sub_type", "change_state"},
            {"destination", "control"},
            {"data", state}};
}

json reset_command() {
    return control("reset");
}
json step_command() {
    return control("step");
}

json register_write(const std::string& destination, uint64_t register_number, uint64_t value) {
    return {{"message_type", "event"},
            {"message_sub_type", "write"},
            {"destination", destination},
            {"data", {{"register_number", register_number}, {"value", value}}}};
}

} // namespace envelope

static void refuse_wide_unsigned(const json& value) {
    if (value.is_number_unsigned()) {
        const uint64_t n = value.get<uint64_t>();
        if (n > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            throw json::out_of_range::create(407,
                                             "integer number " + std::to_string(n) +
                                                 " cannot be represented by UBJSON as it does "
                                                 "not fit int64",
                                             nullptr);
    } else if (value.is_structured()) {
        for (const json& element : value)
            refuse_wide_unsigned(element);
    }
}

std::vector<uint8_t> encode_envelope(const json& envelope) {
    refuse_wide_unsigned(envelope);
    return json::to_ubjson(envelope, false, false);
}

nng_msg* envelope_message(const json& envelope) {
    const std::vector<uint8_t> bytes = encode_envelope(envelope);
    nng_msg* msg = nullptr;
    int rv;
    if ((rv = nng_msg_alloc(&msg, bytes.size())) != 0)
        throw NngError(rv, "nng_msg_alloc");
    if (!bytes.empty())
        std::memcpy(nng_msg_body(msg), bytes.data(), bytes.size());
    return msg;
}

void send_envelope(nng_socket bus, const json& envelope) {
    nng_msg* msg = envelope_message(envelope);
    int rv;
    if ((rv = nng_sendmsg(bus, msg, 0)) != 0) {
        nng_msg_free(msg);
        throw NngError(rv, "nng_sendmsg");
    }
}

void send_envelope(nng_socket bus, const json& envelope, nng_duration timeout) {
    nng_msg* msg = envelope_message(envelope);
    nng_aio* aio = nullptr;
    int rv;
    if ((rv = nng_aio_alloc(&aio, nullptr, nullptr)) != 0) {
        nng_msg_free(msg);
        throw NngError(rv, "nng_aio_alloc");
    }
    nng_aio_set_timeout(aio, timeout);
    nng_aio_set_msg(aio, msg);
    nng_send_aio(bus, aio);
    nng_aio_wait(aio);
    if ((rv = nng_aio_result(aio)) != 0) {
        // On failure the message is still ours.
        nng_msg_free(nng_aio_get_msg(aio));
        nng_aio_free(aio);
        throw NngError(rv, "nng_send_aio");
    }
    nng_aio_free(aio);
}
