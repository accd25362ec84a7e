#include "support/nng_peer.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <nng/protocol/pair0/pair.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/envelope.h"
#include "link/nng_error.h"

NngPeer::NngPeer(const std::string& url, int recv_timeout_ms) : url(url) {
    nng_check(nng_pair0_open(&socket), "nng_pair0_open");
    nng_check(nng_socket_set_ms(socket, NNG_OPT_RECVTIMEO, recv_timeout_ms), "nng_socket_set_ms");
    nng_check(nng_socket_set_ms(socket, NNG_OPT_SENDTIMEO, 2000), "nng_socket_set_ms");
    nng_check(nng_listen(socket, url.c_str(), nullptr, 0), "nng_listen");
}

NngPeer::~NngPeer() {
    nng_close(socket);
}

std::optional<std::vector<uint8_t>> NngPeer::recv_bytes() {
    nng_msg* msg = nullptr;
    if (nng_recvmsg(socket, &msg, 0) != 0)
        return std::nullopt;
    const auto* body = static_cast<const uint8_t*>(nng_msg_body(msg));
    std::vector<uint8_t> bytes(body, body + nng_msg_len(msg));
    nng_msg_free(msg);
    return bytes;
}

std::optional<nlohmann::json> NngPeer::recv() {
    auto bytes = recv_bytes();
    if (!bytes)
        return std::nullopt;
    return nlohmann::json::from_ubjson(*bytes);
}

void NngPeer::send_bytes(const std::vector<uint8_t>& body) {
    nng_msg* msg = nullptr;
    nng_check(nng_msg_alloc(&msg, body.size()), "nng_msg_alloc");
    if (!body.empty())
        std::memcpy(nng_msg_body(msg), body.data(), body.size());
    int rv;
    if ((rv = nng_sendmsg(socket, msg, 0)) != 0) {
        nng_msg_free(msg);
        throw NngError(rv, "nng_sendmsg");
    }
}

void NngPeer::send(const nlohmann::json& envelope) {
    send_bytes(encode_envelope(envelope));
}

std::string unique_inproc_url(const char* stem) {
    static std::atomic<int> counter{0};
    return std::string("inproc://") + stem + "-" + std::to_string(counter++);
}

int free_tcp_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket() failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    ::close(fd);
    if (!ok)
        throw std::runtime_error("no free loopback port");
    return ntohs(addr.sin_port);
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
