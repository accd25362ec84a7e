#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "link/frame_sender.h"
#include "link/pair_socket.h"
#include "log/logger.h"
#include "support/nng_peer.h"

// A window's bus in tests: a pair socket dialled to a listening peer on a
// fresh inproc:// address, and the frame sender the window is given.
struct PeerLink {
    explicit PeerLink(Logger& log);

    // Every envelope sent so far that the peer has not taken yet, in order.
    // A marker sent after them tells when all have arrived, so checking that
    // nothing was sent needs no time-out.
    std::vector<nlohmann::json> received();

    NngPeer peer;
    PairSocket bus;
    FrameSender sender;
};
