// decode_ubjson reads what the library's strict decoder reads, and refuses
// bodies that would make it build far more than they carry.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "link/bounded_decode.h"
#include "link/envelope.h"

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

json decode(const Bytes& body, const DecodeLimits& limits = {}) {
    return decode_ubjson(body.data(), body.size(), limits);
}

struct Body {
    const char* name;
    Bytes body;
};

} // namespace

TEST(DecodeUbjson, ValidBodiesDecodeAsTheStrictLibraryDecoderDoes) {
    const json env = {{"message_type", "event"},
                      {"message_sub_type", "update"},
                      {"origin", "toy.counter"},
                      {"data", {{"new_count", 300}, {"ratio", 0.5}, {"flags", {true, false}}}}};
    const std::vector<Body> cases = {
        {"envelope", encode_envelope(env)},
        {"envelope with sizes and types", json::to_ubjson(env, true, true)},
        {"list request", encode_envelope(json{{"message_type", "command"}})},
        {"null", bytes("Z")},
        {"string", bytes("Si\x03toy")},
        {"negative int16", Bytes{'I', 0xFF, 0x38}},
        {"int64", Bytes{'L', 0x7F, 0, 0, 0, 0, 0, 0, 1}},
        {"typed counted array", Bytes{'[', '$', 'U', '#', 'i', 3, 1, 2, 3}},
        {"counted object", bytes("{#i\x01i\x01"
                                 "aSi\x01"
                                 "b")},
        {"no-ops inside an array", bytes("[NNi\x01N]")},
        {"negative string length", Bytes{'S', 'i', 0xFF}},
        {"trailing no-ops", encode_envelope(env) + bytes("NNN")},
        // The decoder moves keys and strings out of the reader's buffers;
        // texts longer than a short-string buffer show a key or text that
        // was taken twice, or not cleared before the next.
        {"long keys and texts", encode_envelope(json{{std::string(40, 'k'), std::string(50, 'v')},
                                                     {std::string(41, 'k'), std::string(60, 'w')},
                                                     {"data", {std::string(30, 'x'), "y"}}})},
        {"repeated key keeps the last value", bytes("{i\x01"
                                                    "aSi\x01"
                                                    "bi\x01"
                                                    "ai\x02}")},
        {"repeated key replaces a container", bytes("{i\x01"
                                                    "a[i\x01{i\x01"
                                                    "bZ}]i\x01"
                                                    "a[Z]}")},
        {"arrays of containers grow while their elements are built",
         json::to_ubjson(
             json{{"rows", {{1, {{"a", {2, 3}}}}, {4}, json::object(), {{{"b", 5}}}}}})},
    };
    for (const Body& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(c.body), json::from_ubjson(c.body, true, true));
    }
}

TEST(DecodeUbjson, MalformedBodiesRaiseTheLibraryParseError) {
    const Bytes whole = encode_envelope(json{{"message_type", "command"}});
    const std::vector<Body> cases = {
        {"empty", {}},
        {"truncated envelope", Bytes(whole.begin(), whole.end() - 1)},
        {"truncated string", bytes("Si\x05"
                                   "ab")},
        {"trailing byte", whole + bytes("Z")},
        {"trailing no-op then byte", whole + bytes("NZ")},
        {"unknown marker", bytes("X")},
    };
    for (const Body& c : cases) {
        SCOPED_TRACE(c.name);
        std::string expected;
        try {
            const json accepted = json::from_ubjson(c.body, true, true);
            ADD_FAILURE() << "the library accepted it as " << accepted;
        } catch (const json::parse_error& e) {
            expected = e.what();
        }
        try {
            ADD_FAILURE() << "decode_ubjson accepted it as " << decode(c.body);
        } catch (const json::parse_error& e) {
            EXPECT_EQ(e.what(), expected);
        }
    }
}

TEST(DecodeUbjson, HugeDeclaredCountsAreRefusedBeforeBuilding) {
    // Ten million elements declared in a handful of bytes.
    const std::vector<Body> cases = {
        {"array, int32 count", Bytes{'[', '$', 'Z', '#', 'l', 0x00, 0x98, 0x96, 0x80}},
        {"array, int64 count", Bytes{'[', '$', 'Z', '#', 'L', 0, 0, 0, 0, 0x00, 0x98, 0x96, 0x80}},
        {"array, no-op type", Bytes{'[', '$', 'N', '#', 'l', 0x00, 0x98, 0x96, 0x80}},
        {"object, int32 count", Bytes{'{', '$', 'Z', '#', 'l', 0x00, 0x98, 0x96, 0x80}},
        {"nested in an envelope", bytes("{i\x04"
                                        "data[$Z#l") +
                                      Bytes{0x00, 0x98, 0x96, 0x80}},
    };
    for (const Body& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(decode(c.body), DecodeLimitError);
    }
}

TEST(DecodeUbjson, DeepNestingIsRefused) {
    EXPECT_THROW(decode(Bytes(30000, '[')), DecodeLimitError);

    const DecodeLimits limits;
    const Bytes at_limit = Bytes(limits.max_depth, '[') + Bytes(limits.max_depth, ']');
    EXPECT_EQ(decode(at_limit), json::from_ubjson(at_limit, true, true));
    const Bytes beyond = Bytes(limits.max_depth + 1, '[') + Bytes(limits.max_depth + 1, ']');
    EXPECT_THROW(decode(beyond), DecodeLimitError);
}

TEST(DecodeUbjson, ValueCountLimitCountsEveryValue) {
    DecodeLimits small;
    small.max_values = 4;
    const Bytes three = bytes("[i\x01i\x02i\x03]"); // the array and three numbers
    EXPECT_EQ(decode(three, small), json({1, 2, 3}));
    EXPECT_THROW(decode(bytes("[i\x01i\x02i\x03i\x04]"), small), DecodeLimitError);
    EXPECT_THROW(decode(Bytes{'[', '$', 'i', '#', 'i', 4, 1, 2, 3, 4}, small), DecodeLimitError);
}
