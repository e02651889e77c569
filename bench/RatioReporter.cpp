#include "RatioReporter.hpp"

#include <cstdio>
#include <ostream>

#include "BenchSizes.hpp"

namespace Brisvale {
namespace Bench {

namespace {

const char* sizeLabel(std::int64_t size)
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
        return "?";
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
        const auto bytesPerSecond = run.counters.find("bytes_per_second");
        if (bytesPerSecond == run.counters.end() || run.run_name.args.empty())
            continue;
        const std::int64_t size = std::stoll(run.run_name.args);
        Throughput& throughput = fThroughputs[run.run_name.function_name][size];
        throughput.sum += bytesPerSecond->second.value;
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
               ">= 0.50");
    printRatio(out, "read: ReadResponse / SaxScanResponse", "ReadResponse", "SaxScanResponse",
               ">= 0.45");
    printRatio(out, "text to tree / SaxScanResponse", "ReadTextToTree", "SaxScanResponse", "");

    out << "\nGrowth: time for a document 50 times the 1 MB one, as a multiple of the 1 MB time"
           " (linear: 50, budget: <= 55)\n";
    for (const char* name : {"WriteRequest", "WriteBaseline", "ReadResponse", "SaxScanResponse",
                             "ReadTextToTree", "ReadTreeToMessage"})
        printGrowth(out, name);
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
        line += std::string(sizeLabel(size)) + ": "
                + format("%.2f", numerator->mean() / denominator->mean()) + "   ";
        any = true;
    }
    if (!any)
        return;
    if (!budget.empty())
        line += "budget " + budget;
    out << line << '\n';
}

void RatioReporter::printGrowth(std::ostream& out, const std::string& name) const
{
    const Throughput* medium = find(name, kMediumDocument);
    const Throughput* large = find(name, kLargeDocument);
    if (medium == nullptr || large == nullptr)
        return;
    // Time grows with size over throughput; the document texts are as close
    // to 50 times apart as whole parts allow, and the ratio of throughputs
    // makes the figure exact for 50 times the text.
    const double growth = 50.0 * medium->mean() / large->mean();
    std::string line = "  " + name;
    line.resize(42, ' ');
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
