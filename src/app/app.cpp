#include "app/app.h"

#include <imgui.h>

#include "app/drain.h"

App::App(CpuStepper::TickSource ticks, std::function<void()> wake)
    : cpu_stepper(1000, 1000, std::move(ticks)), worker(log, bus), receiver(msgs, log),
      sender(bus, log) {
    log.set_wake_hook(std::move(wake)); // before any other thread can add
    log.add("Loaded Isa4");
    worker.hold_receiving = [this](bool hold) { hold ? receiver.hold() : receiver.release(); };
    worker_thread = std::thread(run_worker, &worker);
}

App::~App() {
    // Receiving stops first, so that the socket settles before it closes;
    // closing it ends a dial or send the worker is in.
    receiver.stop();
    bus.close();
    worker.stop();
    if (worker_thread.joinable())
        worker_thread.join();
}

void App::drain() {
    // A back end reached anew has nothing selected, whatever is shown.
    const uint64_t connections = worker.status().connections;
    if (connections != connections_seen) {
        connections_seen = connections;
        regfile_stale = regfile != nullptr;
    }
    if (drain_messages(msgs, archs, regfile, archname, log, *err))
        regfile_stale = false;
    receiver.arm(bus);
}

bool App::animating() const {
    const ImGuiIO& io = ImGui::GetIO();
    return local_run.running || ran_this_frame || !msgs.empty() || io.WantTextInput ||
           ImGui::IsAnyMouseDown();
}

void App::draw() {
    view.begin_frame();
    example_windows.draw(show_demo_window, show_another_window, clear_color, ImGui::GetIO());
    if (regfile)
        register_file_window.draw(*regfile, sender, regfile_stale);
    rom_view.draw(arch, sender, log, program_symbols, regfile.get());
    const StepChange& change = local_cpu.last_change();
    ram_view.draw(arch, log,
                  change.ram_written ? std::optional<uint8_t>(change.ram_address) : std::nullopt);
    cpu_state_window.draw(local_run, sender, architecture_selected(), log);
    local_isa4_window.draw(arch, local_cpu, local_run, log);
    // After the windows' buttons: a press of "Run" or "Step" counts in this frame.
    ran_this_frame = local_run.running;
    local_run.advance(arch, local_cpu, cpu_stepper, log);
    assembler_window.draw();
    assembly_window.draw(arch, program_symbols, log);
    breakpoints_window.draw(arch);
    logger_window.draw(log);
    nng_window.draw(worker, archs, architecture_selected() ? archname : std::string(), sender);
    reference_window.draw();
}
