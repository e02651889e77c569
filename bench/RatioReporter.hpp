#ifndef BRISVALE_BENCH_RATIOREPORTER_HPP
#define BRISVALE_BENCH_RATIOREPORTER_HPP

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace Brisvale {
namespace Bench {

// The console report, followed by the figures the budget is stated in:
// throughput ratios between a benchmark and its baseline at each document
// size, and how much longer fifty times the work takes.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(OutputOptions options);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    // Bytes (or items) per second by benchmark name and argument; the mean
    // over repetitions.
    struct Throughput
    {
        double sum = 0;
        int count = 0;
        double mean() const { return sum / count; }
    };
    using ThroughputBySize = std::map<std::int64_t, Throughput>;

    void printRatio(std::ostream& out, const std::string& label, const std::string& measured,
                    const std::string& baseline, const std::string& budget) const;
    void printGrowth(std::ostream& out, const std::string& name, std::int64_t size) const;
    const Throughput* find(const std::string& name, std::int64_t size) const;

    std::map<std::string, ThroughputBySize> fThroughputs;
};

} // namespace Bench
} // namespace Brisvale

#endif
