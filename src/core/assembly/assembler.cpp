#include "assembly/assembler.h"

#include <algorithm>
#include <map>

#include "arch/instruction_set.h"
#include "assembly/source_line.h"
#include "util/hex.h"

namespace {

constexpr int memory_size = 256;

std::string hex_address(int address) {
    char digits[8];
    return "0x" + std::string(digits, put_hex(digits, static_cast<uint32_t>(address), 2));
}

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

// A number or a name. False, with the reason in errors, for anything else.
bool evaluate(std::string_view text, const Symbols& symbols, Symbol& value, Messages& errors) {
    int64_t number = 0;
    if (parse_number(text, number)) {
        value = {number, false, 0};
        return true;
    }
    if (!is_identifier(text)) {
        errors.push_back("bad number " + quoted(text));
        return false;
    }
    const auto found = symbols.find(text);
    if (found == symbols.end()) {
        errors.push_back("unknown name " + quoted(text));
        return false;
    }
    value = found->second;
    return true;
}

bool evaluate_in(const Range& range, std::string_view text, const Symbols& symbols, int64_t& value,
                 Messages& errors) {
    Symbol v;
    if (!evaluate(text, symbols, v, errors))
        return false;
    if (v.value < range.lo || v.value > range.hi) {
        errors.push_back(std::string(range.what) + " " + quoted(text) + " is out of range (" +
                         range.text + ")");
        return false;
    }
    value = v.value;
    return true;
}

// How an operand is written: a register name, a bracketed data address, or
// a value (number or name).
enum class Syntax { Register, Bracketed, Value };

Syntax syntax_of(std::string_view text) {
    if (register_number(text) >= 0)
        return Syntax::Register;
    return text.front() == '[' ? Syntax::Bracketed : Syntax::Value;
}

bool accepts(OperandKind kind, Syntax syntax) {
    switch (kind) {
    case OperandKind::Register:
        return syntax == Syntax::Register;
    case OperandKind::DataAddress:
        return syntax == Syntax::Bracketed;
    case OperandKind::Immediate:
    case OperandKind::JumpTarget:
        return syntax == Syntax::Value;
    }
    return false;
}

const char* placeholder(OperandKind kind) {
    switch (kind) {
    case OperandKind::Register:
        return "register";
    case OperandKind::DataAddress:
        return "[address]";
    case OperandKind::Immediate:
        return "immediate";
    case OperandKind::JumpTarget:
        return "target";
    }
    return "";
}

// "ADD register, register, register", or MOVE's four forms.
std::string usage(const std::vector<const InstructionForm*>& forms) {
    std::string text;
    for (size_t f = 0; f < forms.size(); ++f) {
        if (f > 0)
            text += f + 1 == forms.size() ? " or " : ", ";
        text += "\"" + std::string(forms[f]->mnemonic);
        for (size_t i = 0; i < forms[f]->operand_count; ++i)
            text += std::string(i == 0 ? " " : ", ") + placeholder(forms[f]->operands[i].kind);
        text += "\"";
    }
    return text;
}

std::vector<const InstructionForm*> forms_named(std::string_view mnemonic) {
    std::vector<const InstructionForm*> forms;
    for (const InstructionForm& form : instruction_set)
        if (equal_ignoring_case(form.mnemonic, mnemonic))
            forms.push_back(&form);
    return forms;
}

// The value of one operand whose syntax fits its kind.
bool operand_value(const Operand& op, std::string_view text, const Symbols& symbols, int& value,
                   Messages& errors) {
    int64_t v = 0;
    switch (op.kind) {
    case OperandKind::Register:
        value = register_number(text);
        return true;
    case OperandKind::DataAddress:
        if (text.back() != ']') {
            errors.push_back("missing \"]\" in " + quoted(text));
            return false;
        }
        if (!evaluate_in(data_address_range, trim(text.substr(1, text.size() - 2)), symbols, v,
                         errors))
            return false;
        break;
    case OperandKind::Immediate:
        if (!evaluate_in(immediate_range, text, symbols, v, errors))
            return false;
        break;
    case OperandKind::JumpTarget: {
        // A taken JZ continues at its field + 1: a label is stored as label - 1.
        Symbol target;
        if (!evaluate(text, symbols, target, errors))
            return false;
        if (target.is_label) {
            v = (target.value + memory_size - 1) % memory_size;
            break;
        }
        if (!evaluate_in(target_range, text, symbols, v, errors))
            return false;
        break;
    }
    }
    value = static_cast<int>(v);
    return true;
}

// The word of an instruction, or false with its errors.
bool encode_instruction(const std::vector<const InstructionForm*>& forms,
                        const std::vector<std::string_view>& operands, const Symbols& symbols,
                        uint32_t& word, Messages& errors) {
    const InstructionForm* match = nullptr;
    bool count_fits = false;
    for (const InstructionForm* form : forms) {
        if (form->operand_count != operands.size())
            continue;
        count_fits = true;
        bool fits = true;
        for (size_t i = 0; i < operands.size(); ++i)
            fits = fits && accepts(form->operands[i].kind, syntax_of(operands[i]));
        if (fits && match == nullptr)
            match = form;
    }
    if (match == nullptr) {
        errors.push_back(
            std::string(count_fits ? "wrong kind of operands" : "wrong number of operands") +
            " for " + forms.front()->mnemonic + ": expected " + usage(forms));
        return false;
    }
    int values[3] = {};
    bool good = true;
    for (size_t i = 0; i < operands.size(); ++i)
        good = operand_value(match->operands[i], operands[i], symbols, values[i], errors) && good;
    if (good)
        word = encode(*match, values);
    return good;
}

bool encode_word_directive(const SourceLine& parts, const Symbols& symbols, uint32_t& word,
                           Messages& errors) {
    if (parts.operands.size() != 1) {
        errors.push_back("wrong number of operands: expected \".word VALUE\"");
        return false;
    }
    int64_t v = 0;
    if (!evaluate_in(word_range, parts.operands[0], symbols, v, errors))
        return false;
    word = static_cast<uint32_t>(v);
    return true;
}

bool is_directive(std::string_view keyword, const char* name) {
    return equal_ignoring_case(keyword, name);
}

// The two passes over a source. The first splits the lines, places the
// labels and words and takes the constants; the second, with every name
// known, encodes the words and data.
class Assembler {
  public:
    explicit Assembler(Assembly& out) : out(out), program(out.program) {}

