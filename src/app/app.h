#pragma once

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_loop.h"
#include "app/view.h"
#include "arch/cpu_stepper.h"
#include "arch/isa4.h"
#include "arch/local_processor.h"
#include "arch/local_run.h"
#include "assembly/program_symbols.h"
#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "link/frame_sender.h"
#include "link/pair_socket.h"
#include "link/receiver.h"
#include "link/worker.h"
#include "log/logger.h"
#include "regfile/register_file.h"
#include "ui/assembler_window.h"
#include "ui/assembly_window.h"
#include "ui/breakpoints_window.h"
#include "ui/cpu_state_window.h"
#include "ui/example_windows.h"
#include "ui/local_isa4_window.h"
#include "ui/isa4_reference_window.h"
#include "ui/logger_window.h"
#include "ui/nng_window.h"
#include "ui/ram_view.h"
#include "ui/register_file_window.h"
#include "ui/rom_view.h"

// The long-lived objects, in the order they are built, and the frame's
// content: the drain and every window. Needs no SDL or OpenGL, so tests run
// whole frames in a bare Dear ImGui context. Construction raises NngError or
// std::system_error when the socket, aio or worker thread cannot be created.
class App : public FrameContent {
  public:
    // wake is called from any thread after something that changes what is
    // shown happened there (a log entry: an envelope, a connection's news).
    explicit App(CpuStepper::TickSource ticks, std::function<void()> wake = {});
    ~App() override; // the program never runs it; tests do
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Frame step 1: apply the inbound messages queued so far, then let the
    // receiver go on if it paused for room.
    void drain() override;
    // The menu bar and the layout (View), then every window, in order,
    // between NewFrame and Render, with the work the frame does besides
    // them: the local run's steps.
    void draw() override;
    const float* background() const override { return clear_color; }
    // A local run (and the frame after it stops, which shows where), messages
    // waiting, a field with a blinking caret or a held mouse button need the
    // next frame at once.
    bool animating() const override;
    int zoom_percent() const override { return view.zoom_percent(); }

    // The back end has the loaded architecture selected, as far as is known:
    // a register file is loaded and no connection was made since.
    bool architecture_selected() const { return regfile != nullptr && !regfile_stale; }

    bool show_demo_window = true;
    bool show_another_window = false;
    float clear_color[4] = {0.45f, 0.55f, 0.60f, 1.00f};

    Logger log{100};
    Isa4 arch;
    CpuStepper cpu_stepper;
    PairSocket bus;
    Worker worker;
    std::thread worker_thread;
    BoundedQueue<ArchSimMsg> msgs{256};
    std::vector<std::string> archs;
    Receiver receiver;
    std::unique_ptr<RegisterFile> regfile;
    std::string archname;
    // Set when a connection is made while a register file is loaded; a new
    // load clears it.
    bool regfile_stale = false;
    uint64_t connections_seen = 0;

    FrameSender sender;
    LocalProcessor local_cpu; // steps arch with a history, for "Local Isa4" and the run
    LocalRun local_run;
    bool ran_this_frame = false;    // its steps show in the next frame
    ProgramSymbols program_symbols; // of the last source the "Assembly" window assembled
    std::ostream* err = &std::cerr; // where failed loads are written
    View view;                      // the menu bar, the zoom and the windows' layout

    ExampleWindows example_windows;
    RegisterFileWindow register_file_window;
    RomView rom_view;
    RamView ram_view;
    CpuStateWindow cpu_state_window;
    LocalIsa4Window local_isa4_window;
    AssemblerWindow assembler_window;
    AssemblyWindow assembly_window;
    BreakpointsWindow breakpoints_window;
    LoggerWindow logger_window;
    NngWindow nng_window;
    Isa4ReferenceWindow reference_window;
};
