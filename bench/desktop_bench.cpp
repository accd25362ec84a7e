// quarrin_desktop_bench: Quarrin against quarrin-anchor (the same SDL,
// OpenGL 2 and Dear ImGui set-up drawing only the demonstration window) on a
// private Xvfb server.
//
//   1. Start-up to the first presented frame: each program started alone,
//      alternately, in a fresh working directory without imgui.ini: Quarrin
//      opens with its built-in layout, as for a new user.
//   2. Idle cost: both started at once and left alone; CPU time, peak memory
//      and frames presented per second over a fixed window, once Quarrin has
//      settled into waiting for events. The anchor draws at the full rate
//      all the time, as a bare Dear ImGui program does.
//
// The time of the first frame and the count of frames come from
// libquarrin_first_frame_probe.so, preloaded into both programs.
//
// Usage: quarrin_desktop_bench [--runs N] [--seconds S]
// Exit status: 0 when every target is met, 1 when one is missed, 2 when the
// measurement could not be made.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "measure_main.h"
#include "probe_record.h"
#include "proc_stats.h"
#include "support/child_process.h"
#include "support/desktop.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using desktop::read_file;

constexpr double startup_target = 1.3;
constexpr double cpu_target = 0.15;
constexpr double memory_target = 1.2;
constexpr auto first_frame_limit = 20s;
constexpr int start_attempts = 3;

struct Subject {
    const char* name;
    fs::path binary;
    std::string layout; // imgui.ini put in its working directory, if not empty
};

// The control: the demonstration window stretched over the whole window, so
// that the anchor's software renderer fills as many pixels as Quarrin's
// built-in layout does.
constexpr const char* full_window_demo = "[Window][Dear ImGui Demo]\nPos=0,0\nSize=1280,720\n"
                                         "Collapsed=0\n";

// A measured program with its working directory and probe record. The child
// is declared last so it is ended before its directory is removed.
struct Running {
    std::unique_ptr<TempDir> cwd;
    fs::path record;
    std::unique_ptr<ChildProcess> child;
    probe::Record first; // the record as it was when the first frame was seen
};

// The measurement failed; what() says why. Children end as the stack unwinds.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long monotonic_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::optional<probe::Record> read_record(const fs::path& path) {
    return probe::parse(read_file(path));
}

class Launcher {
  public:
    Launcher(std::string display, fs::path scratch)
        : display(std::move(display)), scratch(std::move(scratch)) {}

    // Starts the program and waits for its first frame. A program that cannot
    // open the fresh display now and then ends at once on a loaded machine;
    // it is started again, at most start_attempts times.
    std::unique_ptr<Running> start(const Subject& subject) {
        std::string failures;
        for (int attempt = 0; attempt < start_attempts; ++attempt) {
            auto running = launch(subject);
            std::string why;
            if (wait_first_frame(*running, why))
                return running;
            failures += std::string(subject.name) + ": " + why + "\n";
            std::fprintf(stderr, "%s: %s, starting it again\n", subject.name, why.c_str());
            ++restarts;
        }
        throw Failure(failures);
    }

    // Launches the program without waiting for it; wait_first_frame follows.
    std::unique_ptr<Running> launch(const Subject& subject) {
        auto running = std::make_unique<Running>();
        running->cwd = std::make_unique<TempDir>();
        if (!subject.layout.empty())
            running->cwd->write("imgui.ini", subject.layout);
        const std::string serial = std::string(subject.name) + "-" + std::to_string(++launches);
        running->record = scratch / (serial + ".probe");
        const std::string out = (scratch / (serial + ".stdout")).string();
        const long long t0 = monotonic_ns();
        running->child = std::make_unique<ChildProcess>(ChildProcess::Options{
            {subject.binary.string()},
            {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "LD_PRELOAD=" QUARRIN_PROBE_LIBRARY,
             std::string(probe::out_variable) + "=" + running->record.string(),
             std::string(probe::t0_variable) + "=" + std::to_string(t0)},
            {},
            running->cwd->path.string(),
            out});
        if (!running->child->started())
            throw Failure(std::string("cannot start ") + subject.name);
        return running;
    }

    static bool wait_first_frame(Running& running, std::string& why) {
        const auto deadline = std::chrono::steady_clock::now() + first_frame_limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (const auto record = read_record(running.record); record && record->swaps > 0) {
                running.first = *record;
                return true;
            }
            if (!running.child->running()) {
                why = "ended before its first frame";
                return false;
            }
            std::this_thread::sleep_for(2ms);
        }
        why = "no frame within " + std::to_string(first_frame_limit.count()) + " s";
        return false;
    }

    int restarts = 0;

  private:
    std::string display;
    fs::path scratch;
    int launches = 0;
};

// Ends a program the way closing its window would (SDL turns SIGTERM into a
// quit event) and tells whether it left with status 0.
bool end(Running& running) {
    running.child->signal(SIGTERM);
    return running.child->wait_exit(10s) && running.child->exit_status &&
           WIFEXITED(*running.child->exit_status) && WEXITSTATUS(*running.child->exit_status) == 0;
}

