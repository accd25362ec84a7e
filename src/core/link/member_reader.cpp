#include "link/member_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

using nlohmann::json;

bool is_text(const json& value, const char* text) {
    return value.is_string() && value.get_ref<const std::string&>() == text;
}

const json* MemberReader::find(const char* key) {
    if (object.is_object()) {
        const auto it = object.find(key);
        if (it != object.end())
            return &*it;
    } else if (!object.is_null()) {
        throw json::type_error::create(
            305,
            std::string("cannot use operator[] with a string argument with ") + object.type_name(),
            &object);
    }
    const auto same = [key](const char* seen) { return std::strcmp(seen, key) == 0; };
    if (std::none_of(missing.begin(), missing.end(), same))
        missing.push_back(key);
    return nullptr;
}

const json& MemberReader::operator[](const char* key) {
    static const json absent_member;
    const json* member = find(key);
    return member != nullptr ? *member : absent_member;
}
