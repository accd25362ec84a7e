#pragma once

#include <vector>

#include <nlohmann/json.hpp>

// True when value is a JSON string holding exactly text; a value of any other
// type is simply unequal, as for the JSON library's comparison with a string.
bool is_text(const nlohmann::json& value, const char* text);

// Reads the members of a received envelope, or of an object inside one, in
// place: it never changes or copies what it reads. Both ends read through it;
// what a member must hold is for each of them to decide.
//
// Null reads as an object without members, as the JSON library's operator[]
// takes it. Any other value that is not an object raises the library's own
// type_error 305, with the text its operator[] gives:
// "cannot use operator[] with a string argument with " + the type's name.
class MemberReader {
  public:
    // object must outlive the reader.
    explicit MemberReader(const nlohmann::json& object) : object(object) {}

    // The member, or nullptr when it is absent.
    const nlohmann::json* find(const char* key);
    // The member, or null when it is absent.
    const nlohmann::json& operator[](const char* key);
    // True when the member is the string text.
    bool is(const char* key, const char* text) { return is_text((*this)[key], text); }

    // The keys looked up and found absent, each once, in lookup order. They
    // are the pointers the lookups were given: keep them only when those are
    // constants, such as protocol::key's.
    const std::vector<const char*>& absent() const { return missing; }

  private:
    const nlohmann::json& object;
    std::vector<const char*> missing;
};
