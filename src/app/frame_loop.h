#pragma once

#include <chrono>

#include "view/zoom.h"

// What a poll of the window system's events found.
struct PolledEvents {
    bool quit = false;  // one of them asks to quit
    bool input = false; // input or a window event, anything but a wake-up
};

// What the frame loop needs from the window system. The program's is
// SdlShell; tests run the loop on a simulated clock and display.
class FramePlatform {
  public:
    virtual ~FramePlatform() = default;

    // Hands every queued event to the user interface.
    virtual PolledEvents poll_events() = 0;
    // Waits until an event is queued or timeout has passed; the event stays
    // queued for poll_events.
    virtual void wait_events(std::chrono::microseconds timeout) = 0;
    // Starts a user interface frame.
    virtual void new_frame() = 0;
    // Renders the frame over clear_color and swaps the buffers.
    virtual void present(const float clear_color[4]) = 0;
    // The display's refresh rate in Hz, 0 when unknown.
    virtual int refresh_hz() = 0;
    // A monotonic clock.
    virtual std::chrono::microseconds now() = 0;
    virtual void sleep_for(std::chrono::microseconds duration) = 0;
    // Between frames: the interface at a zoom step from now on (the font
    // rasterised at its size, the style scaled).
    virtual void set_zoom(int percent) { (void)percent; }
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
    // Whether the next frame must come at the full rate, because what is
    // shown changes by itself from frame to frame; otherwise the loop may
    // wait for events. Asked after each frame.
    virtual bool animating() const { return false; }
    // The zoom step the next frame is drawn at.
    virtual int zoom_percent() const { return zoom::default_percent; }
};

// How the loop waits when nothing changes what is shown.
struct IdleWait {
    // Frames keep the full rate this long after the last input: popups,
    // scrolling and hover highlights take a few frames to settle.
    static constexpr std::chrono::milliseconds after_input{500};
    // While waiting, a frame still comes this often, for what changes by
    // itself (the frame rate shown in "Hello, world!").
    static constexpr std::chrono::milliseconds frame_period{250};
};

// Runs frames until an event asks to quit; the frame that sees the quit
// event is still drawn and presented. Each frame sleeps out the rest of its
// refresh period when the swap did not wait for it (FramePacer). When the
// content is not animating and no input came for IdleWait::after_input, the
// loop then waits for an event, at most until IdleWait::frame_period has
// passed since the frame began: an event, or a wake-up posted by another
// thread, starts the next frame at once. A change of the content's zoom is
// applied to the platform between two frames, before the next one starts.
void run_frame_loop(FramePlatform& platform, FrameContent& content);