    void first_pass(std::string_view source);
    void second_pass();

  private:
    struct Statement {
        int line;
        SourceLine parts;
        int address; // code: its word; data: unused
    };

    void take_line(int line, std::string_view text);
    void take_directive(int line, const SourceLine& parts);
    void place_code(int line, const SourceLine& parts);
    void define(int line, std::string_view name, int64_t value, bool is_label);
    void encode_code(const Statement& s);
    void encode_data(const Statement& s);
    void report(int line, const Messages& messages) {
        for (const std::string& m : messages)
            out.errors.push_back({line, m});
    }
    void report(int line, std::string message) { out.errors.push_back({line, std::move(message)}); }

    Assembly& out;
    AssembledProgram& program;
    Symbols symbols;
    std::vector<Statement> code, data;
    int address = 0;
    std::array<int, memory_size> code_line{}; // the line whose word is at each address
    std::array<int, memory_size> data_line{};
};

void Assembler::first_pass(std::string_view source) {
    int line = 1;
    while (!source.empty()) {
        const size_t end = source.find('\n');
        take_line(line++, source.substr(0, end));
        source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
    }
}

void Assembler::take_line(int line, std::string_view text) {
    SourceLine parts = split_line(text);
    if (!parts.error.empty()) {
        report(line, parts.error);
        return;
    }
    for (std::string_view label : parts.labels) {
        if (address >= memory_size)
            report(line, "label " + quoted(label) + " is past address 255");
        define(line, label, address, true);
    }
    if (parts.keyword.empty())
        return;
    if (parts.keyword.front() == '.')
        take_directive(line, parts);
    else if (forms_named(parts.keyword).empty())
        report(line, "unknown mnemonic " + quoted(parts.keyword));
    else
        place_code(line, parts);
    if (parts.keyword.front() != '.' || is_directive(parts.keyword, ".word"))
        ++address;
}

void Assembler::take_directive(int line, const SourceLine& parts) {
    const std::string_view keyword = parts.keyword;
    const std::vector<std::string_view>& operands = parts.operands;
    Messages errors;
    int64_t v = 0;
    if (is_directive(keyword, ".word")) {
        place_code(line, parts);
    } else if (is_directive(keyword, ".data")) {
        program.has_data = true;
        data.push_back({line, parts, 0});
    } else if (is_directive(keyword, ".org")) {
        // Its value must be known here: it places what follows.
        if (operands.size() != 1)
            errors.push_back("wrong number of operands: expected \".org ADDR\"");
        else if (evaluate_in(address_range, operands[0], symbols, v, errors))
            address = static_cast<int>(v);
    } else if (is_directive(keyword, ".equ")) {
        if (operands.size() != 2)
            errors.push_back("wrong number of operands: expected \".equ NAME, VALUE\"");
        else if (!is_identifier(operands[0]))
            errors.push_back("bad constant name " + quoted(operands[0]));
        else if (Symbol value; evaluate(operands[1], symbols, value, errors))
            define(line, operands[0], value.value, false);
    } else {
        errors.push_back("unknown directive " + quoted(keyword));
    }
    report(line, errors);
}

void Assembler::place_code(int line, const SourceLine& parts) {
    if (address >= memory_size) {
        report(line, "code past address 255");
        return;
    }
    if (code_line[address] != 0) {
        report(line, "address " + hex_address(address) + " already holds line " +
                         std::to_string(code_line[address]));
        return;
    }
    code_line[address] = line;
    code.push_back({line, parts, address});
}

void Assembler::define(int line, std::string_view name, int64_t value, bool is_label) {
    if (register_number(name) >= 0) {
        report(line, quoted(name) + " is a register name");
        return;
    }
    const auto [at, added] = symbols.emplace(std::string(name), Symbol{value, is_label, line});
    if (!added) {
        report(line, "duplicate name " + quoted(name) + " (first defined on line " +
                         std::to_string(at->second.line) + ")");
        return;
    }
    if (is_label && value < memory_size)
        program.symbols.labels.emplace(static_cast<uint8_t>(value), std::string(name));
}

void Assembler::second_pass() {
    for (const Statement& s : code)
        encode_code(s);
    for (const Statement& s : data)
        encode_data(s);
}

void Assembler::encode_code(const Statement& s) {
    Messages errors;
    uint32_t word = 0;
    const bool good = s.parts.keyword.front() == '.'
                          ? encode_word_directive(s.parts, symbols, word, errors)
                          : encode_instruction(forms_named(s.parts.keyword), s.parts.operands,
                                               symbols, word, errors);
    if (good) {
        program.rom[s.address] = word;
        program.symbols.lines[s.address] = s.line;
    }
    report(s.line, errors);
}

void Assembler::encode_data(const Statement& s) {
    const std::vector<std::string_view>& operands = s.parts.operands;
    Messages errors;
    int64_t start = 0;
    if (operands.size() < 2)
        errors.push_back("wrong number of operands: expected \".data ADDR, BYTE[, BYTE...]\"");
    else if (evaluate_in(data_address_range, operands[0], symbols, start, errors))
        for (size_t i = 1; i < operands.size(); ++i) {
            const int64_t at = start + static_cast<int64_t>(i) - 1;
            if (at >= memory_size) {
                errors.push_back("data past address 255");
                break;
            }
            int64_t byte = 0;
            if (!evaluate_in(byte_range, operands[i], symbols, byte, errors))
                continue;
            if (data_line[at] != 0) {
                errors.push_back("data address " + hex_address(static_cast<int>(at)) +
                                 " already written by line " + std::to_string(data_line[at]));
                continue;
            }
            data_line[at] = s.line;
            program.ram[at] = static_cast<uint8_t>(byte);
        }
    report(s.line, errors);
}

} // namespace

Assembly assemble(std::string_view source) {
    Assembly out;
    Assembler assembler(out);
    assembler.first_pass(source);
    assembler.second_pass();
    std::stable_sort(out.errors.begin(), out.errors.end(),
                     [](const AsmError& a, const AsmError& b) { return a.line < b.line; });
    if (!out.ok())
        out.program = AssembledProgram();
    return out;
}

bool assemble_statement(std::string_view statement, uint32_t& word, std::string& error) {
    const SourceLine parts = split_line(statement);
    Messages errors;
    if (!parts.error.empty())
        errors.push_back(parts.error);
    else if (!parts.labels.empty())
        errors.push_back("a single statement has no labels");
    else if (is_directive(parts.keyword, ".word"))
        encode_word_directive(parts, Symbols(), word, errors);
    else if (parts.keyword.empty() || parts.keyword.front() == '.')
        errors.push_back("not an instruction or .word: " + quoted(parts.keyword));
    else if (const auto forms = forms_named(parts.keyword); forms.empty())
        errors.push_back("unknown mnemonic " + quoted(parts.keyword));
    else
        encode_instruction(forms, parts.operands, Symbols(), word, errors);
    if (!errors.empty())
        error = errors.front();
    return errors.empty();
}
