#include "ui/ram_view.h"

#include "arch/memory_image.h"
#include "ui/widgets.h"
#include "util/bounds.h"
#include "util/hex.h"

void RamView::draw(Isa4& arch) {
    ImGui::Begin("RAM view");
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
    hex_field("val", &val);
    hex_field("addr", &addr);
    val = wrap_around(0, val, 255);
    addr = wrap_around(0, addr, 255);
    if (ImGui::Button("Inc"))
        arch.ram[addr]++;
    ImGui::SameLine();
    if (ImGui::Button("Dec"))
        arch.ram[addr]--;
    ImGui::SameLine();
    if (ImGui::Button("Poke"))
        arch.ram[addr] = static_cast<uint8_t>(val);

    ImGui::InputText("Filename", filename, sizeof filename);
    if (ImGui::Button("Save RAM"))
        save_ram_image(filename, arch.ram);
    ImGui::SameLine();
    if (ImGui::Button("Load RAM"))
        load_ram_image(filename, arch.ram);
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_ram();
    ImGui::End();
}