// ---- the two measurements ---------------------------------------------------

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Startup {
    std::vector<double> ms[2]; // per subject, in run order
    int bad_exits = 0;
};

Startup measure_startup(Launcher& launcher, const Subject (&subjects)[2], int runs) {
    Startup result;
    // One discarded run each first: the binaries and libraries come from a
    // cold page cache only once.
    for (int run = -1; run < runs; ++run)
        for (int s = 0; s < 2; ++s) {
            auto running = launcher.start(subjects[s]);
            if (run >= 0)
                result.ms[s].push_back(running->first.startup_ns / 1e6);
            if (!end(*running))
                ++result.bad_exits;
            std::this_thread::sleep_for(200ms); // let the server drop the window
        }
    return result;
}

struct Idle {
    double cpu_percent = 0; // of one core, over the window
    double cpu_min = 1e9;   // lowest and highest single second
    double cpu_max = 0;
    double fps = 0;
    double peak_mib = 0;     // VmHWM
    double rss_mib = 0;      // VmRSS at the end
    double ms_per_frame = 0; // CPU time per presented frame
    std::string renderer;
};

struct SideBySide {
    Idle idle[2];
    double server_cpu_percent = 0; // Xvfb's, shared by both
    bool clean_exits = true;
};

SideBySide measure_side_by_side(Launcher& launcher, const Subject (&subjects)[2], int seconds,
                                const fs::path& server_binary) {
    std::unique_ptr<Running> running[2];
    for (int s = 0; s < 2; ++s)
        running[s] = launcher.launch(subjects[s]);
    for (int s = 0; s < 2; ++s) {
        std::string why;
        if (!Launcher::wait_first_frame(*running[s], why)) {
            std::fprintf(stderr, "%s: %s, starting it again\n", subjects[s].name, why.c_str());
            ++launcher.restarts;
            running[s] = launcher.start(subjects[s]);
        }
    }
    // Past the first frames' one-off work, and Quarrin past the full rate it
    // keeps for a while after start-up.
    std::this_thread::sleep_for(2s);

    pid_t pid[2];
    for (int s = 0; s < 2; ++s)
        pid[s] = proc::child_running(subjects[s].binary);
    const pid_t server = proc::child_running(server_binary);

    SideBySide result;
    double cpu_start[2], cpu_last[2];
    probe::Record frames_start[2];
    for (int s = 0; s < 2; ++s) {
        cpu_start[s] = cpu_last[s] = proc::cpu_seconds(pid[s]);
        frames_start[s] = read_record(running[s]->record).value_or(running[s]->first);
    }
    const double server_start = proc::cpu_seconds(server);
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    for (int second = 1; second <= seconds; ++second) {
        std::this_thread::sleep_until(start + std::chrono::seconds(second));
        const auto now = std::chrono::steady_clock::now();
        const double wall = std::chrono::duration<double>(now - last).count();
        last = now;
        for (int s = 0; s < 2; ++s) {
            const double cpu = proc::cpu_seconds(pid[s]);
            const double percent = 100 * (cpu - cpu_last[s]) / wall;
            result.idle[s].cpu_min = std::min(result.idle[s].cpu_min, percent);
            result.idle[s].cpu_max = std::max(result.idle[s].cpu_max, percent);
            cpu_last[s] = cpu;
        }
    }
    const double wall = std::chrono::duration<double>(last - start).count();
    result.server_cpu_percent = 100 * (proc::cpu_seconds(server) - server_start) / wall;
    for (int s = 0; s < 2; ++s) {
        Idle& idle = result.idle[s];
        const auto frames_end = read_record(running[s]->record).value_or(running[s]->first);
        const double frames = static_cast<double>(frames_end.swaps - frames_start[s].swaps);
        const double span = (frames_end.last_ns - frames_start[s].last_ns) / 1e9;
        idle.cpu_percent = 100 * (cpu_last[s] - cpu_start[s]) / wall;
        idle.fps = span > 0 ? frames / span : 0;
        idle.ms_per_frame = frames > 0 ? 1000 * (cpu_last[s] - cpu_start[s]) / frames : 0;
        idle.peak_mib = proc::status_mib(pid[s], "VmHWM");
        idle.rss_mib = proc::status_mib(pid[s], "VmRSS");
        idle.renderer = frames_end.renderer;
    }
    for (int s = 0; s < 2; ++s)
        result.clean_exits = end(*running[s]) && result.clean_exits;
    return result;
}

// ---- report -----------------------------------------------------------------

bool row(const char* what, double anchor, double quarrin, double target) {
    const double ratio = anchor > 0 ? quarrin / anchor : 0;
    const bool met = anchor > 0 && ratio <= target;
    std::printf("  %-30s %10.1f %10.1f %8.3f   <= %.2f  %s\n", what, anchor, quarrin, ratio, target,
                met ? "yes" : "NO");
    return met;
}

