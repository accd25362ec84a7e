#include "ui/rom_view.h"

#include <imgui.h>

#include "arch/instruction_set.h"
#include "arch/memory_image.h"
#include "link/envelope.h"
#include "util/hex.h"

void RomView::draw(Isa4& arch, FrameSender& sender) {
    if (!ImGui::Begin("Program ROM view")) {
        ImGui::End();
        return;
    }
    ImGui::Text("PC: %02X", arch.pc);
    ImGui::SameLine();
    ImGui::Checkbox("Track PC+1", &track_pc);

    float width = ImGui::GetContentRegionAvail().x;
    if (width < 1.0f)
        width = 1.0f;
    if (ImGui::BeginChild(ImGui::GetID(static_cast<const void*>(nullptr)), ImVec2(width, 200),
                          true))
        draw_rows(arch);
    ImGui::EndChild();

    ImGui::Checkbox("Sync with PC+1", &sync_pc);
    if (sync_pc)
        poke.addr = arch.pc + 1;
    poke.draw(static_cast<int>(max_instruction_code), !sync_pc);
    if (ImGui::Button("Poke"))
        arch.rom[poke.addr] = static_cast<uint32_t>(poke.val);

    switch (file.draw("Save ROM", "Load ROM")) {
    case ImageFileAction::Save:
        save_rom_image(file.filename, arch.rom);
        break;
    case ImageFileAction::Load:
        load_rom_image(file.filename, arch.rom);
        break;
    case ImageFileAction::None:
        break;
    }
    if (ImGui::Button("Send ROM"))
        sender.send(envelope::program_load(arch.rom));
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_rom();
    ImGui::End();
}

// Only the rows in view are formatted and submitted; the row after pc is
// always submitted while it is tracked, so it can be scrolled to the centre.
void RomView::draw_rows(const Isa4& arch) {
    const uint8_t next = static_cast<uint8_t>(arch.pc + 1);
    ImGuiListClipper clipper;
    clipper.Begin(256, ImGui::GetTextLineHeightWithSpacing());
    if (track_pc)
        clipper.ForceDisplayRangeByIndices(next, next + 1);
    while (clipper.Step())
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i)
            draw_row(i, arch.rom[i], i == next);
}

void RomView::draw_row(int i, uint32_t w, bool is_next) {
    // "%02X  %X %02X %02X": the address, then the word's three fields; the
    // first, from the opcode up, is not masked, so bits 20-31 show when they
    // are set.
    char row[40];
    char* end = put_hex(row, static_cast<uint32_t>(i), 2);
    *end++ = ' ';
    *end++ = ' ';
    end = put_hex(end, w >> isa4_field::opcode.shift, 1);
    *end++ = ' ';
    end = put_hex(end, (w >> 8) & 0xFF, 2);
    *end++ = ' ';
    end = put_hex(end, w & 0xFF, 2);
    if (!is_next) {
        ImGui::TextUnformatted(row, end);
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1, 1, 0, 1));
    ImGui::TextUnformatted(row, end);
    ImGui::PopStyleColor();
    if (track_pc)
        ImGui::SetScrollHereY(0.5f);
}
