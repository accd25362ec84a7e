#include "ui/ram_view.h"

#include <imgui.h>

#include "arch/memory_image.h"
#include "util/hex.h"

void RamView::draw(Isa4& arch) {
    if (!ImGui::Begin("RAM view")) {
        ImGui::End();
        return;
    }
    draw_rows(arch);
    poke.draw(255);
    if (ImGui::Button("Inc"))
        arch.ram[poke.addr]++;
    ImGui::SameLine();
    if (ImGui::Button("Dec"))
        arch.ram[poke.addr]--;
    ImGui::SameLine();
    if (ImGui::Button("Poke"))
        arch.ram[poke.addr] = static_cast<uint8_t>(poke.val);

    switch (file.draw("Save RAM", "Load RAM")) {
    case ImageFileAction::Save:
        save_ram_image(file.filename, arch.ram);
        break;
    case ImageFileAction::Load:
        load_ram_image(file.filename, arch.ram);
        break;
    case ImageFileAction::None:
        break;
    }
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_ram();
    ImGui::End();
}

void RamView::draw_rows(const Isa4& arch) {
    ImGui::TextUnformatted("    0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F");
    for (int r = 0; r < 256; r += 16) {
        // "%X " and sixteen " %02X": the row's high digit, then its bytes.
        char row[64];
        char* end = put_hex(row, static_cast<uint32_t>(r >> 4), 1);
        *end++ = ' ';
        for (int c = 0; c < 16; ++c) {
            *end++ = ' ';
            end = put_hex(end, arch.ram[r + c], 2);
        }
        ImGui::TextUnformatted(row, end);
    }
}
