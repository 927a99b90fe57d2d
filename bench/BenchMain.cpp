// The benchmark program: every benchmark registers itself as a "/runtime" and
// a "/baseline" pair, some also with a "/lazy" and a "/floor" baseline, some
// alone; after the console report, each runtime is printed with its ratio to
// each baseline it has.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

/// Prints as the console does and keeps each run's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // Keyed by the name as registered, without modifiers such as "/real_time".
        for (const Run& run : runs) times_[run.run_name.function_name] = run.GetAdjustedRealTime() * nanosecondsPer(run);
    }

    void printRatios() const {
        std::printf("\n%-36s %14s %14s %8s %8s %8s\n", "operation/text", "runtime ns", "baseline ns", "ratio",
                    "lazy", "floor");
        for (const auto& [name, time] : times_) {
            const std::string suffix = "/runtime";
            if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string stem = name.substr(0, name.size() - suffix.size());
            auto ratioTo = [&](const char* kind, char* text) {
                auto other = times_.find(stem + kind);
                if (other == times_.end()) std::snprintf(text, 16, "%8s", "-");
                else std::snprintf(text, 16, "%8.2f", time / other->second);
                return other == times_.end() ? 0.0 : other->second;
            };
            char baseline[16], lazy[16], floor[16];
            double baselineTime = ratioTo("/baseline", baseline);
            ratioTo("/lazy", lazy);
            ratioTo("/floor", floor);
            std::printf("%-36s %14.1f %14.1f %s %s %s\n", stem.c_str(), time, baselineTime, baseline, lazy, floor);
        }
    }

private:
    static double nanosecondsPer(const Run& run) {
        switch (run.time_unit) {
        case benchmark::kSecond: return 1e9;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kMicrosecond: return 1e3;
        default: return 1.0;
        }
    }

    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
