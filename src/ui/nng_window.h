#pragma once

#include <string>
#include <vector>

#include "link/bounded_queue.h"
#include "link/frame_sender.h"
#include "link/worker.h"

// "nng": the back end's address, "Connect", and once the back end has listed
// its architectures, the "Architecture" combo with "Select".
struct NngWindow {
    char address[80] = "tcp://127.0.0.1:8081";
    int selected_arch = 0;

    void draw(BoundedQueue<WorkTask>& tasks, const std::vector<std::string>& archs,
              FrameSender& sender);
};
