#pragma once
// A console reporter that also keeps each benchmark's real time per iteration, in seconds, so
// that a program can print ratios between its benchmarks after the run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace veldo::bench {

class RecordingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.run_name.function_name] = run.real_accumulated_time / run.iterations;
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace veldo::bench
