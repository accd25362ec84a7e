#include "ui/logger_window.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "link/protocol.h"

namespace {

// Word-wrapped text at the window's right edge, shown verbatim: unlike
// TextWrapped("%s", ...) nothing is copied through a format buffer, which
// would also cut texts of more than 3 KiB.
void wrapped_text(const std::string& text) {
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(text.data(), text.data() + text.size());
    ImGui::PopTextWrapPos();
}

void draw_members(const nlohmann::json& envelope) {
    if (!envelope.is_object())
        return;
    for (const auto& [key, member] : envelope.items()) {
        if (key == protocol::key::message_type || key == protocol::key::message_sub_type)
            continue;
        if (member.is_object()) {
            ImGui::Text("%s:", key.c_str());
            for (const auto& inner : member)
                wrapped_text(display_json(inner));
        } else {
            ImGui::Text("%s: %s", key.c_str(), display_json(member).c_str());
        }
    }
}

} // namespace

void LoggerWindow::draw(Logger& log) {
    if (!ImGui::Begin("Logger")) {
        ImGui::End();
        return;
    }
    draw_contents(log);
    ImGui::End();
}

void LoggerWindow::draw_contents(Logger& log) {
    Logger::Access access = log.access();
    if (ImGui::Button("Clear All"))
        access.clear();
    ImGui::SameLine();
    ImGui::Text("count: %llu", static_cast<unsigned long long>(access.entries().size()));
    uint64_t index = 0;
    for (const LogItem& item : access.entries())
        draw_entry(item, index++);
    if (!access.entries().empty())
        forget_layouts_before(access.entries().back().sequence, access.entries().size());
}

void LoggerWindow::draw_entry(const LogItem& item, uint64_t index) {
    if (item.is_text())
        draw_text(item);
    else
        draw_envelope(item, index);
}

void LoggerWindow::draw_text(const LogItem& item) {
    const std::string& text = item.text();
    TextLayout& layout = text_layouts[item.sequence];
    // Where PushTextWrapPos(0.0f) wraps: the right edge of the content region.
    const float wrap_width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    if (wrap_width != layout.wrap_width) {
        layout.size =
            ImGui::CalcTextSize(text.data(), text.data() + text.size(), false, wrap_width);
        layout.wrap_width = wrap_width;
    }
    if (!ImGui::IsRectVisible(layout.size)) {
        ImGui::Dummy(layout.size);
        return;
    }
    wrapped_text(text);
}

// The node is labelled label + "##" + index: its open state belongs to the
// label and the entry's place in the list. A closed node out of view only
// takes its line.
void LoggerWindow::draw_envelope(const LogItem& item, uint64_t index) {
    node_label.assign(item.label);
    char suffix[24] = "##";
    char* end = std::to_chars(suffix + 2, std::end(suffix), index).ptr;
    node_label.append(suffix, static_cast<size_t>(end - suffix));
    const char* label_end = node_label.data() + node_label.size();
    const ImGuiID id = ImGui::GetID(node_label.data(), label_end);
    if (ImGui::GetStateStorage()->GetInt(id, 0) == 0 &&
        !ImGui::IsRectVisible(ImVec2(1.0f, ImGui::GetFontSize()))) {
        ImGui::Dummy(ImVec2(0.0f, ImGui::GetFontSize()));
        return;
    }
    if (!ImGui::TreeNode(node_label.c_str()))
        return;
    draw_members(item.envelope());
    ImGui::TreePop();
}

void LoggerWindow::forget_layouts_before(uint64_t oldest_sequence, size_t live_entries) {
    // Entries leave from the oldest end; sweep now and then, not every frame.
    if (text_layouts.size() <= 2 * live_entries + 64)
        return;
    for (auto it = text_layouts.begin(); it != text_layouts.end();)
        it = it->first < oldest_sequence ? text_layouts.erase(it) : std::next(it);
}
