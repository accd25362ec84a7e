#pragma once

#include <chrono>

// What the frame loop needs from the window system. The program's is
// SdlShell; tests run the loop on a simulated clock and display.
class FramePlatform {
  public:
    virtual ~FramePlatform() = default;

    // Hands every queued event to the user interface; true when one of them
    // asks to quit.
    virtual bool poll_events() = 0;
    // Starts a user interface frame.
    virtual void new_frame() = 0;
    // Renders the frame over clear_color and swaps the buffers.
    virtual void present(const float clear_color[4]) = 0;
    // The display's refresh rate in Hz, 0 when unknown.
    virtual int refresh_hz() = 0;
    // A monotonic clock.
    virtual std::chrono::microseconds now() = 0;
    virtual void sleep_for(std::chrono::microseconds duration) = 0;
};

// What one frame does between the platform's steps.
class FrameContent {
  public:
    virtual ~FrameContent() = default;

    // Runs at the top of the frame, before the events are polled.
    virtual void drain() {}
    // Draws every window, between the start of the frame and its rendering.
    virtual void draw() = 0;
    // The colour the frame is cleared to.
    virtual const float* background() const = 0;
};

// Runs frames until an event asks to quit; the frame that sees the quit
// event is still drawn and presented. Each frame sleeps out the rest of its
// refresh period when the swap did not wait for it (FramePacer).
void run_frame_loop(FramePlatform& platform, FrameContent& content);
