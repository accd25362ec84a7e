#include "app/sdl_shell.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <SDL_opengl.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

#include "app/zoom_style.h"

// Posts the wake-up event. Shared with the hooks handed out, which may be
// called after the shell has shut SDL down: they then post nothing.
class WakePoster {
  public:
    explicit WakePoster(uint32_t event_type) : event_type(event_type) {}

    void wake() {
        if (posted.exchange(true))
            return; // one is queued already
        std::lock_guard<std::mutex> lock(mutex);
        if (!enabled)
            return;
        SDL_Event event{};
        event.type = event_type;
        SDL_PushEvent(&event);
    }
    // Before the events are polled: a wake-up after this posts again.
    void rearm() { posted.store(false); }
    void disable() {
        std::lock_guard<std::mutex> lock(mutex);
        enabled = false;
    }

    const uint32_t event_type;

  private:
    std::atomic<bool> posted{false};
    std::mutex mutex; // keeps a push from racing SDL's shut-down
    bool enabled = true;
};

SdlShell::SdlShell(const char* title, bool render_every_frame)
    : render_every_frame(render_every_frame) {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0)
        throw ShellError(SDL_GetError());

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
    window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1280, 720,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window == nullptr) {
        ShellError error(SDL_GetError());
        SDL_Quit();
        throw error;
    }
    gl_context = SDL_GL_CreateContext(window);
    if (gl_context == nullptr) {
        ShellError error(SDL_GetError());
        SDL_DestroyWindow(window);
        SDL_Quit();
        throw error;
    }
    SDL_GL_MakeCurrent(window, gl_context);
    // Where the driver refuses, the frame loop's pacer keeps the rate down.
    SDL_GL_SetSwapInterval(1);

    const uint32_t wake_event = SDL_RegisterEvents(1);
    if (wake_event == static_cast<uint32_t>(-1)) {
        ShellError error("no SDL event type left for wake-ups");
        SDL_GL_DeleteContext(gl_context);
        SDL_DestroyWindow(window);
        SDL_Quit();
        throw error;
    }
    waker = std::make_shared<WakePoster>(wake_event);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window, gl_context);
    ImGui_ImplOpenGL2_Init();
}

SdlShell::~SdlShell() {
    waker->disable();
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_GL_DeleteContext(gl_context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

PolledEvents SdlShell::poll_events() {
    // Rearmed first: a wake-up that comes while polling posts again, and is
    // either taken by this poll or ends the next wait.
    waker->rearm();
    PolledEvents polled;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == waker->event_type)
            continue;
        polled.input = true;
        events_since_present = true;
        ImGui_ImplSDL2_ProcessEvent(&event);
        if (event.type == SDL_QUIT)
            polled.quit = true;
    }
    return polled;
}

void SdlShell::wait_events(std::chrono::microseconds timeout) {
    // Whole milliseconds, rounded up: a wait cut short only draws early.
    const auto ms = (timeout.count() + 999) / 1000;
    if (ms > 0)
        SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
}

std::function<void()> SdlShell::wake_hook() const {
    return [poster = waker] { poster->wake(); };
}

void SdlShell::new_frame() {
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
}

void SdlShell::present(const float clear_color[4]) {
    ImGui::Render();
    if (!render_every_frame) {
        // Taken every frame: it is compared with the frame on the screen.
        const bool same = on_screen.same_as_before(*ImGui::GetDrawData(), clear_color);
        if (same && !events_since_present)
            return;
    }
    events_since_present = false;
    const ImGuiIO& io = ImGui::GetIO();
    glViewport(0, 0, static_cast<int>(io.DisplaySize.x), static_cast<int>(io.DisplaySize.y));
    glClearColor(clear_color[0], clear_color[1], clear_color[2], clear_color[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
}

int SdlShell::refresh_hz() {
    // The display the window is on now: it may have been moved to another.
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0)
        return 0;
    return mode.refresh_rate;
}

std::chrono::microseconds SdlShell::now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SdlShell::sleep_for(std::chrono::microseconds duration) {
    std::this_thread::sleep_for(duration);
}

void SdlShell::set_zoom(int percent) {
    apply_zoom_style(percent);
    // The next frame's start makes the texture again from the new atlas.
    ImGui_ImplOpenGL2_DestroyFontsTexture();
    events_since_present = true;
}
