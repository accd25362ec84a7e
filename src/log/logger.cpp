#include "log/logger.h"

#include <charconv>
#include <iterator>

#include <imgui.h>
#include <imgui_internal.h>

using nlohmann::json;

std::string display_json(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

// Cuts text to at most n bytes on a UTF-8 character boundary, marking the cut.
std::string clip(std::string text, size_t n) {
    if (text.size() <= n)
        return text;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    text.resize(n);
    return text + "...";
}

// Printable ASCII without a quote or a backslash serialises as itself in
// quotes. Nearly every label member is such a text, built without the
// serialiser (an envelope is labelled on the receive thread as it arrives).
bool is_plain_ascii(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\')
            return false;
    return true;
}

void append_label_member(std::string& label, const json& envelope, const char* key) {
    if (!envelope.is_object()) {
        label += "null";
        return;
    }
    const auto it = envelope.find(key);
    if (it == envelope.end()) {
        label += "null";
        return;
    }
    if (it->is_string()) {
        const std::string& text = it->get_ref<const std::string&>();
        if (text.size() + 2 <= label_member_bytes && is_plain_ascii(text)) {
            label += '"';
            label += text;
            label += '"';
            return;
        }
    }
    label += clip(display_json(*it), label_member_bytes);
}

// Word-wrapped text at the window's right edge, shown verbatim: unlike
// TextWrapped("%s", ...) nothing is copied through a format buffer, which
// would also cut texts of more than 3 KiB.
void wrapped_text(const std::string& text) {
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(text.data(), text.data() + text.size());
    ImGui::PopTextWrapPos();
}

} // namespace

std::string envelope_label(const json& envelope) {
    std::string label;
    label.reserve(64);
    append_label_member(label, envelope, "message_type");
    label += " : ";
    append_label_member(label, envelope, "message_sub_type");
    return label;
}

LogItem::LogItem(json envelope) : value(std::move(envelope)) {
    label = envelope_label(std::get<1>(value));
}

// The log is drawn every frame, usually with most entries scrolled out of
// view. Such an entry only takes its place (its size is kept from the last
// time it was measured at this width), unless it is an open node, whose
// contents decide its size.
void LogItem::draw(uint64_t index) const {
    if (is_text()) {
        draw_text();
        return;
    }
    // The node's id is that of label + "##" + index. The label's part of the
    // hash is kept from frame to frame; a label holding '#' is hashed whole,
    // as "###" restarts the hash.
    char suffix[24] = "##";
    char* end = std::to_chars(suffix + 2, std::end(suffix), index).ptr;
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    const ImGuiID window_id = window->IDStack.back();
    ImGuiID id;
    if (label.find('#') == std::string::npos) {
        if (!label_hash_known || label_hashed_under != window_id) {
            label_hash = ImHashStr(label.data(), label.size(), window_id);
            label_hashed_under = window_id;
            label_hash_known = true;
        }
        id = ImHashStr(suffix, static_cast<size_t>(end - suffix), label_hash);
    } else {
        const std::string whole = label + std::string(suffix, end);
        id = ImHashStr(whole.data(), whole.size(), window_id);
    }
    if (window->DC.StateStorage->GetInt(id, 0) == 0 &&
        !ImGui::IsRectVisible(ImVec2(1.0f, ImGui::GetFontSize()))) {
        ImGui::Dummy(ImVec2(0.0f, ImGui::GetFontSize()));
        return;
    }
    const std::string node = label + std::string(suffix, end);
    if (!ImGui::TreeNode(node.c_str()))
        return;
    const json& envelope = this->envelope();
    if (envelope.is_object()) {
        for (const auto& [key, member] : envelope.items()) {
            if (key == "message_type" || key == "message_sub_type")
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
    ImGui::TreePop();
}

void LogItem::draw_text() const {
    const std::string& text = this->text();
    const float wrap_width = ImGui::CalcWrapWidthForPos(ImGui::GetCursorScreenPos(), 0.0f);
    if (wrap_width != measured_wrap_width) {
        measured_size =
            ImGui::CalcTextSize(text.data(), text.data() + text.size(), false, wrap_width);
        measured_wrap_width = wrap_width;
    }
    if (!ImGui::IsRectVisible(measured_size)) {
        ImGui::Dummy(measured_size);
        return;
    }
    wrapped_text(text);
}

void Logger::draw() {
    std::lock_guard<std::mutex> lock(mutex);
    if (ImGui::Button("Clear All"))
        items.clear();
    ImGui::SameLine();
    ImGui::Text("count: %llu", static_cast<unsigned long long>(items.size()));
    uint64_t index = 0;
    for (const LogItem& item : items)
        item.draw(index++);
}

std::vector<LogItem> Logger::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex);
    return {items.begin(), items.end()};
}

std::vector<std::string> Logger::texts() const {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> out;
    for (const LogItem& item : items)
        out.push_back(item.is_text() ? item.text() : display_json(item.envelope()));
    return out;
}

size_t Logger::size() const {
    std::lock_guard<std::mutex> lock(mutex);
    return items.size();
}

void Logger::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    items.clear();
}
