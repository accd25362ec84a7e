#include "ui/rom_view.h"

#include <algorithm>

#include <imgui.h>

#include "arch/instruction_set.h"
#include "arch/memory_image.h"
#include "assembly/disassembler.h"
#include "link/envelope.h"
#include "ui/widgets.h"
#include "util/hex.h"

namespace {

constexpr ImageKind rom_image{
    "Save ROM",
    "Load ROM",
    "ROM image",
    rom_image_bytes,
    "words",
    [](const char* path, const Isa4& arch) { return save_rom_image(path, arch.rom); },
    [](const char* path, Isa4& arch) { return load_rom_image(path, arch.rom); },
};

const ImVec4 breakpoint_colour(0.9f, 0.2f, 0.2f, 1.0f);
const ImVec4 marker_hover_colour(0.7f, 0.7f, 0.7f, 1.0f);

// Labels longer than this push their row's instruction right.
constexpr size_t max_label_column = 16;

} // namespace

void RomView::draw(Isa4& arch, FrameSender& sender, Logger& log, const ProgramSymbols& symbols,
                   const RegisterFile* back_end) {
    if (!ImGui::Begin("Program ROM view")) {
        ImGui::End();
        return;
    }
    ImGui::Text("PC: %02X", arch.pc);
    ImGui::SameLine();
    ImGui::Checkbox("Track PC+1", &track_pc);

    const Register* pc_register = back_end != nullptr ? back_end->program_counter() : nullptr;
    std::optional<uint64_t> back_end_pc;
    if (pc_register != nullptr)
        back_end_pc = pc_register->value;
    follow(arch.pc, back_end_pc);
    std::optional<BackEndPc> back_end_row;
    if (back_end_pc && *back_end_pc <= 0xFF)
        back_end_row = BackEndPc{static_cast<uint8_t>(*back_end_pc), back_end};

    float width = ImGui::GetContentRegionAvail().x;
    if (width < 1.0f)
        width = 1.0f;
    if (ImGui::BeginChild(ImGui::GetID(static_cast<const void*>(nullptr)), ImVec2(width, 200),
                          true))
        draw_rows(arch, symbols, back_end_row);
    ImGui::EndChild();

    ImGui::Checkbox("Sync with PC+1", &sync_pc);
    if (sync_pc)
        poke.addr = arch.pc + 1;
    poke.draw(static_cast<int>(max_instruction_code), !sync_pc);
    if (ImGui::Button("Poke"))
        arch.rom[poke.addr] = static_cast<uint32_t>(poke.val);

    file.draw(rom_image, arch, log);
    if (ImGui::Button("Send ROM"))
        sender.send(envelope::program_load(arch.rom));
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.clear_rom();
    ImGui::End();
}

void RomView::follow(uint8_t local_pc, std::optional<uint64_t> back_end_pc) {
    if (back_end_pc != seen_back_end_pc) {
        seen_back_end_pc = back_end_pc;
        follow_back_end = back_end_pc.has_value();
    }
    if (local_pc != seen_local_pc) {
        seen_local_pc = local_pc;
        follow_back_end = false;
    }
}

// Only the rows in view are formatted and submitted; the followed row is
// always submitted while it is tracked, so it can be scrolled to the centre.
void RomView::draw_rows(Isa4& arch, const ProgramSymbols& symbols,
                        std::optional<BackEndPc> back_end) {
    const uint8_t next = static_cast<uint8_t>(arch.pc + 1);
    const int followed = follow_back_end && back_end ? back_end->row : next;
    size_t label_width = 0; // "name:", as wide as the widest
    for (const auto& label : symbols.labels)
        label_width = std::max(label_width, label.second.size() + 1);
    label_width = std::min(label_width, max_label_column);

    ImGuiListClipper clipper;
    clipper.Begin(256, ImGui::GetTextLineHeightWithSpacing());
    if (track_pc)
        clipper.ForceDisplayRangeByIndices(followed, followed + 1);
    while (clipper.Step())
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            draw_row(arch, i, symbols, label_width, back_end, i == next);
            if (track_pc && i == followed)
                ImGui::SetScrollHereY(0.5f);
        }
}

