#include "link/inbound.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "link/bounded_decode.h"

using nlohmann::json;

namespace {

void require_integer(const json& value, const char* key) {
    if (!value.is_number_integer())
        throw std::runtime_error(std::string("\"") + key + "\" is not an integer but " +
                                 value.type_name());
}

// Reads data[key] as a lookup on a copy of data would, without the copy: an
// absent key, or null data, reads as null; data of any other type raises
// the library's own error, which a lookup on a real copy produces.
const json& member_of_copy(const json& data, const char* key) {
    static const json absent;
    if (data.is_object()) {
        const auto it = data.find(key);
        return it == data.end() ? absent : *it;
    }
    if (!data.is_null()) {
        json copy = data;
        copy[key]; // raises type_error 305
    }
    return absent;
}

void dispatch_command(json& envelope, BoundedQueue<ArchSimMsg>& msgs) {
    if (envelope["destination"] == "computer_architecture") {
        if (envelope["message_sub_type"] == "list") {
            std::vector<std::string> names;
            for (const json& name : envelope["data"])
                names.push_back(name.get<std::string>());
            msgs.push(std::move(names));
        } else if (envelope["message_sub_type"] == "load") {
            msgs.push(ArchSimMsg::ArchitectureLoad, envelope["data"].get<std::string>());
        }
    } else if (envelope["destination"] == "control" &&
               envelope["message_sub_type"] == "change_state" && envelope["data"] == "reset") {
        msgs.push(ArchSimMsg::Reset);
    }
}

// One compact line per event. The whole line is formatted before anything
// is written, so a dump that fails (text that is not UTF-8) prints nothing.
void print_line(const json& envelope, std::ostream& out) {
    out << envelope.dump(-1, ' ', false, json::error_handler_t::strict) << std::endl;
}

// Members of the envelope are looked up in place (std::map keeps references
// valid while later lookups insert), and "data" through member_of_copy, so
// nothing is added inside it.
void dispatch_event(json& envelope, BoundedQueue<ArchSimMsg>& msgs, std::ostream& out) {
    print_line(envelope, out);

    const json& sub = envelope["message_sub_type"];
    if (sub == "update" || sub == "increment") {
        const json& data = envelope["data"];
        const json& count = member_of_copy(data, "new_count");
        require_integer(count, "new_count");
        std::string origin = envelope["origin"].get<std::string>();
        const uint64_t n = count.get<uint64_t>();
        msgs.push(CounterUpdatePair(std::move(origin), n));
    } else if (sub == "write") {
        const json& data = envelope["data"];
        const json& value = member_of_copy(data, "value");
        require_integer(value, "value");
        const uint64_t register_number = member_of_copy(data, "register_number").get<uint64_t>();
        const uint64_t v = value.get<uint64_t>();
        msgs.push(RegisterWritePair(register_number, v));
    }
}

} // namespace

void dispatch_envelope(json& envelope, BoundedQueue<ArchSimMsg>& msgs, std::ostream& out) {
    if (envelope["message_type"] == "command")
        dispatch_command(envelope, msgs);
    else if (envelope["message_type"] == "event")
        dispatch_event(envelope, msgs, out);
}

void handle_body(const uint8_t* data, size_t size, BoundedQueue<ArchSimMsg>& msgs, Logger& log,
                 std::ostream& out) {
    try {
        json envelope = decode_ubjson(data, size);
        dispatch_envelope(envelope, msgs, out);
        // Not used afterwards: the log takes it as the dispatch left it.
        log.add(std::move(envelope));
    } catch (const std::exception& e) {
        log.add(std::string("invalid message: ") + e.what());
    }
}
