#include "asm/disassembler.h"

#include "arch/instruction_set.h"
#include "util/hex.h"

namespace {

void append_hex(std::string& out, uint32_t value, int min_digits) {
    char digits[8];
    out += "0x";
    out.append(digits, put_hex(digits, value, min_digits));
}

void append_operand(std::string& out, const Operand& op, uint32_t word) {
    const uint32_t value = op.field.read(word);
    switch (op.kind) {
    case OperandKind::Register:
        out += register_names[value];
        break;
    case OperandKind::DataAddress:
        out += '[';
        append_hex(out, value, 2);
        out += ']';
        break;
    case OperandKind::Immediate:
    case OperandKind::JumpTarget:
        append_hex(out, value, 2);
        break;
    }
}

} // namespace

void append_disassembly(std::string& out, uint32_t word) {
    const InstructionForm* form = form_of_word(word);
    if (form == nullptr || (word & ~form->used_bits()) != 0) {
        out += ".word ";
        append_hex(out, word, 5);
        return;
    }
    out += form->mnemonic;
    for (size_t i = 0; i < form->operand_count; ++i) {
        out += i == 0 ? " " : ", ";
        append_operand(out, form->operands[i], word);
    }
}

std::string disassemble(uint32_t word) {
    std::string text;
    append_disassembly(text, word);
    return text;
}
