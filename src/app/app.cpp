#include "app/app.h"

#include <imgui.h>

#include "app/drain.h"
#include "ui/logger_window.h"

App::App(CpuStepper::TickSource ticks)
    : cpu_stepper(1000, 1000, std::move(ticks)), w(log, bus), l(msgs, log), sender(bus, log) {
    log.add("Loaded Isa4");
    t_worker = std::thread(run_worker, &w);
}

App::~App() {
    bus.close(); // ends a dial or send the worker is blocked in, and the receive
    // A receive callback may be waiting for room in a full queue; make room
    // until it has finished, or destroying the receiver would wait for ever.
    while (l.is_pending()) {
        msgs.try_pop();
        std::this_thread::yield();
    }
    w.stop();
    if (t_worker.joinable())
        t_worker.join();
}

void App::drain() {
    drain_messages(msgs, archs, regfile, archname, log, *err);
}

void App::draw() {
    example_windows.draw(show_demo_window, show_another_window, clear_color, ImGui::GetIO());
    if (regfile)
        register_file_window.draw(*regfile, sender);
    rom_view.draw(arch, sender);
    ram_view.draw(arch);
    cpu_state_window.draw(arch, cpu_stepper, sender, log);
    assembler_window.draw();
    breakpoints_window.draw(arch);
    draw_logger_window(l, bus, log);
    nng_window.draw(w.tasks, archs, sender);
}
