// Writing a CreateOrUpdateParts request with outputXML into an XmlStream,
// beside the same text appended to a std::string: the baseline, and the
// hand-written limit that escapes in place into a string reserved to its
// final size.

#include <string>

#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "BaselineWriter.hpp"
#include "BenchDocuments.hpp"
#include "BenchSizes.hpp"

namespace Brisvale {
namespace Bench {

namespace {

using ::Brisvale::Soa::Common::Xml::XmlStream;

void WriteRequest(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
    {
        XmlStream stream;
        documents.request.outputXML(stream, "CreateOrUpdatePartsInput");
        benchmark::DoNotOptimize(stream.tellp());
    }
    state.SetBytesProcessed(state.iterations()
                            * static_cast<std::int64_t>(documents.requestText.size()));
    state.counters["parts"] = static_cast<double>(documents.partCount);
}

void writeByHand(benchmark::State& state, Escaping escaping, bool reserved)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    std::string check;
    appendRequestText(check, documents.request, "CreateOrUpdatePartsInput", escaping);
    if (check != documents.requestText)
    {
        state.SkipWithError("the baseline text differs from what outputXML writes");
        return;
    }
    for (auto _ : state)
    {
        std::string text;
        if (reserved)
            text.reserve(documents.requestText.size());
        appendRequestText(text, documents.request, "CreateOrUpdatePartsInput", escaping);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations()
                            * static_cast<std::int64_t>(documents.requestText.size()));
}

void WriteBaseline(benchmark::State& state)
{
    writeByHand(state, Escaping::ThroughToXmlString, false);
}

void WriteLimit(benchmark::State& state)
{
    writeByHand(state, Escaping::InPlace, true);
}

} // namespace

void registerWriteBenchmarks()
{
    registerAtDocumentSizes("WriteRequest", WriteRequest);
    registerAtDocumentSizes("WriteBaseline", WriteBaseline);
    registerAtDocumentSizes("WriteLimit", WriteLimit);
}

} // namespace Bench
} // namespace Brisvale
