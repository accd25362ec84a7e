#include "ui/ram_view.h"

#include <imgui.h>

#include "arch/memory_image.h"
#include "ui/widgets.h"
#include "util/hex.h"

namespace {

constexpr ImageKind ram_image{
    "Save RAM",
    "Load RAM",
    "RAM image",
    ram_image_bytes,
    "bytes",
    [](const char* path, const Isa4& arch) { return save_ram_image(path, arch.ram); },
    [](const char* path, Isa4& arch) { return load_ram_image(path, arch.ram); },
};

} // namespace

void RamView::draw(Isa4& arch, Logger& log, std::optional<uint8_t> last_write) {
    if (!ImGui::Begin("RAM view")) {
        ImGui::End();
        return;
    }
    draw_rows(arch, last_write);
    poke.draw(255);
    if (ImGui::Button("Inc"))
        arch.ram[poke.addr]++;
    ImGui::SameLine();
    if (ImGui::Button("Dec"))
        arch.ram[poke.addr]--;
    ImGui::SameLine();
    if (ImGui::Button("Poke"))
        arch.ram[poke.addr] = static_cast<uint8_t>(poke.val);

    file.draw(ram_image, arch, log);
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_ram();
    ImGui::End();
}

void RamView::draw_rows(const Isa4& arch, std::optional<uint8_t> last_write) {
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
        if (!last_write || *last_write / 16 != r / 16) {
            ImGui::TextUnformatted(row, end);
            continue;
        }
        // The written byte in its own colour, the row around it as ever.
        const char* byte = row + 3 + 3 * (*last_write % 16);
        ImGui::TextUnformatted(row, byte);
        ImGui::SameLine(0, 0);
        coloured_text(changed_colour, byte, byte + 2);
        ImGui::SameLine(0, 0);
        ImGui::TextUnformatted(byte + 2, end);
    }
}
