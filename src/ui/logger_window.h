#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include <imgui.h>

#include "log/logger.h"

// "Logger": "Clear All", the count, and every entry newest first; a text
// wrapped at the window's edge, an envelope as a tree node that opens to its
// members. "Show keys" shows the keys of an envelope's data; "Filter" shows
// only the entries whose text contains its text, in any case. A node's open
// state stays with its entry as newer ones arrive.
struct LoggerWindow {
    bool show_keys = false;
    std::string filter;

    void draw(Logger& log);
    // The window's widgets, into the current window.
    void draw_contents(Logger& log);

  private:
    // A text's size at the wrap width and font size it was last measured
    // at: the log is drawn every frame, mostly scrolled out of view, and an
    // entry out of view only takes its place.
    struct TextLayout {
        float wrap_width = -1.0f;
        float font_size = -1.0f;
        ImVec2 size;
    };

    void draw_controls();
    bool matches(const LogItem& item);
    void draw_entry(const LogItem& item);
    void draw_text(const LogItem& item);
    void draw_envelope(const LogItem& item);
    // Forgets what was kept of entries that have left the log.
    void forget_entries_before(uint64_t oldest_sequence, size_t live_entries);

    std::unordered_map<uint64_t, TextLayout> text_layouts; // by entry sequence
    // Each entry's text in lower case, made while a filter is set.
    std::unordered_map<uint64_t, std::string> filter_texts;
    std::string lower_filter;
    std::string node_label; // reused: built for every envelope entry, every frame
};
