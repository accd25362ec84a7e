#pragma once

#include <chrono>

// Caps the frame loop at the display's refresh rate where buffer swaps do
// not wait for it (no vsync: virtual machines, remote X, Xvfb, a minimized
// window). Where the swap waits, a frame already takes a whole refresh
// period and nothing is added, so the loop stays paced by the swap alone.
class FramePacer {
  public:
    using Duration = std::chrono::microseconds;

    // Assumed when the display does not tell its refresh rate.
    static constexpr int default_refresh_hz = 60;

    static Duration frame_period(int refresh_hz);

    // How long to sleep after a frame that took `busy` from its start to the
    // end of its swap. A frame that took at least seven eighths of a period
    // was held by the swap (or is slow) and gets no sleep: a sleep then could
    // only push the next frame past a refresh.
    static Duration rest_of_frame(Duration busy, int refresh_hz);
};
