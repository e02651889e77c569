#include "RatioReporter.hpp"

#include <cstdio>
#include <ostream>

#include "BenchSizes.hpp"

namespace Brisvale {
namespace Bench {

namespace {

std::string sizeLabel(std::int64_t size)
{
    switch (size)
    {
    case kSmallDocument:
        return "10 KB";
    case kMediumDocument:
        return "1 MB";
    case kLargeDocument:
        return "50 MB";
    default:
        return std::to_string(size);
    }
}

std::string format(const char* pattern, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

RatioReporter::RatioReporter(OutputOptions options)
    : ConsoleReporter(options)
{
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
    {
        if (run.error_occurred || run.run_type != Run::RT_Iteration)
            continue;
        // Document benchmarks count bytes, the scaling ones items.
        auto rate = run.counters.find("bytes_per_second");
        if (rate == run.counters.end())
            rate = run.counters.find("items_per_second");
        if (rate == run.counters.end() || run.run_name.args.empty())
            continue;
        const std::int64_t size = std::stoll(run.run_name.args);
        Throughput& throughput = fThroughputs[run.run_name.function_name][size];
        throughput.sum += rate->second.value;
        throughput.count += 1;
    }
}

void RatioReporter::Finalize()
{
    ConsoleReporter::Finalize();
    if (fThroughputs.empty())
        return;
    std::ostream& out = GetOutputStream();
    out << "\nThroughput ratios (higher is better)\n";
    printRatio(out, "write: WriteRequest / WriteBaseline", "WriteRequest", "WriteBaseline",
               ">= 0.70");
    printRatio(out, "write: WriteRequest / WriteLimit", "WriteRequest", "WriteLimit", ">= 0.60");
    printRatio(out, "read: ReadResponse / SaxScanResponse", "ReadResponse", "SaxScanResponse",
               ">= 1.30");
    printRatio(out, "libxml2 scan / SaxScanResponse", "Libxml2ScanResponse", "SaxScanResponse", "");
    printRatio(out, "expat scan / SaxScanResponse", "ExpatScanResponse", "SaxScanResponse", "");
    printRatio(out, "text to tree / SaxScanResponse", "ReadTextToTree", "SaxScanResponse", "");

    out << "\nGrowth: time for 50 times the work, as a multiple of the time for the smaller"
           " (linear: 50, budget: <= 55)\n";
    for (const auto& [name, bySize] : fThroughputs)
    {
        // The largest size that has one fifty times as large.
        for (auto size = bySize.rbegin(); size != bySize.rend(); ++size)
        {
            if (bySize.count(size->first * 50) != 0)
            {
                printGrowth(out, name, size->first);
                break;
            }
        }
    }
    out.flush();
}

void RatioReporter::printRatio(std::ostream& out, const std::string& label,
                               const std::string& measured, const std::string& baseline,
                               const std::string& budget) const
{
    std::string line = "  " + label;
    line.resize(42, ' ');
    bool any = false;
    for (std::int64_t size : {kSmallDocument, kMediumDocument, kLargeDocument})
    {
        const Throughput* numerator = find(measured, size);
        const Throughput* denominator = find(baseline, size);
        if (numerator == nullptr || denominator == nullptr)
            continue;
        line += sizeLabel(size) + ": "
                + format("%.2f", numerator->mean() / denominator->mean()) + "   ";
        any = true;
    }
    if (!any)
        return;
    if (!budget.empty())
        line += "budget " + budget;
    out << line << '\n';
}

void RatioReporter::printGrowth(std::ostream& out, const std::string& name,
                                std::int64_t size) const
{
    const Throughput* smaller = find(name, size);
    const Throughput* larger = find(name, size * 50);
    if (smaller == nullptr || larger == nullptr)
        return;
    // Time grows with the work over the rate. Document texts are as close to
    // 50 times apart as whole parts allow, and the rates are per byte, so
    // the ratio of rates gives the figure for exactly 50 times the text.
    const double growth = 50.0 * smaller->mean() / larger->mean();
    std::string line = "  " + name + " (" + sizeLabel(size) + " to " + sizeLabel(size * 50) + ")";
    line.resize(60, ' ');
    out << line << format("%.1f", growth) << '\n';
}

const RatioReporter::Throughput* RatioReporter::find(const std::string& name,
                                                     std::int64_t size) const
{
    const auto byName = fThroughputs.find(name);
    if (byName == fThroughputs.end())
        return nullptr;
    const auto bySize = byName->second.find(size);
    if (bySize == byName->second.end() || bySize->second.count == 0)
        return nullptr;
    return &bySize->second;
}

} // namespace Bench
} // namespace Brisvale
