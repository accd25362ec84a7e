#include "assembly/statement_encoder.h"

#include "util/hex.h"

namespace {

constexpr int memory_size = 256;

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

} // namespace

std::string hex_address(int address) {
    return "0x" + hex_text(static_cast<uint32_t>(address), 2);
}

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

std::vector<const InstructionForm*> forms_named(std::string_view mnemonic) {
    std::vector<const InstructionForm*> forms;
    for (const InstructionForm& form : instruction_set)
        if (equal_ignoring_case(form.mnemonic, mnemonic))
            forms.push_back(&form);
    return forms;
}

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
