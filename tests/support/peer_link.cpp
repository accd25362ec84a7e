#include "support/peer_link.h"

#include <gtest/gtest.h>
#include <nng/nng.h>

#include "link/nng_error.h"

PeerLink::PeerLink(Logger& log) : peer(unique_inproc_url("quarrin-ui")), sender(bus, log, 2000) {
    // Room for the envelopes of a test, read only when it checks them.
    nng_check(nng_socket_set_int(peer.socket, NNG_OPT_RECVBUF, 64), "nng_socket_set_int");
    nng_check(nng_dial(bus, peer.url.c_str(), nullptr, 0), "nng_dial");
}

std::vector<nlohmann::json> PeerLink::received() {
    static int markers = 0;
    const nlohmann::json marker = {{"message_type", "test"}, {"marker", ++markers}};
    std::vector<nlohmann::json> out;
    if (!sender.send(marker))
        return out;
    // Bounded: each receive waits at most the peer's time-out.
    while (auto envelope = peer.recv()) {
        if (*envelope == marker)
            return out;
        out.push_back(std::move(*envelope));
    }
    ADD_FAILURE() << "the marker did not arrive";
    return out;
}
