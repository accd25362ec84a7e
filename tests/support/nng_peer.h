#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <nng/nng.h>

// The other end of the bus in tests: a pair0 socket that listens, with
// bounded receives.
class NngPeer {
  public:
    explicit NngPeer(const std::string& url, int recv_timeout_ms = 2000);
    ~NngPeer();
    NngPeer(const NngPeer&) = delete;
    NngPeer& operator=(const NngPeer&) = delete;

    // The next message's body, or nothing after the receive time-out.
    std::optional<std::vector<uint8_t>> recv_bytes();
    // The next message decoded from UBJSON.
    std::optional<nlohmann::json> recv();
    void send_bytes(const std::vector<uint8_t>& body);
    void send(const nlohmann::json& envelope);

    nng_socket socket;
    std::string url;
};

// A fresh inproc:// address for each call, so tests never share one.
std::string unique_inproc_url(const char* stem = "quarrin-test");

// A loopback TCP port that nothing listened on a moment ago (the kernel's
// pick for port 0), for tests that need a refused or a fresh address.
int free_tcp_port();

// Polls done every millisecond until it holds or timeout_ms have passed;
// returns its last value.
bool wait_until(const std::function<bool()>& done, int timeout_ms = 2000);
