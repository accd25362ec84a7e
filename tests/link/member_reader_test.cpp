// Reading members in place: nothing is added or changed, absent members are
// named, and a value that holds no members fails as the JSON library's own
// operator[] fails on it.
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "link/member_reader.h"

using nlohmann::json;

namespace {

struct NotAnObject {
    const char* name;
    json value;
};

void PrintTo(const NotAnObject& c, std::ostream* os) {
    *os << c.name;
}

std::vector<std::string> names(const std::vector<const char*>& keys) {
    return std::vector<std::string>(keys.begin(), keys.end());
}

// The text the library's operator[] gives for the same lookup.
std::string library_error(json value) {
    try {
        value["key"];
    } catch (const json::type_error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(MemberReader, ReadsPresentMembersAndNamesTheAbsentOnesOnceInOrder) {
    const json object = {{"a", 1}, {"b", "text"}, {"n", nullptr}};
    const json before = object;
    MemberReader read(object);

    EXPECT_EQ(read["a"], 1);
    EXPECT_EQ(&read["b"], &object.at("b")); // in place, not a copy
    EXPECT_TRUE(read["n"].is_null());
    EXPECT_TRUE(read["x"].is_null());
    EXPECT_EQ(read.find("y"), nullptr);
    EXPECT_FALSE(read.is("x", "text"));
    EXPECT_EQ(read.find("n"), &object.at("n")); // present, though null

    EXPECT_EQ(names(read.absent()), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(object, before);
}

TEST(MemberReader, NullHoldsNoMembers) {
    const json null;
    MemberReader read(null);
    EXPECT_TRUE(read["message_type"].is_null());
    EXPECT_FALSE(read.is("message_type", "command"));
    EXPECT_EQ(names(read.absent()), (std::vector<std::string>{"message_type"}));
    EXPECT_TRUE(null.is_null());
}

TEST(MemberReader, IsMatchesOnlyTheSameString) {
    const json object = {{"s", "reset"}, {"prefix", "res"}, {"n", 5}, {"a", {"reset"}}};
    MemberReader read(object);
    EXPECT_TRUE(read.is("s", "reset"));
    EXPECT_FALSE(read.is("s", "Reset"));
    EXPECT_FALSE(read.is("prefix", "reset"));
    EXPECT_FALSE(read.is("n", "5"));
    EXPECT_FALSE(read.is("a", "reset"));
    EXPECT_FALSE(read.is("absent", ""));
    EXPECT_TRUE(is_text(json(""), ""));
}

class MemberReaderOn : public ::testing::TestWithParam<NotAnObject> {};

TEST_P(MemberReaderOn, ValuesWithoutMembersFailAsTheLibraryDoes) {
    const json& value = GetParam().value;
    MemberReader read(value);
    try {
        read.find("key");
        FAIL() << "no error";
    } catch (const json::type_error& e) {
        EXPECT_EQ(e.id, 305);
        EXPECT_EQ(std::string(e.what()), library_error(value));
    }
    EXPECT_THROW(read["key"], json::type_error);
    EXPECT_THROW(read.is("key", "x"), json::type_error);
    EXPECT_TRUE(read.absent().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, MemberReaderOn,
                         ::testing::Values(NotAnObject{"array", json::array({1, 2})},
                                           NotAnObject{"empty_array", json::array()},
                                           NotAnObject{"string", "data"},
                                           NotAnObject{"integer", -3}, NotAnObject{"unsigned", 3u},
                                           NotAnObject{"float", 2.5}, NotAnObject{"boolean", true}),
                         [](const auto& info) { return std::string(info.param.name); });
