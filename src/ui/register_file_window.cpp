#include "ui/register_file_window.h"

#include <limits>
#include <string>

#include <imgui.h>
#include <imgui_internal.h> // GetActiveID: which part of a number field is active

#include "link/envelope.h"
#include "ui/widgets.h"
#include "util/bounds.h"

namespace {

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
    // Wrapped: a long description must not be cut at the window's edge.
    ImGui::PushTextWrapPos(0.0f);
    ImGui::Text("Arch: %s", regfile.fullname.c_str());
    ImGui::PopTextWrapPos();
    ImGui::TextDisabled("values in hexadecimal");
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
    send_typed_when_left(regfile, sender);
    ImGui::End();
}

void RegisterFileWindow::draw_register(RegisterFile& regfile, uint32_t i, FrameSender& sender) {
    const Register& reg = regfile.registers[i];
    const bool changed = regfile.changed_in_latest_event(i);
    if (changed)
        ImGui::PushStyleColor(ImGuiCol_Text, changed_colour);
    if (reg.readonly) {
        readonly_field = static_cast<int>(static_cast<uint32_t>(reg.value));
        ImGui::InputInt(field_label(reg, i).c_str(), &readonly_field, 1, 100, hex_input_flags);
    } else {
        draw_writable(regfile, i, sender);
    }
    if (changed)
        ImGui::PopStyleColor();
    ImGui::SameLine();
    help_marker(reg.name.c_str());
}

void RegisterFileWindow::draw_writable(RegisterFile& regfile, uint32_t i, FrameSender& sender) {
    const Register& reg = regfile.registers[i];
    const std::string label = field_label(reg, i);
    // The id of the field's text, under its label. GetID would keep an active
    // text alive outside the field's group, which then fails to see it.
    const ImGuiID text_field = ImGui::GetCurrentWindow()->GetIDNoKeepAlive(label.c_str());
    uint64_t entered = 0;
    bool edited = false;

    if (fits_32_bits(reg)) {
        int& field = fields[i];
        field = static_cast<int>(static_cast<uint32_t>(reg.value));
        edited = ImGui::InputInt(label.c_str(), &field, 1, 100, hex_input_flags);
        // Widened as unsigned: a field with bit 31 set is a large value, not a negative one.
        entered = static_cast<uint32_t>(field);
    } else {
        // A range beyond 32 bits gets a field that keeps all 64.
        uint64_t field = reg.value;
        const uint64_t step = 1, fast_step = 100;
        edited = ImGui::InputScalar(label.c_str(), ImGuiDataType_U64, &field, &step, &fast_step,
                                    "%016llX", hex_input_flags);
        entered = field;
        fields[i] = static_cast<int>(static_cast<uint32_t>(field));
    }
    const bool button_held = ImGui::IsItemActive() && ImGui::GetActiveID() != text_field;
    // A stored value outside min..max stays on show and sends nothing until edited.
    if (edited) {
        const uint64_t bounded = wrap_around(reg.min, entered, reg.max);
        fields[i] = static_cast<int>(static_cast<uint32_t>(bounded));
        if (ImGui::GetActiveID() == text_field) {
            typed = TypedEdit{i, text_field, bounded}; // each keystroke: sent when left
        } else {
            // "+" or "-", or a text edited in the frame it was left.
            if (typed && typed->reg == i)
                typed.reset();
            const bool already_sent =
                button_edit && button_edit->reg == i && button_edit->value == bounded;
            if (!already_sent && bounded != reg.value)
                sender.send(envelope::register_write(regfile.write_destination(), i, bounded));
            if (button_held)
                button_edit = ButtonEdit{i, bounded};
        }
    }
    if (!button_held && button_edit && button_edit->reg == i)
        button_edit.reset();
}

// The field may be out of view by then: this runs whether or not it is drawn.
void RegisterFileWindow::send_typed_when_left(RegisterFile& regfile, FrameSender& sender) {
    if (!typed || ImGui::GetActiveID() == typed->field)
        return;
    // Escape leaves the field with its text put back: nothing was meant.
    const bool cancelled = ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape));
    if (!cancelled && typed->reg < regfile.registers.size() &&
        typed->value != regfile.registers[typed->reg].value)
        sender.send(
            envelope::register_write(regfile.write_destination(), typed->reg, typed->value));
    typed.reset();
}
