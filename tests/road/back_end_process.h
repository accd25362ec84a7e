#pragma once

// The reference back end, quarrin-sim, as a separate process listening on a
// fresh loopback port. What it received is read back from its standard
// output, one compact JSON line per envelope.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child_process.h"
#include "support/desktop.h"
#include "support/nng_peer.h"

namespace road {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Polls done every few milliseconds until it holds or timeout has passed;
// returns its last value.
inline bool poll_until(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                       std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(interval);
    }
    return true;
}

// The complete lines of a file, parsed as JSON; a line that does not parse
// (one still being written) ends the list.
inline std::vector<nlohmann::json> json_lines(const fs::path& path) {
    std::vector<nlohmann::json> out;
    std::istringstream in(desktop::read_file(path));
    std::string line;
    while (std::getline(in, line) && !in.eof()) {
        nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        if (j.is_discarded())
            break;
        out.push_back(std::move(j));
    }
    return out;
}

class BackEndProcess {
  public:
    // Starts quarrin-sim in dir, with options after its address; its standard
    // output (the received lines) and standard error go to files there. A
    // port taken by someone else between the pick and the listen is retried
    // with another.
    explicit BackEndProcess(const fs::path& dir, const std::vector<std::string>& options = {})
        : received_path(dir / "quarrin-sim.out"), errors_path(dir / "quarrin-sim.err") {
        for (int attempt = 0; attempt < 5 && !listening; ++attempt) {
            url = "tcp://127.0.0.1:" + std::to_string(free_tcp_port());
            // The shell only redirects standard error and is replaced by the back end.
            std::vector<std::string> argv = {
                "/bin/sh",
                "-c",
                "err=\"$1\"; shift; exec \"$0\" --listen \"$@\" 2>\"$err\"",
                QUARRIN_SIM_BINARY,
                errors_path.string(),
                url};
            argv.insert(argv.end(), options.begin(), options.end());
            process.emplace(ChildProcess::Options{argv, {}, {}, "", received_path.string()});
            poll_until([&] { return says_listening() || !process->running(); },
                       std::chrono::seconds(20));
            listening = says_listening() && process->running();
        }
    }

    bool says_listening() const {
        return desktop::read_file(errors_path).find("listening on " + url) != std::string::npos;
    }
    // Every envelope received so far, oldest first.
    std::vector<nlohmann::json> received() const { return json_lines(received_path); }
    bool wait_received(size_t count, std::chrono::milliseconds timeout) const {
        return poll_until([&] { return received().size() >= count; }, timeout);
    }
    std::string errors() const { return desktop::read_file(errors_path); }

    fs::path received_path;
    fs::path errors_path;
    std::string url;
    bool listening = false;
    std::optional<ChildProcess> process;
};

} // namespace road
