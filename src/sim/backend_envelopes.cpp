#include "sim/backend_envelopes.h"

using nlohmann::json;

namespace backend_envelope {

static json architecture_command(const char* sub_type, json data) {
    return {{"message_type", "command"},
            {"message_sub_type", sub_type},
            {"destination", "computer_architecture"},
            {"data", std::move(data)}};
}

json architecture_list(const std::vector<std::string>& names) {
    return architecture_command("list", names);
}

json architecture_load(const std::string& description_path) {
    return architecture_command("load", description_path);
}

json counter_update(const std::string& origin, uint64_t count) {
    return {{"message_type", "event"},
            {"message_sub_type", "update"},
            {"origin", origin},
            {"data", {{"new_count", count}}}};
}

json register_write(const std::string& origin, uint64_t register_number, uint64_t value) {
    return {{"message_type", "event"},
            {"message_sub_type", "write"},
            {"origin", origin},
            {"data", {{"register_number", register_number}, {"value", value}}}};
}

} // namespace backend_envelope
