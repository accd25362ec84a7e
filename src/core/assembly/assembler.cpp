#include "assembly/assembler.h"

#include <algorithm>

#include "assembly/source_line.h"
#include "assembly/statement_encoder.h"

namespace {

constexpr int memory_size = 256;

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
