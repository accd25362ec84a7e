#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <imgui.h>
#include <nlohmann/json.hpp>

// One log entry: a text or an inbound envelope.
struct LogItem {
    std::variant<std::string, nlohmann::json> value;
    // An envelope's tree node label, built once: the log is drawn every frame.
    std::string label;

    explicit LogItem(std::string text) : value(std::move(text)) {}
    explicit LogItem(const char* text) : value(std::string(text)) {}
    explicit LogItem(nlohmann::json envelope);

    bool is_text() const { return value.index() == 0; }
    const std::string& text() const { return std::get<0>(value); }
    const nlohmann::json& envelope() const { return std::get<1>(value); }

    // Submits this entry's widgets; index counts from the newest entry.
    void draw(uint64_t index) const;

  private:
    void draw_text() const;
    // A text's size at the wrap width it was last measured at.
    mutable float measured_wrap_width = -1.0f;
    mutable ImVec2 measured_size;
    // The hash of an envelope's label under the window's id, for its node's id.
    mutable bool label_hash_known = false;
    mutable ImGuiID label_hashed_under = 0;
    mutable ImGuiID label_hash = 0;
};

// Tree node label of an envelope: message type " : " sub type, compact JSON,
// each cut to label_member_bytes (then "...") so a huge member cannot make
// a huge label.
constexpr size_t label_member_bytes = 120;
std::string envelope_label(const nlohmann::json& envelope);
// Compact JSON for display; bytes that are not UTF-8 become U+FFFD.
std::string display_json(const nlohmann::json& value);

// Bounded, thread-safe log, newest first. Keeps at most capacity - 1 entries.
class Logger {
  public:
    explicit Logger(uint64_t capacity) : capacity(capacity) {}

    template <typename T> void add(T&& value) {
        std::lock_guard<std::mutex> lock(mutex);
        items.emplace_front(std::forward<T>(value));
        while (!items.empty() && items.size() >= capacity)
            items.pop_back();
    }

    // Submits "Clear All", the count and every entry into the current window.
    void draw();

    // Copies for tests and tools, taken under the lock.
    std::vector<LogItem> snapshot() const;
    std::vector<std::string> texts() const;
    size_t size() const;
    void clear();

  private:
    std::deque<LogItem> items;
    mutable std::mutex mutex;
    uint64_t capacity;
};
