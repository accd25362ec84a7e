// Quarrin: the window, the long-lived objects and the frame loop.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include <SDL.h>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/sdl_shell.h"

namespace {

// Start-up failures are reported like SDL's own: one line on standard output.
int fail(const char* reason) {
    std::printf("Error: %s\n", reason);
    std::fflush(stdout);
    return -1;
}

} // namespace

int main(int, char**) {
    std::unique_ptr<SdlShell> shell;
    try {
        shell = std::make_unique<SdlShell>("Quarrin");
    } catch (const ShellError& e) {
        return fail(e.what());
    }

    // The long-lived objects are never destroyed: the process exits at once.
    App* app = nullptr;
    try {
        app = new App([] { return static_cast<uint32_t>(SDL_GetTicks()); }, shell->wake_hook());
    } catch (const std::exception& e) {
        shell.reset();
        return fail(e.what());
    }

    run_frame_loop(*shell, *app);

    shell.reset();
    std::_Exit(0);
}
