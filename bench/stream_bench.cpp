// quarrin_stream_bench: how fast the reference back end runs freely when
// Quarrin is its front end. `quarrin-sim --tick-ms 1` steps the empty isa4
// program every millisecond and streams each step's events; its free run
// waits for its front end, so its step rate is the front end's pace.
//
//   1. A consumer that takes every envelope as it comes (a bare pair0 socket
//      in this program): the step rate the back end reaches.
//   2. The same back end binary with Quarrin as its front end, on a private
//      Xvfb server with its built-in layout, connected and selected through
//      its window with real input (xdotool): the step rate, from the cycle
//      counts Quarrin prints, which must have no gap.
//
// Usage: quarrin_stream_bench [--seconds S]
// Exit status: 0 when Quarrin keeps at least 0.9 of the consumer's rate and
// nothing was lost, 1 when not, 2 when the measurement could not be made.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nng/nng.h>
#include <unistd.h>

#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/nng_error.h"
#include "link/pair_socket.h"
#include "measure_main.h"
#include "proc_stats.h"
#include "road/back_end_process.h"
#include "road/desktop_session.h"
#include "support/child_process.h"
#include "support/count_gaps.h"
#include "support/desktop.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr double rate_target = 0.9;
constexpr auto settle = 2s; // after the selection, before counting

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What one front end let the back end reach.
struct Run {
    double steps_per_second = 0;
    uint64_t counted = 0;    // cycles within the measured window
    uint64_t updates = 0;    // cycle updates seen in all
    uint64_t gaps = 0;       // places where a count is not one more than the one before
    double cpu_percent = -1; // the front end's, of one core, when measured
    bool sim_reported_loss = false;
};

bool is_cycle_update(const json& envelope) {
    return envelope.is_object() && envelope.value("origin", "") == "isa4.cycles";
}

bool reports_loss(const road::BackEndProcess& sim) {
    const std::string errors = sim.errors();
    return errors.find("dropped") != std::string::npos ||
           errors.find("send failed") != std::string::npos;
}

// A pair0 socket that dials the back end, selects isa4 and takes every
// envelope as it comes.
Run consumer_run(const fs::path& dir, int seconds) {
    road::BackEndProcess sim(dir, {"--tick-ms", "1"});
    if (!sim.listening)
        throw Failure("quarrin-sim did not listen: " + sim.errors());
    PairSocket socket; // settles before it closes, the stream still coming
    nng_check(nng_socket_set_ms(socket, NNG_OPT_RECVTIMEO, 2000), "nng_socket_set_ms");
    nng_check(nng_dial(socket, sim.url.c_str(), nullptr, 0), "nng_dial");
    send_envelope(socket, envelope::architecture_select("isa4"), 2000);

    std::vector<uint64_t> counts;
    const auto begin = Clock::now() + settle;
    const auto end = begin + std::chrono::seconds(seconds);
    std::optional<uint64_t> first;
    uint64_t last = 0;
    while (Clock::now() < end) {
        nng_msg* msg = nullptr;
        if (nng_recvmsg(socket, &msg, 0) != 0)
            throw Failure("the back end stopped streaming to the consumer");
        socket.count_taken(msg);
        const json envelope =
            decode_ubjson(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg));
        nng_msg_free(msg);
        if (!is_cycle_update(envelope))
            continue;
        const uint64_t count = envelope["data"]["new_count"].get<uint64_t>();
        counts.push_back(count);
        if (Clock::now() >= begin) {
            if (!first)
                first = count;
            last = count;
        }
    }
    Run run;
    run.counted = first ? last - *first : 0;
    run.steps_per_second = static_cast<double>(run.counted) / seconds;
    run.updates = counts.size();
    run.gaps = count_gaps(counts);
    run.sim_reported_loss = reports_loss(sim);
    return run;
}

// The cycle counts Quarrin has printed so far.
std::vector<uint64_t> printed_counts(const fs::path& out) {
    std::vector<uint64_t> counts;
    for (const json& line : road::json_lines(out))
        if (is_cycle_update(line))
            counts.push_back(line["data"]["new_count"].get<uint64_t>());
    return counts;
}

