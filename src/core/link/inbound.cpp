#include "link/inbound.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/bounded_decode.h"
#include "link/member_reader.h"
#include "link/protocol.h"

using nlohmann::json;

namespace {

using namespace protocol;

void require_integer(const json& value, const char* key) {
    if (!value.is_number_integer())
        throw std::runtime_error(std::string("\"") + key + "\" is not an integer but " +
                                 value.type_name());
}

void dispatch_command(MemberReader& envelope, std::optional<ArchSimMsg>& message) {
    if (envelope.is(key::destination, destination::computer_architecture)) {
        if (envelope.is(key::message_sub_type, sub_type::list)) {
            std::vector<std::string> names;
            for (const json& name : envelope[key::data])
                names.push_back(name.get<std::string>());
            message.emplace(std::move(names));
        } else if (envelope.is(key::message_sub_type, sub_type::load)) {
            message.emplace(ArchSimMsg::ArchitectureLoad, envelope[key::data].get<std::string>());
        }
    } else if (envelope.is(key::destination, destination::control) &&
               envelope.is(key::message_sub_type, sub_type::change_state) &&
               envelope.is(key::data, state::reset)) {
        message.emplace(ArchSimMsg::Reset);
    }
}

// One compact line per event. The whole line is formatted before anything
// is written, so a dump that fails (text that is not UTF-8) prints nothing.
void print_line(const json& envelope, std::ostream& out) {
    out << envelope.dump(-1, ' ', false, json::error_handler_t::strict) << std::endl;
}

// The members of "data" are read through a reader of their own: what it
// finds absent is not the envelope's.
void dispatch_event(const json& whole, MemberReader& envelope, std::optional<ArchSimMsg>& message,
                    std::ostream& out) {
    print_line(whole, out);

    const json& sub = envelope[key::message_sub_type];
    if (is_text(sub, sub_type::update) || is_text(sub, sub_type::increment)) {
        MemberReader data(envelope[key::data]);
        const json& count = data[key::new_count];
        require_integer(count, key::new_count);
        std::string origin = envelope[key::origin].get<std::string>();
        const uint64_t n = count.get<uint64_t>();
        message.emplace(CounterUpdatePair(std::move(origin), n));
    } else if (is_text(sub, sub_type::write)) {
        MemberReader data(envelope[key::data]);
        const json& value = data[key::value];
        require_integer(value, key::value);
        const uint64_t register_number = data[key::register_number].get<uint64_t>();
        const uint64_t v = value.get<uint64_t>();
        message.emplace(RegisterWritePair(register_number, v));
    }
}

} // namespace

Dispatched dispatch_envelope(const json& envelope, std::ostream& out) {
    Dispatched result;
    MemberReader reader(envelope);
    if (reader.is(key::message_type, type::command))
        dispatch_command(reader, result.message);
    else if (reader.is(key::message_type, type::event))
        dispatch_event(envelope, reader, result.message, out);
    result.absent = reader.absent();
    return result;
}

void handle_body(const uint8_t* data, size_t size, BoundedQueue<ArchSimMsg>& msgs, Logger& log,
                 std::ostream& out) {
    try {
        json envelope = decode_ubjson(data, size);
        Dispatched dispatched = dispatch_envelope(envelope, out);
        // The logged envelope shows each member the dispatch looked for and
        // did not find as null, so the user sees what the front end expected.
        for (const char* key : dispatched.absent)
            envelope[key] = nullptr;
        // Logged before it is pushed: the frame may apply a message at once,
        // and what applying it logs must come after the envelope. Not used
        // afterwards: the log takes it.
        log.add(std::move(envelope));
        if (dispatched.message)
            msgs.push(std::move(*dispatched.message));
    } catch (const std::exception& e) {
        log.add(std::string("invalid message: ") + e.what());
    }
}
