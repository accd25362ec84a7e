#pragma once

// Whole headless frames of the application: the App with its real socket,
// worker thread and receiver, driven through its widgets in a headless Dear
// ImGui context, and builders of envelopes a back end may send, well formed or
// not; the protocol's own are in link/envelope.h.
#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/app.h"
#include "link/envelope.h"
#include "support/imgui_harness.h"

// One frame is the drain followed by every window. The harness's press and
// type helpers run frames of their own, so the drain sits at the top of the
// draw callback; it touches no Dear ImGui state, so that is the same frame.
class AppFrames {
  public:
    AppFrames() : app([] { return 0u; }) { app.err = &err_text; }

    void frame() { ui.frame(draw); }
    void frames(int n) { ui.frames(n, draw); }
    void press(const char* window, std::initializer_list<const char*> path) {
        ui.press(window, path, draw);
    }
    void type(const char* window, std::initializer_list<const char*> path,
              const std::string& text) {
        ui.type(window, path, text, draw);
    }
    void connect(const std::string& url) {
        type("nng", {"address"}, url);
        press("nng", {"Connect"});
    }

    // Runs frames until done() holds, giving NNG's threads a moment between
    // them; gives up after max_frames.
    bool frames_until(const std::function<bool()>& done, int max_frames = 2000) {
        for (int i = 0; i < max_frames; ++i) {
            if (done())
                return true;
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    bool logged(const std::string& text) const {
        const std::vector<std::string> texts = app.log.texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    size_t texts_starting(const std::string& prefix) const {
        const std::vector<std::string> texts = app.log.texts();
        return std::count_if(texts.begin(), texts.end(),
                             [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
    }
    std::string newest_text() const {
        const std::vector<std::string> texts = app.log.texts();
        return texts.empty() ? "" : texts.front();
    }
    // Every log entry, oldest first.
    std::vector<LogItem> entries() const {
        std::vector<LogItem> items = app.log.snapshot();
        std::reverse(items.begin(), items.end());
        return items;
    }
    // The logged envelopes, oldest first.
    std::vector<nlohmann::json> envelopes() const {
        std::vector<nlohmann::json> out;
        for (const LogItem& item : entries())
            if (!item.is_text())
                out.push_back(item.envelope());
        return out;
    }
    uint64_t reg(size_t n) const { return app.regfile->registers.at(n).value; }

    std::ostringstream err_text; // the App's error stream ("Failed to parse ...")
    ImGuiHarness ui;             // built before the app, so its windows go first
    App app;
    std::function<void()> before_drain; // a probe run at the top of every frame
    const ImGuiHarness::Draw draw = [this] {
        if (before_drain)
            before_drain();
        app.drain();
        app.draw();
    };
};

// Any event or command, for envelopes the protocol's builders do not make.
inline nlohmann::json event(const char* sub, nlohmann::json data, const char* origin = nullptr) {
    nlohmann::json e = {
        {"message_type", "event"}, {"message_sub_type", sub}, {"data", std::move(data)}};
    if (origin != nullptr)
        e["origin"] = origin;
    return e;
}

// The toy architecture's back end reporting a register's value.
inline nlohmann::json register_write(uint64_t number, uint64_t value) {
    return envelope::register_value("toy.regs", number, value);
}

inline nlohmann::json command(const char* destination, const char* sub, nlohmann::json data) {
    return {{"message_type", "command"},
            {"message_sub_type", sub},
            {"destination", destination},
            {"data", std::move(data)}};
}
