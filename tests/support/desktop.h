#pragma once

// Helpers for tests that run real programs on a private X server.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace desktop {

namespace fs = std::filesystem;

// The path of an executable found on PATH, or an empty string.
inline std::string find_program(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return "";
}

// Runs a shell command (bounded by the caller's `timeout`) and returns its
// standard output and whether it exited with status 0.
inline std::pair<bool, std::string> run(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {false, ""};
    std::string out;
    std::array<char, 256> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, out};
}

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A private X server; its display number comes back through -displayfd, so
// parallel runs never pick the same one.
class Xvfb {
  public:
    Xvfb() {
        const std::string program = find_program("Xvfb");
        if (program.empty())
            return;
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        server.emplace(ChildProcess::Options{{program, "-displayfd", std::to_string(fds[1]),
                                              "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
                                             {},
                                             {},
                                             "",
                                             "/dev/null"});
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        // The server writes the number and a line end once it accepts clients.
        while (::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty())
            display = ":" + number;
    }

    std::optional<ChildProcess> server;
    std::string display; // empty when the server did not start
};

} // namespace desktop
