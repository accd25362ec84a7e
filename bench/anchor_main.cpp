// quarrin-anchor: the yardstick for Quarrin's desktop figures. The same
// window, OpenGL context, Dear ImGui set-up and paced frame loop as Quarrin,
// drawing nothing but Dear ImGui's demonstration window over Quarrin's clear
// colour, at the full rate all the time, as a bare Dear ImGui program does.
// Whatever Quarrin costs beyond this program is its own.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <imgui.h>

#include "app/frame_loop.h"
#include "app/sdl_shell.h"

namespace {

class DemoOnly : public FrameContent {
  public:
    void draw() override {
        if (show)
            ImGui::ShowDemoWindow(&show);
    }
    const float* background() const override { return clear_color; }
    bool animating() const override { return true; }

  private:
    bool show = true;
    float clear_color[4] = {0.45f, 0.55f, 0.60f, 1.00f};
};

} // namespace

int main(int, char**) {
    std::unique_ptr<SdlShell> shell;
    try {
        shell = std::make_unique<SdlShell>("Quarrin anchor", true);
    } catch (const ShellError& e) {
        std::printf("Error: %s\n", e.what());
        std::fflush(stdout);
        return -1;
    }

    DemoOnly content;
    run_frame_loop(*shell, content);

    // Ends like Quarrin: the user interface is shut down, then the process
    // leaves without running any other destructor.
    shell.reset();
    std::_Exit(0);
}
