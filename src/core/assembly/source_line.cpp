#include "assembly/source_line.h"

#include <cctype>

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool is_identifier_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool is_identifier_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

int digit_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

} // namespace

std::string quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool is_identifier(std::string_view s) {
    if (s.empty() || !is_identifier_start(s[0]))
        return false;
    for (char c : s)
        if (!is_identifier_char(c))
            return false;
    return true;
}

int register_number(std::string_view s) {
    if (s.size() < 2 || s.size() > 3 || (s[0] != 'r' && s[0] != 'R'))
        return -1;
    if (s.size() == 3) { // r10..r15
        if (s[1] != '1' || s[2] < '0' || s[2] > '5')
            return -1;
        return 10 + (s[2] - '0');
    }
    const int digit = digit_value(s[1]);
    return digit < 16 ? digit : -1;
}

bool parse_number(std::string_view s, int64_t& value) {
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        s.remove_prefix(1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X' || s[1] == 'b' || s[1] == 'B')) {
        base = (s[1] == 'x' || s[1] == 'X') ? 16 : 2;
        s.remove_prefix(2);
    }
    if (s.empty())
        return false;
    constexpr int64_t saturated = int64_t(1) << 40; // beyond every field's range
    int64_t v = 0;
    for (char c : s) {
        const int d = digit_value(c);
        if (d >= base)
            return false;
        v = v < saturated ? v * base + d : saturated;
    }
    value = negative ? -v : v;
    return true;
}

SourceLine split_line(std::string_view line) {
    SourceLine out;
    const size_t comment = line.find_first_of(";#");
    if (comment != std::string_view::npos)
        line = line.substr(0, comment);
    line = trim(line);

    // Labels: every ':' belongs to one, since no statement uses the character.
    for (size_t colon = line.find(':'); colon != std::string_view::npos; colon = line.find(':')) {
        const std::string_view name = trim(line.substr(0, colon));
        if (!is_identifier(name)) {
            out.error = "bad label name " + quoted(name);
            return out;
        }
        out.labels.push_back(name);
        line = trim(line.substr(colon + 1));
    }

    size_t end = 0;
    while (end < line.size() && !is_blank(line[end]))
        ++end;
    out.keyword = line.substr(0, end);
    std::string_view rest = trim(line.substr(end));
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view operand = trim(rest.substr(0, comma));
        if (operand.empty()) {
            out.error = "missing operand";
            return out;
        }
        out.operands.push_back(operand);
        if (comma == std::string_view::npos)
            break;
        rest = rest.substr(comma + 1);
        if (trim(rest).empty()) {
            out.error = "missing operand after the last comma";
            return out;
        }
    }
    return out;
}
