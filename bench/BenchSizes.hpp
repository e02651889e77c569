#ifndef BRISVALE_BENCH_BENCHSIZES_HPP
#define BRISVALE_BENCH_BENCHSIZES_HPP

#include <cstdint>

#include <benchmark/benchmark.h>

namespace Brisvale {
namespace Bench {

// Target text sizes of the documents, in bytes. The largest is fifty times
// the middle one, so the two show whether the cost grows linearly.
const std::int64_t kSmallDocument = 10 << 10;
const std::int64_t kMediumDocument = 1 << 20;
const std::int64_t kLargeDocument = 50 << 20;

// Counts of attributes or namespaces in the scaling benchmarks, also fifty
// times apart.
const std::int64_t kSmallCount = 1000;
const std::int64_t kLargeCount = 50000;

using BenchmarkFunction = void (*)(benchmark::State&);

// Registers a document benchmark at the three sizes; the large document runs
// a fixed, small number of iterations to keep the whole run short.
inline void registerAtDocumentSizes(const char* name, BenchmarkFunction function)
{
    benchmark::RegisterBenchmark(name, function)
        ->Arg(kSmallDocument)
        ->Arg(kMediumDocument)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(name, function)
        ->Arg(kLargeDocument)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
}

void registerWriteBenchmarks();
void registerReadBenchmarks();
void registerHandleBenchmarks();
void registerScalingBenchmarks();

} // namespace Bench
} // namespace Brisvale

#endif
