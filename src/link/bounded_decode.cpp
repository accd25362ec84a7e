#include "link/bounded_decode.h"

#include <string>

using nlohmann::json;

namespace {

// Forwards to the library's DOM builder, counting values and depth first.
class LimitedSax {
  public:
    LimitedSax(json& result, const DecodeLimits& limits) : dom(result, true), limits(limits) {}

    bool null() { return value() && dom.null(); }
    bool boolean(bool v) { return value() && dom.boolean(v); }
    bool number_integer(json::number_integer_t v) { return value() && dom.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return value() && dom.number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& s) {
        return value() && dom.number_float(v, s);
    }
    bool string(json::string_t& v) { return value() && dom.string(v); }
    bool binary(json::binary_t& v) { return value() && dom.binary(v); }
    bool key(json::string_t& k) { return dom.key(k); }

    bool start_object(std::size_t elements) {
        return enter(elements) && dom.start_object(elements);
    }
    bool end_object() {
        --depth;
        return dom.end_object();
    }
    bool start_array(std::size_t elements) { return enter(elements) && dom.start_array(elements); }
    bool end_array() {
        --depth;
        return dom.end_array();
    }

    // A template, so the DOM builder rethrows the library's own error type
    // (parse_error, out_of_range) and not a copy sliced to its base class.
    template <typename Exception>
    bool parse_error(std::size_t position, const std::string& last_token, const Exception& ex) {
        return dom.parse_error(position, last_token, ex);
    }

  private:
    bool value() {
        if (++values > limits.max_values)
            throw DecodeLimitError("message holds more than " + std::to_string(limits.max_values) +
                                   " values");
        return true;
    }

    bool enter(std::size_t elements) {
        value();
        if (++depth > limits.max_depth)
            throw DecodeLimitError("message nests containers deeper than " +
                                   std::to_string(limits.max_depth));
        // An unknown count is size_t(-1); a declared one must fit what is left.
        if (elements != std::size_t(-1) && elements > limits.max_values - values)
            throw DecodeLimitError("message declares a container of " + std::to_string(elements) +
                                   " elements, more than the " + std::to_string(limits.max_values) +
                                   " values allowed");
        return true;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom;
    const DecodeLimits& limits;
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
