#pragma once

#include <string>
#include <vector>

#include "link/frame_sender.h"
#include "link/worker.h"

// "nng": the back end's address, "Connect", the state of the connection,
// and once the back end has listed its architectures, the "Architecture"
// combo with "Select".
struct NngWindow {
    char address[80] = "tcp://127.0.0.1:8081";
    int selected_arch = 0;

    // selected is the architecture the back end has loaded for this front
    // end, empty while it has none.
    void draw(Worker& worker, const std::vector<std::string>& archs, const std::string& selected,
              FrameSender& sender);
};

// The state of the connection in a few words: "not connected", "connecting
// to ADDRESS", "connected to ADDRESS (ARCHITECTURE)", "lost, reconnecting to
// ADDRESS".
std::string link_text(const LinkStatus& link, const std::string& selected);
