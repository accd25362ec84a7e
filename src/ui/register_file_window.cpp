#include "ui/register_file_window.h"

#include <limits>
#include <string>

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

namespace {

constexpr ImGuiInputTextFlags hex_flags =
    ImGuiInputTextFlags_CharsHexadecimal | ImGuiInputTextFlags_CharsUppercase;

bool fits_32_bits(const Register& reg) {
    constexpr uint64_t limit = std::numeric_limits<uint32_t>::max();
    return reg.min <= limit && reg.max <= limit;
}

// A register's field is labelled with its abbreviation. A register without
// one gets a hidden label of its own: Dear ImGui aborts on an empty id at a
// window's root.
std::string field_label(const Register& reg, uint32_t i) {
    // The label ends at the first NUL byte, which a TOML string may hold.
    return reg.abbr.c_str()[0] == '\0' ? "##register" + std::to_string(i) : reg.abbr;
}

} // namespace

void help_marker(const char* text) {
    ImGui::TextDisabled("(?)");
    if (ImGui::IsItemHovered()) {
        ImGui::BeginTooltip();
        ImGui::PushTextWrapPos(ImGui::GetFontSize() * 35.0f);
        ImGui::TextUnformatted(text);
        ImGui::PopTextWrapPos();
        ImGui::EndTooltip();
    }
}

// Only the fields in view are submitted: a register file can be long, and
// every field is a text input with two buttons.
void RegisterFileWindow::draw(RegisterFile& regfile, FrameSender& sender, bool stale) {
    if (!ImGui::Begin("Register file")) {
        ImGui::End();
        return;
    }
    ImGui::Text("Arch: %s", regfile.fullname.c_str());
    if (stale) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.7f, 0.3f, 1.0f)); // a warning's orange
        ImGui::TextWrapped("%s", stale_text);
        ImGui::PopStyleColor();
    }
    fields.resize(regfile.registers.size());
    shown.clear();
    for (uint32_t i = 0; i < regfile.registers.size(); ++i)
        if (!regfile.registers[i].hidden)
            shown.push_back(i);

    // The clipper also submits the focused field, wherever it is scrolled.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(shown.size()), ImGui::GetFrameHeightWithSpacing());
    while (clipper.Step())
        for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row)
            draw_register(regfile, shown[row], sender);
    ImGui::End();
}

void RegisterFileWindow::draw_register(RegisterFile& regfile, uint32_t i, FrameSender& sender) {
    const Register& reg = regfile.registers[i];
    if (reg.readonly) {
        readonly_field = static_cast<int>(static_cast<uint32_t>(reg.value));
        ImGui::InputInt(field_label(reg, i).c_str(), &readonly_field, 1, 100, hex_flags);
    } else {
        draw_writable(regfile, i, sender);
    }
    ImGui::SameLine();
    help_marker(reg.name.c_str());
}

void RegisterFileWindow::draw_writable(RegisterFile& regfile, uint32_t i, FrameSender& sender) {
    const Register& reg = regfile.registers[i];
    uint64_t entered = 0;
    bool edited = false;

    if (fits_32_bits(reg)) {
        int& field = fields[i];
        field = static_cast<int>(static_cast<uint32_t>(reg.value));
        const int old = field;
        ImGui::InputInt(field_label(reg, i).c_str(), &field, 1, 100, hex_flags);
        edited = field != old;
        // Widened as unsigned: a field with bit 31 set is a large value, not a negative one.
        entered = static_cast<uint32_t>(field);
    } else {
        // A range beyond 32 bits gets a field that keeps all 64.
        uint64_t field = reg.value;
        const uint64_t step = 1, fast_step = 100;
        ImGui::InputScalar(field_label(reg, i).c_str(), ImGuiDataType_U64, &field, &step,
                           &fast_step, "%016llX", hex_flags);
        edited = field != reg.value;
        entered = field;
        fields[i] = static_cast<int>(static_cast<uint32_t>(field));
    }
    const bool active = ImGui::IsItemActive(); // its text field or one of its buttons

    // A stored value outside min..max stays on show and sends nothing until edited.
    if (edited) {
        const uint64_t bounded = wrap_around(reg.min, entered, reg.max);
        fields[i] = static_cast<int>(static_cast<uint32_t>(bounded));
        const bool already_sent =
            active_edit && active_edit->reg == i && active_edit->value == bounded;
        if (!already_sent && bounded != reg.value)
            sender.send(envelope::register_write(regfile.write_destination(), i, bounded));
        if (active)
            active_edit = ActiveEdit{i, bounded};
    }
    if (!active && active_edit && active_edit->reg == i)
        active_edit.reset();
}
