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
    const ChoiceList mnemonics = mnemonic_choices();
    ImGui::Combo("opcode", &fields.mnemonic, mnemonics.names, mnemonics.count);
    draw_operands();
    ImGui::Text("IC: %05X", ic);
    hex_field("IC", &ic_entry);
    ic_entry = wrap_around(0, ic_entry, static_cast<int>(max_instruction_code));
    if (ImGui::Button("Dissassemble"))
        disassemble();
    ImGui::End();
}

// The picked form's operands in their written order, each bound to its
// shared value; "???" draws none and keeps the code on show.
void AssemblerWindow::draw_operands() {
    const ChoiceList variants = variant_choices(fields.mnemonic);
    if (variants.count > 0)
        ImGui::Combo("Type", &fields.variant, variants.names, variants.count);
    if (const InstructionForm* form = fields.form()) {
        for (size_t i = 0; i < form->operand_count; ++i) {
            const Operand& op = form->operands[i];
            int* value = &(fields.*AsmFields::slot(*form, i));
            if (op.kind == OperandKind::Register)
                register_combo(op.label, value);
            else
                byte_field(op.label, value);
        }
    }
    ic = static_cast<int>(compose_word(fields, static_cast<uint32_t>(ic)));
}

void AssemblerWindow::disassemble() {
    decode_word(static_cast<uint32_t>(ic_entry), fields);
    ic = ic_entry;
}
