#include "arch/instruction.h"

#include <cstring>

namespace {

constexpr size_t form_count = instruction_form_count;

// The combos' lists, gathered from the instruction set once.
struct Choices {
    const char* mnemonics[form_count + 1] = {};
    int mnemonic_count = 0;
    const InstructionForm* forms[form_count][form_count] = {}; // by mnemonic
    const char* variants[form_count][form_count] = {};
    int form_count_of[form_count] = {};

    Choices() {
        for (const InstructionForm& form : instruction_set) {
            int m = 0;
            while (m < mnemonic_count && std::strcmp(mnemonics[m], form.mnemonic) != 0)
                ++m;
            if (m == mnemonic_count)
                mnemonics[mnemonic_count++] = form.mnemonic;
            const int n = form_count_of[m]++;
            forms[m][n] = &form;
            variants[m][n] = form.variant;
        }
        mnemonics[mnemonic_count++] = "???";
    }
    int unknown() const { return mnemonic_count - 1; } // "???"
    bool is_instruction(int m) const { return m >= 0 && m < unknown(); }
};

const Choices& choices() {
    static const Choices c;
    return c;
}

} // namespace

ChoiceList mnemonic_choices() {
    return {choices().mnemonics, choices().mnemonic_count};
}

int mnemonic_choice(std::string_view name) {
    const Choices& c = choices();
    for (int m = 0; m < c.mnemonic_count; ++m)
        if (name == c.mnemonics[m])
            return m;
    return -1;
}

ChoiceList variant_choices(int mnemonic) {
    const Choices& c = choices();
    if (!c.is_instruction(mnemonic) || c.form_count_of[mnemonic] < 2)
        return {nullptr, 0};
    return {c.variants[mnemonic], c.form_count_of[mnemonic]};
}

const InstructionForm* AsmFields::form() const {
    const Choices& c = choices();
    if (!c.is_instruction(mnemonic))
        return nullptr;
    const int n = c.form_count_of[mnemonic];
    return c.forms[mnemonic][n > 1 && variant >= 0 && variant < n ? variant : 0];
}

int AsmFields::*AsmFields::slot(const InstructionForm& form, size_t i) {
    const Operand& op = form.operands[i];
    if (op.kind == OperandKind::Register) {
        if (op.field.shift == isa4_field::dst_reg.shift)
            return &AsmFields::dst_reg;
        if (op.field.shift == isa4_field::lhs_reg.shift)
            return &AsmFields::lhs_reg;
        return &AsmFields::rhs_reg;
    }
    // The first 8-bit operand of every form shares one value; MM's second
    // has its own.
    for (size_t j = 0; j < i; ++j)
        if (form.operands[j].kind != OperandKind::Register)
            return &AsmFields::rhs_addr;
    return &AsmFields::byte_operand;
}

uint32_t compose_word(const AsmFields& f, uint32_t previous) {
    const InstructionForm* form = f.form();
    if (form == nullptr)
        return previous;
    int values[3] = {};
    for (size_t i = 0; i < form->operand_count; ++i)
        values[i] = f.*AsmFields::slot(*form, i);
    return encode(*form, values);
}

void decode_word(uint32_t w, AsmFields& f) {
    const Choices& c = choices();
    const InstructionForm* form = form_of_word(w);
    if (form == nullptr) {
        f.mnemonic = c.unknown();
        return;
    }
    f.mnemonic = mnemonic_choice(form->mnemonic);
    const int forms = c.form_count_of[f.mnemonic];
    for (int n = 0; n < forms; ++n)
        if (forms > 1 && c.forms[f.mnemonic][n] == form)
            f.variant = n;
    for (size_t i = 0; i < form->operand_count; ++i)
        f.*AsmFields::slot(*form, i) = static_cast<int>(form->operands[i].field.read(w));
}
