#include "ui/logger_window.h"

#include <imgui.h>

void draw_logger_window(Receiver& l, nng_socket bus, Logger& log) {
    ImGui::Begin("Logger");
    l.arm(bus);
    log.draw();
    ImGui::End();
}
