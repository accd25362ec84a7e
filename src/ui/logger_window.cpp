#include "ui/logger_window.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

#include <imgui_stdlib.h>

#include "link/protocol.h"
#include "ui/widgets.h"

namespace {

// An object member shows its own members' values, with their keys when asked.
void draw_members(const nlohmann::json& envelope, bool show_keys) {
    if (!envelope.is_object())
        return;
    for (const auto& [key, member] : envelope.items()) {
        if (key == protocol::key::message_type || key == protocol::key::message_sub_type)
            continue;
        if (member.is_object()) {
            ImGui::Text("%s:", key.c_str());
            for (const auto& [inner_key, inner] : member.items())
                wrapped_text(show_keys ? inner_key + ": " + display_json(inner)
                                       : display_json(inner));
        } else {
            ImGui::Text("%s: %s", key.c_str(), display_json(member).c_str());
        }
    }
}

std::string lower_case(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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
    draw_controls();
    for (const LogItem& item : access.entries())
        if (lower_filter.empty() || matches(item))
            draw_entry(item);
    if (!access.entries().empty())
        forget_entries_before(access.entries().back().sequence, access.entries().size());
}

void LoggerWindow::draw_controls() {
    ImGui::Checkbox("Show keys", &show_keys);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(std::max(ImGui::GetContentRegionAvail().x -
                                         ImGui::CalcTextSize("Filter").x -
                                         ImGui::GetStyle().ItemInnerSpacing.x,
                                     60.0f));
    if (ImGui::InputText("Filter", &filter))
        lower_filter = lower_case(filter);
}

bool LoggerWindow::matches(const LogItem& item) {
    auto [kept, made] = filter_texts.try_emplace(item.sequence);
    if (made)
        kept->second = lower_case(item.is_text() ? item.text() : display_json(item.envelope()));
    return kept->second.find(lower_filter) != std::string::npos;
}

void LoggerWindow::draw_entry(const LogItem& item) {
    if (item.is_text())
        draw_text(item);
    else
        draw_envelope(item);
}

void LoggerWindow::draw_text(const LogItem& item) {
    const std::string& text = item.text();
    TextLayout& layout = text_layouts[item.sequence];
    // Where PushTextWrapPos(0.0f) wraps: the right edge of the content region.
    const float wrap_width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    const float font_size = ImGui::GetFontSize(); // a zoom changes it
    if (wrap_width != layout.wrap_width || font_size != layout.font_size) {
        layout.size =
            ImGui::CalcTextSize(text.data(), text.data() + text.size(), false, wrap_width);
        layout.wrap_width = wrap_width;
        layout.font_size = font_size;
    }
    if (!ImGui::IsRectVisible(layout.size)) {
        ImGui::Dummy(layout.size);
        return;
    }
    wrapped_text(text);
}

// The node is labelled label + "##" + the entry's sequence number: its open
// state belongs to the entry, wherever newer entries push it. A closed node
// out of view only takes its line.
void LoggerWindow::draw_envelope(const LogItem& item) {
    node_label.assign(item.label);
    char suffix[24] = "##";
    char* end = std::to_chars(suffix + 2, std::end(suffix), item.sequence).ptr;
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
    draw_members(item.envelope(), show_keys);
    ImGui::TreePop();
}

void LoggerWindow::forget_entries_before(uint64_t oldest_sequence, size_t live_entries) {
    // Entries leave from the oldest end; sweep now and then, not every frame.
    const auto sweep = [&](auto& kept) {
        if (kept.size() <= 2 * live_entries + 64)
            return;
        for (auto it = kept.begin(); it != kept.end();)
            it = it->first < oldest_sequence ? kept.erase(it) : std::next(it);
    };
    sweep(text_layouts);
    sweep(filter_texts);
}
