#include "log/logger.h"

#include "link/protocol.h"

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

} // namespace

std::string envelope_label(const json& envelope) {
    std::string label;
    label.reserve(64);
    append_label_member(label, envelope, protocol::key::message_type);
    label += " : ";
    append_label_member(label, envelope, protocol::key::message_sub_type);
    return label;
}

LogItem::LogItem(json envelope) : value(std::move(envelope)) {
    label = envelope_label(std::get<1>(value));
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
