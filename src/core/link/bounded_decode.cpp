#include "link/bounded_decode.h"

#include <string>
#include <utility>
#include <vector>

using nlohmann::json;

namespace {

// Builds the decoded value as the library's DOM parser does (a repeated key
// keeps its last value), counting values and depth first. Keys and strings
// are moved out of the reader's buffers rather than copied: the reader
// clears or drops them after each call.
class LimitedSax {
  public:
    LimitedSax(json& result, const DecodeLimits& limits) : root(result), limits(limits) {
        stack.reserve(8);
    }

    bool null() { return value() && add(nullptr); }
    bool boolean(bool v) { return value() && add(v); }
    bool number_integer(json::number_integer_t v) { return value() && add(v); }
    bool number_unsigned(json::number_unsigned_t v) { return value() && add(v); }
    bool number_float(json::number_float_t v, const json::string_t&) { return value() && add(v); }
    bool string(json::string_t& v) { return value() && add(std::move(v)); }
    bool binary(json::binary_t& v) { return value() && add(json::binary(std::move(v))); }

    bool key(json::string_t& k) {
        member = &stack.back()->get_ref<json::object_t&>().try_emplace(std::move(k)).first->second;
        return true;
    }

    bool start_object(std::size_t elements) { return open(json::value_t::object, elements); }
    bool start_array(std::size_t elements) { return open(json::value_t::array, elements); }
    bool end_object() { return leave(); }
    bool end_array() { return leave(); }

    // A template, so the library's own error type (parse_error, out_of_range)
    // is thrown and not a copy sliced to its base class.
    template <typename Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& ex) {
        throw ex;
    }

  private:
    template <typename Value> bool add(Value&& v) {
        place(std::forward<Value>(v));
        return true;
    }

    // Puts a value where the reader is: the root, the end of the open array,
    // or the member whose key came last.
    template <typename Value> json& place(Value&& v) {
        if (stack.empty()) {
            root = json(std::forward<Value>(v));
            return root;
        }
        json& parent = *stack.back();
        if (parent.is_array()) {
            auto& elements = parent.get_ref<json::array_t&>();
            elements.emplace_back(std::forward<Value>(v));
            return elements.back();
        }
        *member = json(std::forward<Value>(v));
        return *member;
    }

    bool value() {
        if (++values > limits.max_values)
            throw DecodeLimitError("message holds more than " + std::to_string(limits.max_values) +
                                   " values");
        return true;
    }

    void enter(std::size_t elements) {
        value();
        if (++depth > limits.max_depth)
            throw DecodeLimitError("message nests containers deeper than " +
                                   std::to_string(limits.max_depth));
        // An unknown count is size_t(-1); a declared one must fit what is left.
        if (elements != std::size_t(-1) && elements > limits.max_values - values)
            throw DecodeLimitError("message declares a container of " + std::to_string(elements) +
                                   " elements, more than the " + std::to_string(limits.max_values) +
                                   " values allowed");
    }

    bool open(json::value_t type, std::size_t elements) {
        enter(elements);
        json& container = place(type);
        stack.push_back(&container);
        // The library's own refusal; only limits above max_size() reach it.
        if (elements != std::size_t(-1) && elements > container.max_size())
            throw json::out_of_range::create(408,
                                             std::string("excessive ") + container.type_name() +
                                                 " size: " + std::to_string(elements),
                                             &container);
        return true;
    }

    bool leave() {
        --depth;
        stack.pop_back();
        return true;
    }

    json& root;
    const DecodeLimits& limits;
    std::vector<json*> stack; // the open containers, innermost last
    json* member = nullptr;
    size_t depth = 0;
    size_t values = 0;
};

} // namespace

json decode_ubjson(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    json result;
    LimitedSax sax(result, limits);
    json::sax_parse(data, data + size, &sax, json::input_format_t::ubjson, true);
    return result;
}
