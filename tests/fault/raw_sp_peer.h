#pragma once

// A back end that speaks NNG's TCP framing by hand, so a test can announce a
// message length without sending the message. Listens on a loopback port and
// serves one connection at a time; every wait is bounded.
//
// The framing: on connecting, each side sends an 8-byte header
// 00 'S' 'P' 00, its protocol number (16 bits, big-endian: pair0 is 0x0010),
// 00 00. Each message is then a 64-bit big-endian length and that many bytes.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fault {

class RawSpPeer {
  public:
    static constexpr uint8_t pair0_header[8] = {0, 'S', 'P', 0, 0x00, 0x10, 0, 0};

    explicit RawSpPeer(int port) {
        listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        listening = listen_fd >= 0 &&
                    ::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                    ::listen(listen_fd, 4) == 0;
    }
    ~RawSpPeer() {
        drop();
        if (listen_fd >= 0)
            ::close(listen_fd);
    }
    RawSpPeer(const RawSpPeer&) = delete;
    RawSpPeer& operator=(const RawSpPeer&) = delete;

    // Takes the next connection and exchanges headers; false when none came
    // within timeout_ms or its header is not pair0's.
    bool accept(int timeout_ms) {
        drop();
        pollfd p{listen_fd, POLLIN, 0};
        if (!listening || ::poll(&p, 1, timeout_ms) != 1)
            return false;
        conn_fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn_fd < 0)
            return false;
        uint8_t header[8];
        if (!send_all(pair0_header, sizeof pair0_header) || !recv_all(header, 8, timeout_ms))
            return false;
        return std::memcmp(header, pair0_header, 8) == 0;
    }

    // Announces a message of length bytes: the length alone, no body.
    bool announce(uint64_t length) {
        uint8_t be[8];
        for (int i = 0; i < 8; ++i)
            be[i] = static_cast<uint8_t>(length >> (8 * (7 - i)));
        return send_all(be, 8);
    }
    bool send_message(const std::vector<uint8_t>& body) {
        return announce(body.size()) && send_all(body.data(), body.size());
    }
    std::optional<std::vector<uint8_t>> recv_message(int timeout_ms) {
        uint8_t be[8];
        if (!recv_all(be, 8, timeout_ms))
            return std::nullopt;
        uint64_t length = 0;
        for (uint8_t b : be)
            length = (length << 8) | b;
        if (length > (uint64_t(1) << 20))
            return std::nullopt;
        std::vector<uint8_t> body(length);
        if (!recv_all(body.data(), body.size(), timeout_ms))
            return std::nullopt;
        return body;
    }

    // Whether the other side closed the connection within timeout_ms,
    // reading and discarding whatever it still sends.
    bool closed_by_other_side(int timeout_ms) {
        uint8_t scratch[256];
        for (;;) {
            pollfd p{conn_fd, POLLIN, 0};
            if (::poll(&p, 1, timeout_ms) != 1)
                return false;
            const ssize_t n = ::recv(conn_fd, scratch, sizeof scratch, 0);
            if (n <= 0)
                return true;
        }
    }

    void drop() {
        if (conn_fd >= 0)
            ::close(conn_fd);
        conn_fd = -1;
    }

  private:
    bool send_all(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            pollfd out{conn_fd, POLLOUT, 0};
            if (::poll(&out, 1, 5000) != 1)
                return false;
            const ssize_t n = ::send(conn_fd, p, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool recv_all(uint8_t* data, size_t size, int timeout_ms) {
        while (size > 0) {
            pollfd in{conn_fd, POLLIN, 0};
            if (::poll(&in, 1, timeout_ms) != 1)
                return false;
            const ssize_t n = ::recv(conn_fd, data, size, 0);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    int listen_fd = -1;
    int conn_fd = -1;
    bool listening = false;
};

} // namespace fault
