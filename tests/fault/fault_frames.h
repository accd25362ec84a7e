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
#include "link/envelope.h"
#include "support/app_frames.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"
#include "support/peak_rss.h"

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

// The application's frames, with the bus's connections as NNG makes and
// drops them.
class FaultFrames : public AppFrames {
  public:
    int pipes_added() const { return app.bus.pipes_added(); }
    int pipes_removed() const { return app.bus.pipes_removed(); }
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
    peer.send(envelope::architecture_list({"toy"}));
    ASSERT_TRUE(a.frames_until([&] { return !a.app.archs.empty(); }));
    ImGui::SetWindowSize("nng", ImVec2(600, 300)); // it fitted itself before the combo came
    a.frame();
    a.press("nng", {"Select"});
    auto select = peer.recv();
    ASSERT_TRUE(select.has_value());
    ASSERT_EQ((*select)["data"], "toy");
    peer.send(envelope::architecture_load(toy_description_path()));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));
    ImGui::SetWindowSize("Register file", ImVec2(600, 300));
    a.frame();
}

} // namespace fault