void info_row(const char* what, double anchor, double quarrin) {
    std::printf("  %-30s %10.1f %10.1f %8.3f\n", what, anchor, quarrin,
                anchor > 0 ? quarrin / anchor : 0);
}

int parse_count(const char* text, int lowest) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < lowest || value > 1000)
        throw Failure(std::string("not a count: ") + text);
    return static_cast<int>(value);
}

int measure(int argc, char** argv) {
    int runs = 10;
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = parse_count(argv[++i], 1);
        else if (arg == "--seconds" && i + 1 < argc)
            seconds = parse_count(argv[++i], 1);
        else
            throw Failure("usage: quarrin_desktop_bench [--runs N] [--seconds S]");
    }

    const fs::path server_binary = desktop::find_program("Xvfb");
    if (server_binary.empty())
        throw Failure("Xvfb is not installed");
    desktop::Xvfb x;
    if (x.display.empty())
        throw Failure("Xvfb did not start");
    TempDir scratch;
    Launcher launcher(x.display, scratch.path);
    const Subject subjects[2] = {{"anchor", QUARRIN_ANCHOR_BINARY, ""},
                                 {"quarrin", QUARRIN_BINARY, ""}};
    const Subject control[2] = {{"anchor-full", QUARRIN_ANCHOR_BINARY, full_window_demo},
                                {"quarrin", QUARRIN_BINARY, ""}};
    const std::string load_before = proc::load_average();

    std::printf("Measuring start-up (%d runs each) and %d s side by side...\n", runs, seconds);
    std::fflush(stdout);
    const Startup startup = measure_startup(launcher, subjects, runs);
    const SideBySide side = measure_side_by_side(launcher, subjects, seconds, server_binary);
    const SideBySide same_area = measure_side_by_side(launcher, control, seconds, server_binary);

    std::printf("\nQuarrin against quarrin-anchor (Dear ImGui's demonstration window only)\n");
    std::printf("Machine: %ld CPUs, %s\n", ::sysconf(_SC_NPROCESSORS_ONLN),
                proc::first_line_with("/proc/cpuinfo", "model name").c_str());
    std::printf("Display: Xvfb %s, 1280x800x24, SDL_VIDEODRIVER=x11; GL renderer: %s\n",
                x.display.c_str(), side.idle[1].renderer.c_str());
    std::printf("Load average before / after: %s / %s\n\n", load_before.c_str(),
                proc::load_average().c_str());

    std::printf("  %-30s %10s %10s %8s   %-7s  %s\n", "", "anchor", "quarrin", "ratio", "target",
                "met");
    std::printf("Start-up to the first presented frame, %d runs each, alternating:\n", runs);
    bool met = row("median (ms)", median(startup.ms[0]), median(startup.ms[1]), startup_target);
    info_row("min (ms)", *std::min_element(startup.ms[0].begin(), startup.ms[0].end()),
             *std::min_element(startup.ms[1].begin(), startup.ms[1].end()));
    std::printf("Side by side, %d s after 2 s of settling:\n", seconds);
    met = row("CPU (% of one core)", side.idle[0].cpu_percent, side.idle[1].cpu_percent,
              cpu_target) &&
          met;
    met = row("peak memory, VmHWM (MiB)", side.idle[0].peak_mib, side.idle[1].peak_mib,
              memory_target) &&
          met;
    info_row("CPU, lowest second (%)", side.idle[0].cpu_min, side.idle[1].cpu_min);
    info_row("CPU, highest second (%)", side.idle[0].cpu_max, side.idle[1].cpu_max);
    info_row("VmRSS at the end (MiB)", side.idle[0].rss_mib, side.idle[1].rss_mib);
    info_row("frames presented per second", side.idle[0].fps, side.idle[1].fps);
    info_row("CPU per frame (ms)", side.idle[0].ms_per_frame, side.idle[1].ms_per_frame);
    std::printf("  Xvfb's own CPU meanwhile: %.1f %% of one core\n", side.server_cpu_percent);
    std::printf("Control, %d s side by side: the anchor's demonstration window over the whole\n"
                "window, so both renderers fill about as many pixels:\n",
                seconds);
    info_row("CPU (% of one core)", same_area.idle[0].cpu_percent, same_area.idle[1].cpu_percent);
    info_row("frames presented per second", same_area.idle[0].fps, same_area.idle[1].fps);
    std::printf("\n");

    for (int s = 0; s < 2; ++s) {
        std::printf("%s start-up runs (ms):", subjects[s].name);
        for (const double ms : startup.ms[s])
            std::printf(" %.1f", ms);
        std::printf("\n");
    }
    if (launcher.restarts > 0)
        std::printf("Programs started again after failing to open the display: %d\n",
                    launcher.restarts);
    if (startup.bad_exits > 0 || !side.clean_exits || !same_area.clean_exits)
        std::printf("Warning: not every program left with status 0 after SIGTERM\n");
    std::printf("%s\n", met ? "Every target is met." : "A target is missed.");
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return run_measurement("quarrin_desktop_bench", [&] { return measure(argc, argv); });
}
