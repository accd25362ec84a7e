#include "assembly/instruction_reference.h"

#include <string_view>
#include <vector>

// clang-format off
const InstructionNote instruction_notes[instruction_form_count] = {
    {Opcode::Add, "ADD rd, ra, rb", "rd = ra + rb, on 8 bits (0xFF + 1 is 0)",
     "set when rd is 0 after the write, cleared otherwise", "ADD r3, r1, r2", "r3 = r1 + r2"},
    {Opcode::Addi, "ADDI rd, ra, imm", "rd = ra + imm, imm from -128 to 255; -1 counts down",
     "set when rd is 0 after the write, cleared otherwise", "ADDI r1, r0, 5", "r1 = 5"},
    {Opcode::Jz, "JZ target",
     "when z is set: pc = target, so the next word run is target + 1; otherwise nothing",
     "unchanged", "JZ 0x10", "when z is set, continues at 0x11"},
    {Opcode::MoveRR, "MOVE rd, rs", "rd = rs", "unchanged", "MOVE r5, r6", "r5 = r6"},
    {Opcode::MoveMR, "MOVE [m], rs", "data memory at m = rs", "unchanged", "MOVE [0x80], r3",
     "data memory at 0x80 = r3"},
    {Opcode::MoveRM, "MOVE rd, [m]", "rd = data memory at m", "unchanged", "MOVE r3, [0x80]",
     "r3 = data memory at 0x80"},
    {Opcode::MoveMM, "MOVE [m], [n]", "data memory at m = data memory at n", "unchanged",
     "MOVE [0x12], [0x34]", "data memory at 0x12 = data memory at 0x34"},
};
// clang-format on

namespace {

// The operand names of a syntax: "ADDI rd, ra, imm" gives rd, ra, imm.
std::vector<std::string_view> operand_names(std::string_view syntax) {
    std::vector<std::string_view> names;
    size_t at = syntax.find(' ');
    while (at != std::string_view::npos) {
        const size_t start = syntax.find_first_not_of(", ", at);
        if (start == std::string_view::npos)
            break;
        at = syntax.find(',', start);
        std::string_view name =
            syntax.substr(start, at == std::string_view::npos ? at : at - start);
        if (name.size() > 2 && name.front() == '[')
            name = name.substr(1, name.size() - 2);
        names.push_back(name);
    }
    return names;
}

std::string bits(const WordField& field) {
    const int high = field.shift + field.width - 1;
    return std::to_string(high) + "-" + std::to_string(field.shift);
}

} // namespace

std::string encoding_text(const InstructionNote& note) {
    const InstructionForm* form = form_of(note.opcode);
    if (form == nullptr)
        return "";
    std::string text =
        "bits " + bits(isa4_field::opcode) + ": " + std::to_string(static_cast<int>(note.opcode));
    const std::vector<std::string_view> names = operand_names(note.syntax);
    for (size_t i = 0; i < form->operand_count && i < names.size(); ++i)
        text += ", " + bits(form->operands[i].field) + ": " + std::string(names[i]);
    return text;
}
