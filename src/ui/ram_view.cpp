#include "ui/ram_view.h"

#include "arch/memory_image.h"
#include "ui/widgets.h"
#include "util/bounds.h"

void RamView::draw(Isa4& arch) {
    ImGui::Begin("RAM view");
    ImGui::TextUnformatted("    0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F");
    for (int r = 0; r < 256; r += 16) {
        const auto& m = arch.ram;
        ImGui::Text("%X  %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X "
                    "%02X %02X",
                    r >> 4, m[r], m[r + 1], m[r + 2], m[r + 3], m[r + 4], m[r + 5], m[r + 6],
                    m[r + 7], m[r + 8], m[r + 9], m[r + 10], m[r + 11], m[r + 12], m[r + 13],
                    m[r + 14], m[r + 15]);
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