void RomView::draw_row(Isa4& arch, int i, const ProgramSymbols& symbols, size_t label_width,
                       std::optional<BackEndPc> back_end, bool is_next) {
    ImGui::PushID(i);
    draw_marker(arch, i, back_end);
    ImGui::PopID();
    ImGui::SameLine();
    format_row(i, arch.rom[i], symbols, label_width);
    const char* end = row.data() + row.size();
    if (is_next)
        coloured_text(next_row_colour, row.data(), end);
    else if (back_end && back_end->row == i)
        coloured_text(back_end_pc_colour, row.data(), end);
    else
        ImGui::TextUnformatted(row.data(), end);
}

// A square at the row's start: a red dot where a breakpoint is set, a ring
// under the mouse, and an arrow at the back end's program counter. A click
// sets or clears the breakpoint.
void RomView::draw_marker(Isa4& arch, int i, std::optional<BackEndPc> back_end) {
    const float h = ImGui::GetTextLineHeight();
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const auto address = static_cast<uint8_t>(i);
    if (ImGui::InvisibleButton("##marker", ImVec2(2 * h, h))) {
        if (arch.breakpoints.erase(address) == 0)
            arch.breakpoints.insert(address);
    }
    const bool hovered = ImGui::IsItemHovered();
    const bool has_breakpoint = arch.breakpoints.count(address) != 0;
    const bool at_back_end = back_end && back_end->row == i;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 dot(at.x + 0.5f * h, at.y + 0.5f * h);
    if (has_breakpoint)
        draw->AddCircleFilled(dot, 0.35f * h, ImGui::GetColorU32(breakpoint_colour));
    else if (hovered)
        draw->AddCircle(dot, 0.35f * h, ImGui::GetColorU32(marker_hover_colour));
    if (at_back_end)
        draw->AddTriangleFilled(
            ImVec2(at.x + 1.1f * h, at.y + 0.15f * h), ImVec2(at.x + 1.9f * h, at.y + 0.5f * h),
            ImVec2(at.x + 1.1f * h, at.y + 0.85f * h), ImGui::GetColorU32(back_end_pc_colour));
    if (!hovered)
        return;
    std::string tip =
        (has_breakpoint ? "Click to clear the breakpoint at " : "Click to break at ") +
        hex_text(address, 2);
    if (at_back_end)
        tip += "\nThe back end's " + back_end->regfile->program_counter()->abbr + " is here";
    ImGui::SetTooltip("%s", tip.c_str());
}

// "%02X  %X %02X %02X": the address, then the word's three fields; the first,
// from the opcode up, is not masked, so bits 20-31 show when they are set.
// Then, after two spaces, the address's label in a column of its own when
// the listing has labels, and the instruction.
void RomView::format_row(int i, uint32_t w, const ProgramSymbols& symbols, size_t label_width) {
    char fields[16];
    char* end = put_hex(fields, static_cast<uint32_t>(i), 2);
    *end++ = ' ';
    *end++ = ' ';
    end = put_hex(end, w >> isa4_field::opcode.shift, 1);
    *end++ = ' ';
    end = put_hex(end, (w >> 8) & 0xFF, 2);
    *end++ = ' ';
    end = put_hex(end, w & 0xFF, 2);
    row.assign(fields, end);
    row += "  ";
    if (label_width > 0) {
        const size_t instruction = row.size() + label_width + 1;
        if (const std::string* label = symbols.label_at(static_cast<uint8_t>(i))) {
            row += *label;
            row += ':';
        }
        row.append(row.size() < instruction ? instruction - row.size() : 1, ' ');
    }
    append_disassembly(row, w);
}
