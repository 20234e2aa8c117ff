#pragma once
// What every benchmark program runs after its benchmarks: the ratios between pairs of
// them, measured in the same run of the same program, so that a slower or busier machine
// moves both sides of a ratio together. Each side is the median over the repetitions
// (--benchmark_repetitions=N) of its time per iteration, in real time and in CPU time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tarvo::bench {

struct Ratio {
  std::string label;
  std::string numerator;    // "BM_Name/arg", as the benchmark's name begins
  std::string denominator;  // the yardstick
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      std::string key = run.run_name.function_name;
      if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
      Samples& s = samples_[key];
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        const auto n = static_cast<double>(run.iterations);
        s.real.push_back(run.real_accumulated_time / n);
        s.cpu.push_back(run.cpu_accumulated_time / n);
      } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        // Only the aggregates are reported with --benchmark_report_aggregates_only.
        s.medianReal = run.GetAdjustedRealTime() / perSecond(run.time_unit);
        s.medianCpu = run.GetAdjustedCPUTime() / perSecond(run.time_unit);
        s.aggregated = static_cast<std::size_t>(run.repetitions);
      }
    }
  }

  void printRatios(const std::vector<Ratio>& ratios) const {
    bool header = false;
    for (const Ratio& r : ratios) {
      const Samples* num = find(r.numerator);
      const Samples* den = find(r.denominator);
      if (!num || !den) continue;  // filtered out of this run
      if (!header) {
        std::printf("\n%-52s %10s %10s %5s\n", "ratio (median of repetitions)", "real", "cpu",
                    "reps");
        header = true;
      }
      const double realDen = den->realMedian();
      const double cpuDen = den->cpuMedian();
      std::printf("%-52s %9.2fx %9.2fx %5zu\n", r.label.c_str(),
                  realDen > 0 ? num->realMedian() / realDen : 0.0,
                  cpuDen > 0 ? num->cpuMedian() / cpuDen : 0.0,
                  std::min(num->repetitions(), den->repetitions()));
    }
    std::fflush(stdout);
  }

 private:
  struct Samples {
    std::vector<double> real;  // seconds per iteration, one per repetition
    std::vector<double> cpu;
    double medianReal = 0;
    double medianCpu = 0;
    std::size_t aggregated = 0;  // repetitions behind the medians above
    double realMedian() const { return real.empty() ? medianReal : median(real); }
    double cpuMedian() const { return cpu.empty() ? medianCpu : median(cpu); }
    std::size_t repetitions() const { return real.empty() ? aggregated : real.size(); }
  };

  static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }

  static double perSecond(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond: return 1e9;
      case benchmark::kMicrosecond: return 1e6;
      case benchmark::kMillisecond: return 1e3;
      case benchmark::kSecond: return 1;
    }
    return 1;
  }

  const Samples* find(const std::string& key) const {
    const auto it = samples_.find(key);
    return it == samples_.end() ? nullptr : &it->second;
  }

  std::map<std::string, Samples> samples_;
};

// Runs the benchmarks named on the command line (all by default), then prints `ratios`.
inline int runBenchmarks(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios(ratios);
  benchmark::Shutdown();
  return 0;
}

}  // namespace tarvo::bench
