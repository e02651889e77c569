// Copying and assigning message handles, which share the implementation
// object, and building default messages.

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>

#include "BenchDocuments.hpp"
#include "BenchSizes.hpp"

namespace Brisvale {
namespace Bench {

namespace {

namespace Dm = ::Brisvale::Schemas::Cad::_2007_01::Datamanagement;

// The cost does not depend on how much data the message holds.
void CopyRequestHandle(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
    {
        Dm::CreateOrUpdatePartsInput copy(documents.request);
        benchmark::DoNotOptimize(&copy);
    }
    state.SetItemsProcessed(state.iterations());
}

void AssignRequestHandle(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    const Dm::CreateOrUpdatePartsInput empty;
    Dm::CreateOrUpdatePartsInput target;
    for (auto _ : state)
    {
        target = documents.request;
        benchmark::DoNotOptimize(&target);
        target = empty;
        benchmark::DoNotOptimize(&target);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void DefaultRequest(benchmark::State& state)
{
    for (auto _ : state)
    {
        Dm::CreateOrUpdatePartsInput request;
        benchmark::DoNotOptimize(&request);
    }
    state.SetItemsProcessed(state.iterations());
}

// A part holds an item and an item revision, each with its ModelObjects.
void DefaultPartInfo(benchmark::State& state)
{
    for (auto _ : state)
    {
        Dm::PartInfo part;
        benchmark::DoNotOptimize(&part);
    }
    state.SetItemsProcessed(state.iterations());
}

void DefaultResponse(benchmark::State& state)
{
    for (auto _ : state)
    {
        Dm::CreateOrUpdatePartsResponse response;
        benchmark::DoNotOptimize(&response);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

void registerHandleBenchmarks()
{
    benchmark::RegisterBenchmark("CopyRequestHandle", CopyRequestHandle)
        ->Arg(kSmallDocument)
        ->Arg(kLargeDocument);
    benchmark::RegisterBenchmark("AssignRequestHandle", AssignRequestHandle)
        ->Arg(kSmallDocument)
        ->Arg(kLargeDocument);
    benchmark::RegisterBenchmark("DefaultRequest", DefaultRequest);
    benchmark::RegisterBenchmark("DefaultPartInfo", DefaultPartInfo);
    benchmark::RegisterBenchmark("DefaultResponse", DefaultResponse);
}

} // namespace Bench
} // namespace Brisvale
