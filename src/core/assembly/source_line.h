#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pieces of assembly source text: lines split into labels, a keyword
// and operands, and the tokens inside operands.

// One source line, split. The views point into the line.
struct SourceLine {
    std::vector<std::string_view> labels;   // each "name:" at the start
    std::string_view keyword;               // a mnemonic or ".directive"; empty if none
    std::vector<std::string_view> operands; // split at commas and trimmed
    std::string error;                      // a syntax error, or empty
};

// Splits a line: a comment (from ';' or '#') is dropped, labels are taken
// from the start, then the keyword up to the first blank, then the
// operands. An empty operand ("r1,,r2" or a trailing comma) and a label
// that is no identifier are syntax errors.
SourceLine split_line(std::string_view line);

std::string_view trim(std::string_view s);
// s in double quotes, for messages.
std::string quoted(std::string_view s);
bool equal_ignoring_case(std::string_view a, std::string_view b);

// [A-Za-z_][A-Za-z0-9_]*
bool is_identifier(std::string_view s);

// The number of a register name: r0..r9, ra..rf, or r10..r15 for ra..rf,
// in any case. -1 for anything else.
int register_number(std::string_view s);

// A decimal (42, -1), hexadecimal (0x2A) or binary (0b101010) number, with
// an optional '-'. False when s is none. Values too large for any field
// saturate, so they stay out of range.
bool parse_number(std::string_view s, int64_t& value);
