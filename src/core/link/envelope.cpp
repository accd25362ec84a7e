#include "link/envelope.h"

#include <cstring>
#include <limits>
#include <utility>

#include "link/nng_error.h"
#include "link/protocol.h"

using nlohmann::json;

using namespace protocol;

namespace {

json command(const char* sub, const char* to) {
    return {
        {key::message_type, type::command}, {key::message_sub_type, sub}, {key::destination, to}};
}

json command(const char* sub, const char* to, json data) {
    json envelope = command(sub, to);
    envelope[key::data] = std::move(data);
    return envelope;
}

// Events carry either the component they are sent to ("destination") or,
// from the back end, the one that raised them ("origin").
json event(const char* sub, const char* address_key, const std::string& address, json data) {
    return {{key::message_type, type::event},
            {key::message_sub_type, sub},
            {address_key, address},
            {key::data, std::move(data)}};
}

json register_data(uint64_t register_number, uint64_t value) {
    return {{key::register_number, register_number}, {key::value, value}};
}

json program_data(int64_t start, const uint32_t* first, const uint32_t* last) {
    json values = json::array();
    values.get_ref<json::array_t&>().reserve(static_cast<size_t>(last - first));
    for (const uint32_t* word = first; word != last; ++word)
        values.push_back(static_cast<uint64_t>(*word));
    return {{key::start, start}, {key::values, std::move(values)}};
}

} // namespace

namespace envelope {

json list_request() {
    return command(sub_type::list, destination::computer_architecture);
}

json architecture_select(const std::string& name) {
    return command(sub_type::load, destination::computer_architecture, name);
}

json program_load(const std::array<uint32_t, 256>& rom) {
    return command(sub_type::load, destination::instructions,
                   program_data(0, rom.data(), rom.data() + rom.size()));
}

json program_load(int64_t start, const std::vector<uint32_t>& words) {
    return command(sub_type::load, destination::instructions,
                   program_data(start, words.data(), words.data() + words.size()));
}

json reset_command() {
    return command(sub_type::change_state, destination::control, state::reset);
}

json step_command() {
    return command(sub_type::change_state, destination::control, state::step);
}

json register_write(const std::string& destination, uint64_t register_number, uint64_t value) {
    return event(sub_type::write, key::destination, destination,
                 register_data(register_number, value));
}

json architecture_list(const std::vector<std::string>& names) {
    return command(sub_type::list, destination::computer_architecture, names);
}

json architecture_load(const std::string& description_path) {
    return command(sub_type::load, destination::computer_architecture, description_path);
}

json reset_notice() {
    return reset_command();
}

json counter_update(const std::string& origin, uint64_t count) {
    return event(sub_type::update, key::origin, origin, {{key::new_count, count}});
}

json counter_increment(const std::string& origin, uint64_t count) {
    return event(sub_type::increment, key::origin, origin, {{key::new_count, count}});
}

json register_value(const std::string& origin, uint64_t register_number, uint64_t value) {
    return event(sub_type::write, key::origin, origin, register_data(register_number, value));
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
