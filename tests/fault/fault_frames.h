#pragma once

// Whole application frames against hostile or failing back ends: the App with
// its real socket, worker thread and receiver, driven through its widgets in a
// headless Dear ImGui context, plus the small tools the fault tests share.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nng/nng.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/app.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"

namespace fault {

using nlohmann::json;
using Texts = std::vector<std::string>;

inline std::string tcp_url(int port) {
    return "tcp://127.0.0.1:" + std::to_string(port);
}

// A fresh loopback address that nothing listens on yet.
inline std::string fresh_tcp_url() {
    return tcp_url(free_tcp_port());
}

// Whether something accepts TCP connections on the loopback port now.
inline bool tcp_port_accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// Counts the bus's connections as NNG makes and drops them. The App registers
// no pipe callbacks of its own, so the tests may.
class PipeWatch {
  public:
    void attach(nng_socket socket) {
        nng_pipe_notify(socket, NNG_PIPE_EV_ADD_POST, &PipeWatch::on_event, this);
        nng_pipe_notify(socket, NNG_PIPE_EV_REM_POST, &PipeWatch::on_event, this);
    }
    std::atomic<int> added{0};
    std::atomic<int> removed{0};

  private:
    static void on_event(nng_pipe, nng_pipe_ev ev, void* arg) {
        auto* self = static_cast<PipeWatch*>(arg);
        if (ev == NNG_PIPE_EV_ADD_POST)
            ++self->added;
        else
            ++self->removed;
    }
};

// The peak resident set of this process so far (VmHWM), in KiB.
inline long peak_rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Starts a new peak: the kernel sets VmHWM back to the present resident size,
// which is returned, so that earlier tests' peaks do not hide a later growth.
inline long restart_peak_rss_kib() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return peak_rss_kib();
}

// A temporary directory with a short path: the memory views' "Filename"
// fields hold at most 39 characters.
class ShortTempDir {
  public:
    ShortTempDir() {
        char pattern[] = "/tmp/qfXXXXXX";
        if (::mkdtemp(pattern) != nullptr)
            path = pattern;
    }
    ~ShortTempDir() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    ShortTempDir(const ShortTempDir&) = delete;
    ShortTempDir& operator=(const ShortTempDir&) = delete;

    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    std::string path;
};

inline std::string toy_description_path() {
    return QUARRIN_SOURCE_DIR "/architectures/toy.toml";
}

inline json event(const char* sub, json data, const char* origin = nullptr) {
    json e = {{"message_type", "event"}, {"message_sub_type", sub}, {"data", std::move(data)}};
    if (origin != nullptr)
        e["origin"] = origin;
    return e;
}

inline json register_write(uint64_t number, uint64_t value) {
    return event("write", {{"register_number", number}, {"value", value}});
}

inline json command(const char* destination, const char* sub, json data) {
    return {{"message_type", "command"},
            {"message_sub_type", sub},
            {"destination", destination},
            {"data", std::move(data)}};
}

// One frame is the drain followed by every window. The harness's press and
// type helpers run frames of their own, so the drain sits at the top of the
// draw callback; it touches no Dear ImGui state, so that is the same frame.
class FaultFrames {
  public:
    FaultFrames() : app([] { return 0u; }) {
        app.err = &err_text;
        pipes.attach(app.bus);
    }

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
        const Texts texts = app.log.texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    size_t texts_starting(const std::string& prefix) const {
        const Texts texts = app.log.texts();
        return std::count_if(texts.begin(), texts.end(),
                             [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
    }
    std::string newest_text() const {
        const Texts texts = app.log.texts();
        return texts.empty() ? "" : texts.front();
    }
    // Every log entry, oldest first.
    std::vector<LogItem> entries() const {
        std::vector<LogItem> items = app.log.snapshot();
        std::reverse(items.begin(), items.end());
        return items;
    }
    uint64_t reg(size_t n) const { return app.regfile->registers.at(n).value; }

    std::ostringstream err_text; // the App's error stream ("Failed to parse ...")
    PipeWatch pipes;             // outlives the socket, whose closing reports to it
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

// Connects the App to a listening peer through the "nng" window, offers the
// architecture "toy" and has the peer answer "Select" with the toy description.
inline void open_toy_session(FaultFrames& a, NngPeer& peer) {
    a.frame();
    a.connect(peer.url);
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    auto request = peer.recv();
    ASSERT_TRUE(request.has_value());
    ASSERT_EQ((*request)["message_sub_type"], "list");
    peer.send(command("computer_architecture", "list", {"toy"}));
    ASSERT_TRUE(a.frames_until([&] { return !a.app.archs.empty(); }));
    ImGui::SetWindowSize("nng", ImVec2(600, 300)); // it fitted itself before the combo came
    a.frame();
    a.press("nng", {"Select"});
    auto select = peer.recv();
    ASSERT_TRUE(select.has_value());
    ASSERT_EQ((*select)["data"], "toy");
    peer.send(command("computer_architecture", "load", toy_description_path()));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));
    ImGui::SetWindowSize("Register file", ImVec2(600, 300));
    a.frame();
}

} // namespace fault
