// Runs every benchmark, then prints the ratios the figures in the README are
// about: a whole frame against the demonstration window alone, and the
// receive path against the JSON library's bare decode of the same bytes.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

struct Ratio {
    const char* what;
    const char* numerator;
    const char* denominator;
    double target;
};

const Ratio ratios[] = {
    {"whole frame / demonstration window alone", "frame/whole", "frame/demo_alone", 2.0},
    {"receive an update event / from_ubjson", "receive/update", "floor/update", 1.5},
    {"receive a list of 16 names / from_ubjson", "receive/list16", "floor/list16", 1.5},
    {"receive a 4 KiB load path / from_ubjson", "receive/load4k", "floor/load4k", 1.5},
};

// Console output as usual, and the CPU time per iteration of every run kept
// in nanoseconds; with repetitions the median stands for the benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const std::string name = run.run_name.str();
            if (!median && medians.count(name) != 0)
                continue;
            const double ns =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            (median ? medians : times)[name] = ns;
            auto vertices = run.counters.find("vertices");
            if (vertices != run.counters.end())
                drawn[name] = vertices->second.value;
        }
    }

    // The time of a benchmark, or a negative number when it did not run.
    double ns(const std::string& name) const {
        for (const auto* table : {&medians, &times}) {
            auto it = table->find(name);
            if (it != table->end())
                return it->second;
        }
        return -1;
    }

    // Vertices a frame benchmark's last frame handed to the renderer.
    std::map<std::string, double> drawn;

  private:
    std::map<std::string, double> times;
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nRatios (CPU time per iteration)\n");
    for (const Ratio& r : ratios) {
        const double num = reporter.ns(r.numerator), den = reporter.ns(r.denominator);
        if (num < 0 || den <= 0)
            continue; // filtered out
        const double ratio = num / den;
        std::printf("  %-50s %6.2f  (%.0f ns / %.0f ns, target <= %.1f: %s)\n", r.what, ratio, num,
                    den, r.target, ratio <= r.target ? "met" : "NOT met");
    }
    const auto whole = reporter.drawn.find("frame/whole");
    const auto demo = reporter.drawn.find("frame/demo_alone");
    if (whole != reporter.drawn.end() && demo != reporter.drawn.end() && demo->second > 0)
        std::printf("  %-50s %6.2f  (%.0f / %.0f): what is in view bounds the frame\n",
                    "vertices drawn: whole frame / demonstration alone",
                    whole->second / demo->second, whole->second, demo->second);
    benchmark::Shutdown();
    return 0;
}
