#pragma once

#include <vector>

struct ImDrawData;

// What decides the pixels of a rendered frame: Dear ImGui's draw data (every
// vertex, index and command), the display size and the clear colour. A frame
// with the same signature as the one on the screen would draw the same
// pixels, so the shell need not render and swap it: an idle window that is
// redrawn a few times a second for what might change by itself then costs
// the user interface frame alone.
class FrameSignature {
  public:
    // Takes this frame's signature; returns whether it equals the previous one.
    bool same_as_before(const ImDrawData& draw_data, const float clear_color[4]);
    // The next frame counts as changed (the screen may have lost the last one).
    void forget() { previous.clear(); }

  private:
    std::vector<unsigned char> previous;
    std::vector<unsigned char> current;
};
