#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "arch/instruction_set.h"
#include "assembly/source_line.h"

// The assembler's statements one at a time: the values of operands, and
// the words of instructions and .word. The passes over a whole source are
// in assembler.cpp.

// A name's value: a label's address or a constant.
struct Symbol {
    int64_t value;
    bool is_label;
    int line;
};
using Symbols = std::map<std::string, Symbol, std::less<>>;

// The errors of one statement; the caller gives them its line.
using Messages = std::vector<std::string>;

// The values a place accepts, and its name in messages.
struct Range {
    int64_t lo, hi;
    const char* what;
    const char* text;
};
constexpr Range address_range{0, 255, "address", "0 to 255"};
constexpr Range data_address_range{0, 255, "data address", "0 to 255"};
constexpr Range immediate_range{-128, 255, "immediate", "-128 to 255"};
constexpr Range target_range{0, 255, "jump target", "0 to 255"};
constexpr Range word_range{0, 0xFFFFFF, "word", "0 to 0xFFFFFF"};
constexpr Range byte_range{-128, 255, "data byte", "-128 to 255"};

// "0x05".
std::string hex_address(int address);

// A number or a name. False, with the reason in errors, for anything else.
bool evaluate(std::string_view text, const Symbols& symbols, Symbol& value, Messages& errors);
// The same, and the value must lie in range.
bool evaluate_in(const Range& range, std::string_view text, const Symbols& symbols, int64_t& value,
                 Messages& errors);

bool is_directive(std::string_view keyword, const char* name);
// The forms of a mnemonic, in any case; none for an unknown one.
std::vector<const InstructionForm*> forms_named(std::string_view mnemonic);

// The word of an instruction whose mnemonic has these forms (at least one),
// or false with its errors.
bool encode_instruction(const std::vector<const InstructionForm*>& forms,
                        const std::vector<std::string_view>& operands, const Symbols& symbols,
                        uint32_t& word, Messages& errors);
// The word of a .word statement, or false with its errors.
bool encode_word_directive(const SourceLine& parts, const Symbols& symbols, uint32_t& word,
                           Messages& errors);
