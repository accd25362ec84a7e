#include "ui/isa4_reference_window.h"

#include <cstdio>

#include <imgui.h>

#include "assembly/assembler.h"
#include "assembly/instruction_reference.h"
#include "ui/widgets.h"

namespace {

const char* const first_steps[] = {
    "1. Connect: start the back end (scripts/run does), then press \"Connect\" in \"nng\".",
    "2. Select: pick isa4 in \"Architecture\" and press \"Select\"; the \"Register file\" "
    "shows r0..rf, pc, z and cycles.",
    "3. Write: type a program into \"Assembly\", or name a source file in \"File\" and "
    "press \"Open\" (Quarrin's examples folder has countdown.s and multiply.s).",
    "4. Assemble: press \"Assemble\"; the words appear in the \"Program ROM view\". Press "
    "\"Send ROM\" there to give them to the back end.",
    "5. Run: \"Step\" in \"Computer Architecture state\" runs one instruction on the back end; "
    "\"Run\" runs Quarrin's own Isa4 at the \"Clocks\" rate.",
    "6. Follow and step back: \"Local Isa4\" shows Quarrin's own processor; \"Step Isa4\" "
    "runs one instruction, \"Step back\" undoes the last one, again and again, and \"Reset "
    "Isa4\" starts over (the memories stay).",
};

const char* const machine_lines[] = {
    "256 program words, 256 data bytes, registers r0..rf of 8 bits (r0 always reads 0), "
    "pc and the zero flag z.",
    "Each step first adds 1 to pc, then runs the word at pc: the first word run is at 0.",
    "Arithmetic is on 8 bits and wraps around; ADD r0, r0, r0 sets z.",
};

const char* const jump_lines[] = {
    "A taken JZ continues at its field + 1: it loads pc with the field, and the next step "
    "adds 1 before it fetches.",
    "Labels take care of it: JZ loop stores loop - 1 and continues at loop. A number is "
    "stored as it is: JZ 0x10 continues at 0x11.",
    "ADD r0, r0, r0 then JZ label always jumps.",
    "A JZ to its own address halts: JZ 5 at address 5. The back end reports the halt; the "
    "next step continues with the word after it.",
};

std::string example_line(const InstructionNote& note) {
    uint32_t word = 0;
    std::string error;
    char code[16] = "?";
    if (assemble_statement(note.example, word, error))
        std::snprintf(code, sizeof code, "%05X", static_cast<unsigned>(word));
    return std::string("e.g. ") + note.example + " = " + code + ": " + note.example_effect;
}

} // namespace

void Isa4ReferenceWindow::draw() {
    if (!ImGui::Begin(title)) {
        ImGui::End();
        return;
    }
    if (ImGui::CollapsingHeader("First steps", ImGuiTreeNodeFlags_DefaultOpen))
        draw_first_steps();
    if (ImGui::CollapsingHeader("Instructions", ImGuiTreeNodeFlags_DefaultOpen))
        draw_instructions();
    if (ImGui::CollapsingHeader("Jumps, labels and halting", ImGuiTreeNodeFlags_DefaultOpen))
        draw_jumps();
    ImGui::End();
}

void Isa4ReferenceWindow::draw_first_steps() {
    for (const char* line : first_steps)
        wrapped_text(line);
}

void Isa4ReferenceWindow::draw_instructions() {
    for (const char* line : machine_lines)
        wrapped_text(line);
    if (notes.empty())
        for (const InstructionNote& note : instruction_notes)
            notes.push_back(
                {std::string("z: ") + note.zero_flag, encoding_text(note), example_line(note)});
    for (size_t i = 0; i < instruction_form_count; ++i) {
        ImGui::Spacing();
        ImGui::TextUnformatted(instruction_notes[i].syntax);
        ImGui::Indent();
        wrapped_text(instruction_notes[i].effect);
        wrapped_text(notes[i].zero_flag);
        wrapped_text(notes[i].encoding);
        wrapped_text(notes[i].example);
        ImGui::Unindent();
    }
}

void Isa4ReferenceWindow::draw_jumps() {
    for (const char* line : jump_lines)
        wrapped_text(line);
}
