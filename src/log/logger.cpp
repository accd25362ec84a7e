#include "log/logger.h"

#include <imgui.h>

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

} // namespace

std::string envelope_label(const json& envelope) {
    auto member = [&](const char* key) {
        if (!envelope.is_object())
            return std::string("null");
        auto it = envelope.find(key);
        return it == envelope.end() ? std::string("null")
                                    : clip(display_json(*it), label_member_bytes);
    };
    return member("message_type") + " : " + member("message_sub_type");
}

LogItem::LogItem(json envelope) : value(std::move(envelope)) {
    label = envelope_label(std::get<1>(value));
}

void LogItem::draw(uint64_t index) const {
    if (is_text()) {
        ImGui::TextWrapped("%s", text().c_str());
        return;
    }
    const json& envelope = this->envelope();
    const std::string node = label + "##" + std::to_string(index);
    if (!ImGui::TreeNode(node.c_str()))
        return;
    if (envelope.is_object()) {
        for (const auto& [key, member] : envelope.items()) {
            if (key == "message_type" || key == "message_sub_type")
                continue;
            if (member.is_object()) {
                ImGui::Text("%s:", key.c_str());
                for (const auto& inner : member)
                    ImGui::TextWrapped("%s", display_json(inner).c_str());
            } else {
                ImGui::Text("%s: %s", key.c_str(), display_json(member).c_str());
            }
        }
    }
    ImGui::TreePop();
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
