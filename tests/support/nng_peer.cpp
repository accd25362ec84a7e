#include "support/nng_peer.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

#include <nng/protocol/pair0/pair.h>

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
