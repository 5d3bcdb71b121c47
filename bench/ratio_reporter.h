// What every benchmark program here shares: its cases are named <case>/ours for this code base's
// side and <case>/vs_<reference> for each outside reference run on the same work, so that
// scripts/run-benchmarks can pair them from the JSON output. The reporter below passes every run
// to the console and keeps the time per iteration (the median when runs are repeated) and the
// counters of each case, for the table a program prints at its end.
#pragma once

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      std::string name = r.run_name.str();
      // A case timed by the wall clock carries a suffix that is not part of its name.
      const std::string realTime = "/real_time";
      if (name.size() > realTime.size() && name.compare(name.size() - realTime.size(), realTime.size(), realTime) == 0)
        name.resize(name.size() - realTime.size());
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (median) medians_.insert(name);
      if (median || (r.run_type == Run::RT_Iteration && !medians_.count(name))) {
        Entry& e = entries_[name];
        e.time = r.GetAdjustedRealTime();
        e.unit = r.time_unit;
        for (const auto& [key, c] : r.counters) e.counters[key] = c.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  bool Has(const std::string& name) const { return entries_.count(name) != 0; }

  // The time per iteration in nanoseconds; 0 when the case did not run.
  double Nanoseconds(const std::string& name) const {
    const auto it = entries_.find(name);
    if (it == entries_.end()) return 0;
    return it->second.time * 1e9 / benchmark::GetTimeUnitMultiplier(it->second.unit);
  }

  double Counter(const std::string& name, const std::string& key) const {
    const auto it = entries_.find(name);
    if (it == entries_.end()) return 0;
    const auto c = it->second.counters.find(key);
    return c == it->second.counters.end() ? 0 : c->second;
  }

  // a / b, or 0 when b is 0.
  static double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

 private:
  struct Entry {
    double time = 0;
    benchmark::TimeUnit unit = benchmark::kNanosecond;
    std::map<std::string, double> counters;
  };
  std::map<std::string, Entry> entries_;
  std::set<std::string> medians_;
};

}  // namespace bench
