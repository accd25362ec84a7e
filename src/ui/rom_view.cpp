#include "ui/rom_view.h"

#include <cstdio>

#include "arch/memory_image.h"
#include "link/envelope.h"
#include "ui/widgets.h"
#include "util/bounds.h"

void RomView::draw(Isa4& arch, FrameSender& sender) {
    ImGui::Begin("Program ROM view");
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
    hex_field("val", &val);
    if (!sync_pc)
        hex_field("addr", &addr);
    else
        addr = arch.pc + 1;
    val = wrap_around(0, val, 0xFFFFF);
    addr = wrap_around(0, addr, 255);
    if (ImGui::Button("Poke"))
        arch.rom[addr] = static_cast<uint32_t>(val);

    ImGui::InputText("Filename", filename, sizeof filename);
    if (ImGui::Button("Save ROM"))
        save_rom_image(filename, arch.rom);
    ImGui::SameLine();
    if (ImGui::Button("Load ROM"))
        load_rom_image(filename, arch.rom);
    if (ImGui::Button("Send ROM"))
        sender.send(envelope::program_load(arch.rom));
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_rom();
    ImGui::End();
}

void RomView::draw_rows(const Isa4& arch) {
    const uint8_t next = static_cast<uint8_t>(arch.pc + 1);
    char row[40];
    for (int i = 0; i < 256; ++i) {
        const uint32_t w = arch.rom[i];
        std::snprintf(row, sizeof row, "%02X  %X %02X %02X", i, w >> 16, (w >> 8) & 0xFF, w & 0xFF);
        if (i == next) {
            ImGui::TextColored(ImVec4(1, 1, 0, 1), "%s", row);
            if (track_pc)
                ImGui::SetScrollHereY(0.5f);
        } else {
            ImGui::TextUnformatted(row);
        }
    }
}
