#pragma once

#include <stdexcept>

#include <SDL.h>

#include "app/frame_loop.h"

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
class SdlShell : public FramePlatform {
  public:
    // Raises ShellError; whatever was made before the failure is undone.
    explicit SdlShell(const char* title);
    ~SdlShell() override;
    SdlShell(const SdlShell&) = delete;
    SdlShell& operator=(const SdlShell&) = delete;

    bool poll_events() override;
    void new_frame() override;
    void present(const float clear_color[4]) override;
    int refresh_hz() override;
    std::chrono::microseconds now() override;
    void sleep_for(std::chrono::microseconds duration) override;

  private:
    SDL_Window* window = nullptr;
    SDL_GLContext gl_context = nullptr;
};
