#include "app/view.h"

#include <SDL_scancode.h>
#include <imgui.h>

#include "ui/isa4_reference_window.h"
#include "view/zoom.h"

namespace {

// Dear ImGui's keys are the SDL binding's scancodes: where the keys are, the
// same on every keyboard layout. A held key does not repeat: each step
// rebuilds the font.
bool pressed(int scancode) {
    return ImGui::IsKeyPressed(scancode, false);
}

} // namespace

View::View() {
    settings.load();
}

ViewCommands View::shortcuts() {
    ViewCommands asked;
    const ImGuiIO& io = ImGui::GetIO();
    if (!io.KeyCtrl || io.KeyAlt)
        return asked;
    asked.zoom_in = pressed(SDL_SCANCODE_EQUALS) || pressed(SDL_SCANCODE_KP_PLUS);
    asked.zoom_out = pressed(SDL_SCANCODE_MINUS) || pressed(SDL_SCANCODE_KP_MINUS);
    asked.zoom_reset = pressed(SDL_SCANCODE_0) || pressed(SDL_SCANCODE_KP_0);
    asked.reset_layout = io.KeyShift && pressed(SDL_SCANCODE_L);
    return asked;
}

void View::begin_frame() {
    ViewCommands asked = menu.draw(settings.zoom_percent);
    asked |= shortcuts();
    if (!started) {
        // The built-in places first, then the file's over them.
        windows.load_layout();
        settings.windows_again();
        started = true;
    }
    apply(asked);
    windows.keep_inside();
}

void View::apply(const ViewCommands& asked) {
    int zoom = settings.zoom_percent;
    if (asked.zoom_in)
        zoom = zoom::step_up(zoom);
    if (asked.zoom_out)
        zoom = zoom::step_down(zoom);
    if (asked.zoom_reset)
        zoom = zoom::default_percent;
    if (zoom != settings.zoom_percent) {
        settings.zoom_percent = zoom; // the font follows before the next frame
        settings.changed();
    }
    if (asked.reset_layout)
        windows.reset();
    if (asked.show_reference) {
        ImGui::SetWindowCollapsed(Isa4ReferenceWindow::title, false);
        ImGui::SetWindowFocus(Isa4ReferenceWindow::title);
    }
}
