#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "arch/instruction_set.h"

// The "(Diss)Assembler"'s choices over the instruction set: a mnemonic (and
// MOVE's variant) and the operand values. Several operand widgets share one
// value, so a value survives a change of mnemonic or variant.

// Entries of a combo.
struct ChoiceList {
    const char* const* names;
    int count;
};

// The "opcode" combo: the instruction set's mnemonics in order ("ADD",
// "ADDI", "JZ", "MOVE"), then "???", which stands for any code that is no
// instruction.
ChoiceList mnemonic_choices();
// Position of a name in mnemonic_choices(), or -1.
int mnemonic_choice(std::string_view name);
// The "Type" combo of a mnemonic with more than one form: its forms'
// variants (MOVE: "RR", "MR", "RM", "MM"). Empty for the others.
ChoiceList variant_choices(int mnemonic);

struct AsmFields {
    int mnemonic = 0; // position in mnemonic_choices()
    int variant = 0;  // position in variant_choices(mnemonic); kept while unused
    int dst_reg = 0;
    int lhs_reg = 0;
    int rhs_reg = 0;
    int byte_operand = 0; // the first 8-bit operand: imm, jump addr, MR/MM dst, RM rhs
    int rhs_addr = 0;     // the second: MM's rhs

    // The picked form, or nullptr while "???" is picked.
    const InstructionForm* form() const;
    // The member that operand i of form is bound to.
    static int AsmFields::*slot(const InstructionForm& form, size_t i);
};

// Composes the word for the fields, which must already be in range.
// "???" composes nothing: the previous code is returned unchanged.
uint32_t compose_word(const AsmFields& f, uint32_t previous);

// Decodes w into the fields its opcode uses; the other fields keep their
// values. An illegal opcode selects "???".
void decode_word(uint32_t w, AsmFields& f);
