// Runs the message benchmarks. With the console output (the default) a
// summary of the budget's ratios follows the usual table.

#include <cstring>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "BenchSizes.hpp"
#include "RatioReporter.hpp"

namespace {

bool asksForOtherFormat(int argc, char** argv)
{
    const char* option = "--benchmark_format=";
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0
            && std::strcmp(argv[i] + std::strlen(option), "console") != 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const bool otherFormat = asksForOtherFormat(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    Brisvale::Bench::registerWriteBenchmarks();
    Brisvale::Bench::registerReadBenchmarks();
    Brisvale::Bench::registerHandleBenchmarks();
    Brisvale::Bench::registerScalingBenchmarks();

    if (otherFormat)
    {
        benchmark::RunSpecifiedBenchmarks();
    }
    else
    {
        int options = benchmark::ConsoleReporter::OO_Tabular;
        if (isatty(STDOUT_FILENO))
            options |= benchmark::ConsoleReporter::OO_Color;
        Brisvale::Bench::RatioReporter reporter(
            static_cast<benchmark::ConsoleReporter::OutputOptions>(options));
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    benchmark::Shutdown();
    return 0;
}