// Quarrin on a private X server, connected and selected through its window.
Run quarrin_run(const fs::path& dir, int seconds) {
    using namespace road;
    road::BackEndProcess sim(dir, {"--tick-ms", "1"});
    if (!sim.listening)
        throw Failure("quarrin-sim did not listen: " + sim.errors());
    desktop::Xvfb x;
    if (x.display.empty())
        throw Failure("Xvfb did not start");
    const fs::path work = dir / "quarrin";
    fs::create_directories(work);
    const fs::path out = work / "quarrin.out";
    ChildProcess quarrin({{QUARRIN_BINARY},
                          {"DISPLAY=" + x.display},
                          {"SDL_VIDEODRIVER"},
                          work.string(),
                          out.string()});
    const auto window = find_window(x.display, quarrin);
    if (!window)
        throw Failure("no Quarrin window");
    const Desktop desk(x.display, window->first, window->second, work);
    if (!desk.wait_for_button(screen::connect_edge) || !desk.type_into(screen::address, sim.url) ||
        desk.click_until_received(screen::connect, sim, 1) == 0 ||
        !desk.wait_for_button(screen::select_edge) ||
        desk.click_until_received(screen::select, sim, 2) == 0)
        throw Failure("could not connect and select through the window");
    // The pointer rests where no widget is, as a user watching would leave it.
    desk.click(screen::rest);

    std::this_thread::sleep_for(settle);
    const pid_t pid = proc::child_running(QUARRIN_BINARY);
    const std::vector<uint64_t> before = printed_counts(out);
    const double cpu_before = pid > 0 ? proc::cpu_seconds(pid) : 0;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::vector<uint64_t> after = printed_counts(out);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu_after = pid > 0 ? proc::cpu_seconds(pid) : 0;
    if (before.empty() || after.empty())
        throw Failure("Quarrin printed no cycle count");

    Run run;
    run.counted = after.back() - before.back();
    run.steps_per_second = static_cast<double>(run.counted) / wall;
    run.updates = after.size();
    run.gaps = count_gaps(after);
    run.cpu_percent = pid > 0 ? 100 * (cpu_after - cpu_before) / wall : -1;
    run.sim_reported_loss = reports_loss(sim);
    quarrin.signal(SIGTERM);
    quarrin.wait_exit(10s);
    return run;
}

int parse_seconds(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 600)
        throw Failure(std::string("not a number of seconds: ") + text);
    return static_cast<int>(value);
}

void print_run(const char* who, const Run& run) {
    std::printf("  %-30s %10.1f %10llu %8llu %5llu   %s", who, run.steps_per_second,
                static_cast<unsigned long long>(run.counted),
                static_cast<unsigned long long>(run.updates),
                static_cast<unsigned long long>(run.gaps), run.sim_reported_loss ? "yes" : "no");
    if (run.cpu_percent >= 0)
        std::printf("   (Quarrin's CPU %.1f %% of a core)", run.cpu_percent);
    std::printf("\n");
}

int measure(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            seconds = parse_seconds(argv[++i]);
        else
            throw Failure("usage: quarrin_stream_bench [--seconds S]");
    }
    for (const char* program : {"Xvfb", "xdotool", "import"})
        if (desktop::find_program(program).empty())
            throw Failure(std::string(program) + " is not installed");

    TempDir scratch;
    fs::create_directories(scratch.path / "consumer");
    fs::create_directories(scratch.path / "quarrin");
    std::printf("Measuring quarrin-sim --tick-ms 1 for %d s with each front end...\n", seconds);
    std::fflush(stdout);
    const Run consumer = consumer_run(scratch.path / "consumer", seconds);
    const Run quarrin = quarrin_run(scratch.path / "quarrin", seconds);

    const double ratio =
        consumer.steps_per_second > 0 ? quarrin.steps_per_second / consumer.steps_per_second : 0;
    const bool lossless = quarrin.gaps == 0 && !quarrin.sim_reported_loss;
    const bool met = ratio >= rate_target && lossless;
    std::printf("\nBack end's free run, a step every ms, isa4's empty program (2 events a step)\n");
    std::printf("Load average: %s\n\n", proc::load_average().c_str());
    std::printf("  %-30s %10s %10s %8s %5s   %s\n", "front end", "steps/s", "counted", "updates",
                "gaps", "back end lost any");
    print_run("consumer taking everything", consumer);
    print_run("Quarrin under Xvfb", quarrin);
    std::printf("\n  Quarrin / consumer: %.2f (target >= %.1f, nothing lost): %s\n", ratio,
                rate_target, met ? "met" : "NOT met");
    return met ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return run_measurement("quarrin_stream_bench", [&] { return measure(argc, argv); });
}
