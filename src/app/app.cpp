#include "app/app.h"

#include <imgui.h>

#include "app/drain.h"

App::App(CpuStepper::TickSource ticks)
    : cpu_stepper(1000, 1000, std::move(ticks)), worker(log, bus), receiver(msgs, log),
      sender(bus, log) {
    log.add("Loaded Isa4");
    worker_thread = std::thread(run_worker, &worker);
}

App::~App() {
    bus.close(); // ends a dial or send the worker is blocked in, and the receive
    // A receive callback may be waiting for room in a full queue; make room
    // until it has finished, or destroying the receiver would wait for ever.
    while (receiver.is_pending()) {
        msgs.try_pop();
        std::this_thread::yield();
    }
    worker.stop();
    if (worker_thread.joinable())
        worker_thread.join();
}

void App::drain() {
    drain_messages(msgs, archs, regfile, archname, log, *err);
}

void App::draw() {
    example_windows.draw(show_demo_window, show_another_window, clear_color, ImGui::GetIO());
    if (regfile)
        register_file_window.draw(*regfile, sender);
    rom_view.draw(arch, sender, log, program_symbols, regfile.get());
    const StepChange& change = local_cpu.last_change();
    ram_view.draw(arch, log,
                  change.ram_written ? std::optional<uint8_t>(change.ram_address) : std::nullopt);
    cpu_state_window.draw(local_run, sender);
    local_isa4_window.draw(arch, local_cpu, local_run, log);
    // After the windows' buttons: a press of "Run" or "Step" counts in this frame.
    local_run.advance(arch, local_cpu, cpu_stepper, log);
    assembler_window.draw();
    assembly_window.draw(arch, program_symbols, log);
    breakpoints_window.draw(arch);
    // At most one envelope is taken off the socket per frame.
    receiver.arm(bus);
    logger_window.draw(log);
    nng_window.draw(worker.tasks, archs, sender);
}
