#include "ui/assembler_window.h"

#include "ui/widgets.h"
#include "util/bounds.h"

namespace {

void register_combo(const char* label, int* reg) {
    ImGui::Combo(label, reg, register_names, 16);
    *reg = wrap_around(0, *reg, 15);
}

void byte_field(const char* label, int* value) {
    hex_field(label, value);
    *value = wrap_around(0, *value, 255);
}

} // namespace

void AssemblerWindow::draw() {
    if (!ImGui::Begin("(Diss)Assembler")) {
        ImGui::End();
        return;
    }
    ImGui::Combo("opcode", &fields.opcode_index, opcode_names, 5);
    draw_operands();
    ImGui::Text("IC: %05X", ic);
    hex_field("IC", &ic_entry);
    ic_entry = wrap_around(0, ic_entry, static_cast<int>(max_instruction_code));
    if (ImGui::Button("Dissassemble"))
        disassemble();
    ImGui::End();
}

void AssemblerWindow::draw_operands() {
    AsmFields& f = fields;
    switch (f.opcode_index) {
    case OpAdd:
        register_combo("dst", &f.dst_reg);
        register_combo("lhs", &f.lhs_reg);
        register_combo("rhs", &f.rhs_reg);
        break;
    case OpAddi:
        register_combo("dst", &f.dst_reg);
        register_combo("lhs", &f.lhs_reg);
        byte_field("imm", &f.byte_operand);
        break;
    case OpJz:
        byte_field("addr", &f.byte_operand);
        break;
    case OpMove:
        ImGui::Combo("Type", &f.move_type, move_type_names, 4);
        switch (f.move_type) {
        case MoveRR:
            register_combo("dst", &f.dst_reg);
            register_combo("rhs", &f.rhs_reg);
            break;
        case MoveMR:
            byte_field("dst", &f.byte_operand);
            register_combo("rhs", &f.rhs_reg);
            break;
        case MoveRM:
            register_combo("dst", &f.dst_reg);
            byte_field("rhs", &f.byte_operand);
            break;
        default:
            byte_field("dst", &f.byte_operand);
            byte_field("rhs", &f.rhs_addr);
            break;
        }
        break;
    default: // "???" keeps the code on show
        break;
    }
    ic = static_cast<int>(compose_word(f, static_cast<uint32_t>(ic)));
}

void AssemblerWindow::disassemble() {
    decode_word(static_cast<uint32_t>(ic_entry), fields);
    ic = ic_entry;
}
