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

void dispatch_event(json& envelope, BoundedQueue<ArchSimMsg>& msgs, std::ostream& out) {
    out << envelope.dump(-1, ' ', false, json::error_handler_t::strict) << std::endl;

    const json sub = envelope["message_sub_type"];
    if (sub == "update" || sub == "increment") {
        json data = envelope["data"];
        const json count = data["new_count"];
        require_integer(count, "new_count");
        std::string origin = envelope["origin"].get<std::string>();
        const uint64_t n = count.get<uint64_t>();
        msgs.push(CounterUpdatePair(std::move(origin), n));
    } else if (sub == "write") {
        json data = envelope["data"];
        const json value = data["value"];
        require_integer(value, "value");
        const uint64_t register_number = data["register_number"].get<uint64_t>();
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
        log.add(json(envelope));
    } catch (const std::exception& e) {
        log.add(std::string("invalid message: ") + e.what());
    }
}
