#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include <SDL.h>

#include "app/frame_loop.h"
#include "app/frame_signature.h"

// SDL cannot start, or the window or its OpenGL context cannot be made;
// what() is SDL's own text.
class ShellError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The one window: SDL with an OpenGL 2.2 context, swaps waiting for the
// display's refresh where the driver allows it, and the Dear ImGui context
// with the dark style and its SDL2 and OpenGL2 bindings. Destroying it shuts
// all of that down in reverse order.
//
// A frame that would draw the same pixels as the one on the screen is
// neither rendered nor swapped, unless an event came since (a window
// exposed again must be drawn). Other threads end the frame loop's wait
// through wake_hook(): it posts one
// SDL event of the shell's own type, and no more until the loop has polled
// its events again, so a stream of wake-ups cannot flood SDL's queue.
class SdlShell : public FramePlatform {
  public:
    // Raises ShellError; whatever was made before the failure is undone.
    // With render_every_frame, unchanged frames are rendered and swapped too,
    // as a bare Dear ImGui program does.
    explicit SdlShell(const char* title, bool render_every_frame = false);
    ~SdlShell() override;
    SdlShell(const SdlShell&) = delete;
    SdlShell& operator=(const SdlShell&) = delete;

    PolledEvents poll_events() override;
    void wait_events(std::chrono::microseconds timeout) override;
    void new_frame() override;
    void present(const float clear_color[4]) override;
    int refresh_hz() override;
    std::chrono::microseconds now() override;
    void sleep_for(std::chrono::microseconds duration) override;
    void set_zoom(int percent) override;

    // Callable from any thread, also after the shell is gone (it then does
    // nothing): for the log's wake hook.
    std::function<void()> wake_hook() const;

  private:
    SDL_Window* window = nullptr;
    SDL_GLContext gl_context = nullptr;
    std::shared_ptr<class WakePoster> waker;
    bool render_every_frame;
    FrameSignature on_screen;
    bool events_since_present = true; // an exposure may have spoilt the screen
};
