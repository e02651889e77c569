// Reading a CreateOrUpdateParts response from XML text into a message, its
// two steps apart, and the SAX2 scan of the same text that bounds them.

#include <memory>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "BenchDocuments.hpp"
#include "BenchSizes.hpp"
#include "CParserScans.hpp"
#include "SaxScan.hpp"

namespace Brisvale {
namespace Bench {

namespace {

namespace Dm = ::Brisvale::Schemas::Cad::_2007_01::Datamanagement;
using ::Brisvale::Soa::Common::Xml::XMLNode;
using ::Brisvale::Soa::Common::Xml::parseXmlDocument;

void setResponseBytes(benchmark::State& state, const DocumentSet& documents)
{
    state.SetBytesProcessed(state.iterations()
                            * static_cast<std::int64_t>(documents.responseText.size()));
}

// Text to node tree to message; the tree is dropped once the message holds
// the data, as a caller would.
void ReadResponse(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
    {
        Dm::CreateOrUpdatePartsResponse response;
        {
            std::unique_ptr<XMLNode> root = parseXmlDocument(documents.responseText);
            response.parse(*root);
        }
        benchmark::DoNotOptimize(response.getOutputArray().data());
    }
    setResponseBytes(state, documents);
}

void SaxScanResponse(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    SaxScan scanner;
    for (auto _ : state)
        scanner.scan(documents.responseText);
    setResponseBytes(state, documents);
}

void Libxml2ScanResponse(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(libxml2Scan(documents.responseText));
    setResponseBytes(state, documents);
}

void ExpatScanResponse(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(expatScan(documents.responseText));
    setResponseBytes(state, documents);
}

void ReadTextToTree(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
    {
        std::unique_ptr<XMLNode> root = parseXmlDocument(documents.responseText);
        benchmark::DoNotOptimize(root.get());
    }
    setResponseBytes(state, documents);
}

void ReadTreeToMessage(benchmark::State& state)
{
    const DocumentSet& documents = documentsOfSize(static_cast<std::size_t>(state.range(0)));
    const std::unique_ptr<XMLNode> root = parseXmlDocument(documents.responseText);
    for (auto _ : state)
    {
        Dm::CreateOrUpdatePartsResponse response;
        response.parse(*root);
        benchmark::DoNotOptimize(response.getOutputArray().data());
    }
    setResponseBytes(state, documents);
}

} // namespace

void registerReadBenchmarks()
{
    registerAtDocumentSizes("ReadResponse", ReadResponse);
    registerAtDocumentSizes("SaxScanResponse", SaxScanResponse);
    registerAtDocumentSizes("Libxml2ScanResponse", Libxml2ScanResponse);
    registerAtDocumentSizes("ExpatScanResponse", ExpatScanResponse);
    registerAtDocumentSizes("ReadTextToTree", ReadTextToTree);
    registerAtDocumentSizes("ReadTreeToMessage", ReadTreeToMessage);
}

} // namespace Bench
} // namespace Brisvale
