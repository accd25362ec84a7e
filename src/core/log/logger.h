#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

// One log entry: a text or an inbound envelope.
struct LogItem {
    std::variant<std::string, nlohmann::json> value;
    // An envelope's tree node label, built once: the log is drawn every frame.
    std::string label;
    // Counts the entries added to a log, from 1: an entry keeps its number
    // while newer ones push it down the list.
    uint64_t sequence = 0;

    explicit LogItem(std::string text) : value(std::move(text)) {}
    explicit LogItem(const char* text) : value(std::string(text)) {}
    explicit LogItem(nlohmann::json envelope);

    bool is_text() const { return value.index() == 0; }
    const std::string& text() const { return std::get<0>(value); }
    const nlohmann::json& envelope() const { return std::get<1>(value); }
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

    // Called after every add, on the adding thread, with no lock held: tells
    // a frame loop that waits for events that the log has changed. Set it
    // before any other thread can add; it must not add to this log.
    void set_wake_hook(std::function<void()> hook) { wake = std::move(hook); }

    template <typename T> void add(T&& value) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            items.emplace_front(std::forward<T>(value));
            items.front().sequence = ++added;
            while (!items.empty() && items.size() >= capacity)
                items.pop_back();
        }
        if (wake)
            wake();
    }

    // The entries under the log's lock, held as long as the Access lives:
    // the frame reads them all, and may clear them, while no other thread
    // adds one.
    class Access {
      public:
        const std::deque<LogItem>& entries() const { return items; }
        void clear() { items.clear(); }

      private:
        friend class Logger;
        Access(std::mutex& mutex, std::deque<LogItem>& items) : lock(mutex), items(items) {}
        std::unique_lock<std::mutex> lock;
        std::deque<LogItem>& items;
    };
    Access access() { return Access(mutex, items); }

    // Copies for tests and tools, taken under the lock.
    std::vector<LogItem> snapshot() const;
    std::vector<std::string> texts() const;
    size_t size() const;
    void clear();

  private:
    std::deque<LogItem> items;
    mutable std::mutex mutex;
    uint64_t capacity;
    uint64_t added = 0;
    std::function<void()> wake;
};
