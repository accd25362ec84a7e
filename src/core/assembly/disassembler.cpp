#include "assembly/disassembler.h"

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

namespace {

constexpr size_t listing_column = 24; // where the address comments start
constexpr int zero_run_for_org = 4;

void append_listing_line(std::string& out, int address, uint32_t word) {
    const size_t start = out.size();
    out += "    ";
    append_disassembly(out, word);
    out.append(out.size() - start < listing_column ? listing_column - (out.size() - start) : 1,
               ' ');
    out += "; ";
    append_hex(out, static_cast<uint32_t>(address), 2);
    char digits[8];
    out += "  ";
    out.append(digits, put_hex(digits, word, 5));
    out += '\n';
}

} // namespace

std::string disassemble_program(const std::array<uint32_t, 256>& rom) {
    int end = static_cast<int>(rom.size());
    while (end > 0 && rom[end - 1] == 0)
        --end;
    if (end == 0)
        return "; every word is 0\n";
    std::string out;
    int a = 0;
    while (a < end) {
        int zeros = 0;
        while (a + zeros < end && rom[a + zeros] == 0)
            ++zeros;
        if (zeros >= zero_run_for_org) {
            a += zeros;
            out += "    .org ";
            append_hex(out, static_cast<uint32_t>(a), 2);
            out += '\n';
            continue;
        }
        append_listing_line(out, a, rom[a]);
        ++a;
    }
    return out;
}
