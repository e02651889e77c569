// Costs that must grow in proportion to the count of what is written or
// read: attributes on one element, namespaces declared in one document,
// attributes of one local name in distinct namespaces, distinct names; and
// of a tree built by attaching small subtrees at the bottom of a chain.
// Each runs at two counts fifty times apart.

#include <memory>
#include <string>

#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "BenchSizes.hpp"
#include "SaxScan.hpp"

namespace Brisvale {
namespace Bench {

namespace {

using ::Brisvale::Soa::Common::Xml::XMLNode;
using ::Brisvale::Soa::Common::Xml::XmlStream;
using ::Brisvale::Soa::Common::Xml::parseXmlDocument;
using ::Brisvale::Soa::Common::Xml::toXmlString;

const char* const kUri = "http://brisvale.example/Schemas/Scaling";

std::string namespaceUri(std::int64_t number)
{
    return std::string(kUri) + "/" + std::to_string(number);
}

// One element with count attributes.
std::string writeWideElement(std::int64_t count)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kUri, "wide");
    for (std::int64_t i = 0; i < count; ++i)
        stream << stream.writeAttribute("a" + std::to_string(i), toXmlString("value " + std::to_string(i)));
    stream << stream.writeOpenElementClose(kUri, true);
    return stream.str();
}

// A root with count children, each in a namespace of its own, so that each
// child declares one more namespace than the stream has seen before.
std::string writeManyNamespaces(std::int64_t count)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kUri, "root");
    stream << stream.writeOpenElementClose(kUri, false);
    const std::string prefix = stream.getNamespacePrefix(kUri) + ":";
    for (std::int64_t i = 0; i < count; ++i)
    {
        const std::string uri = namespaceUri(i);
        stream << stream.writeOpenElement(uri, "child");
        stream << stream.writeAttribute("n", std::to_string(i));
        stream << stream.writeOpenElementClose(uri, false);
        const std::string childPrefix = stream.getNamespacePrefix(uri) + ":";
        stream << stream.writeOpenElement(uri, childPrefix + "inner");
        stream << stream.writeOpenElementClose(uri, true);
        stream << stream.writeCloseElement(uri, "child");
    }
    stream << stream.writeCloseElement(kUri, "root");
    return stream.str();
}

// A root that declares count prefixes at once, with one child per prefix.
std::string declarationsOnOneElement(std::int64_t count)
{
    std::string text = "<root xmlns=\"" + std::string(kUri) + "\"";
    for (std::int64_t i = 0; i < count; ++i)
        text += " xmlns:p" + std::to_string(i) + "=\"" + namespaceUri(i) + "\"";
    text += ">";
    for (std::int64_t i = 0; i < count; ++i)
        text += "<p" + std::to_string(i) + ":child/>";
    text += "</root>";
    return text;
}

// One element with count attributes of one local name, each in a namespace
// of its own that its parent declares.
std::string namespacedAttributes(std::int64_t count)
{
    std::string text = "<root xmlns=\"" + std::string(kUri) + "\"";
    for (std::int64_t i = 0; i < count; ++i)
        text += " xmlns:p" + std::to_string(i) + "=\"" + namespaceUri(i) + "\"";
    text += "><wide";
    for (std::int64_t i = 0; i < count; ++i)
        text += " p" + std::to_string(i) + ":a=\"" + std::to_string(i) + "\"";
    text += "/></root>";
    return text;
}

// A root with count children, each with a name of its own and an
// attribute about as long as a model object's.
std::string distinctNames(std::int64_t count)
{
    std::string text = "<root xmlns=\"" + std::string(kUri) + "\">";
    const std::string attribute = " uid=\"" + std::string(80, 'u') + "\"";
    for (std::int64_t i = 0; i < count; ++i)
        text += "<name" + std::to_string(i) + attribute + "/>";
    text += "</root>";
    return text;
}

void setItems(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

using DocumentMaker = std::string (*)(std::int64_t count);

void writeDocument(benchmark::State& state, DocumentMaker makeDocument)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(makeDocument(state.range(0)).size());
    setItems(state);
}

void readDocument(benchmark::State& state, DocumentMaker makeDocument)
{
    const std::string text = makeDocument(state.range(0));
    for (auto _ : state)
    {
        std::unique_ptr<XMLNode> root = parseXmlDocument(text);
        benchmark::DoNotOptimize(root.get());
    }
    setItems(state);
}

void saxScanDocument(benchmark::State& state, DocumentMaker makeDocument)
{
    const std::string text = makeDocument(state.range(0));
    SaxScan scanner;
    for (auto _ : state)
        scanner.scan(text);
    setItems(state);
}

// A chain of count two-node subtrees, each attached at the bottom of the
// chain so far: attaching one must cost the subtree, not the chain's depth.
void attachSubtreesAtTheBottom(benchmark::State& state)
{
    for (auto _ : state)
    {
        XMLNode top;
        XMLNode* bottom = &top;
        for (std::int64_t i = 0; i < state.range(0); ++i)
        {
            std::unique_ptr<XMLNode> pair = std::make_unique<XMLNode>();
            pair->addChild(std::make_unique<XMLNode>());
            bottom = bottom->addChild(std::move(pair))->getChildren()[0];
        }
    }
    setItems(state);
}

} // namespace

void registerScalingBenchmarks()
{
    using Runner = void (*)(benchmark::State&, DocumentMaker);
    struct Case
    {
        const char* name;
        Runner run;
        DocumentMaker makeDocument;
        std::int64_t smallCount = kSmallCount;
        std::int64_t largeCount = kLargeCount;
    };
    const Case cases[] = {
        // Reading stays within the reader's limit of attributes on one element.
        {"WriteWideElement", writeDocument, writeWideElement},
        {"ReadWideElement", readDocument, writeWideElement, 5, 250},
        {"SaxScanWideElement", saxScanDocument, writeWideElement, 5, 250},
        {"WriteManyNamespaces", writeDocument, writeManyNamespaces},
        // A prefix and a URI each: within the reader's limit of distinct names.
        {"ReadManyNamespaces", readDocument, writeManyNamespaces, 150, 7500},
        {"SaxScanManyNamespaces", saxScanDocument, writeManyNamespaces, 150, 7500},
        {"ReadDeclarationsOnOneElement", readDocument, declarationsOnOneElement, 5, 250},
        {"SaxScanDeclarationsOnOneElement", saxScanDocument, declarationsOnOneElement, 5, 250},
        {"ReadNamespacedAttributes", readDocument, namespacedAttributes, 5, 250},
        // Within the reader's limit of distinct names.
        {"ReadDistinctNames", readDocument, distinctNames, 300, 15000},
    };
    for (const Case& scalingCase : cases)
        benchmark::RegisterBenchmark(scalingCase.name, scalingCase.run, scalingCase.makeDocument)
            ->Arg(scalingCase.smallCount)
            ->Arg(scalingCase.largeCount)
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("AttachSubtreesAtTheBottom", attachSubtreesAtTheBottom)
        ->Arg(400)
        ->Arg(20000)
        ->Unit(benchmark::kMicrosecond);
}

} // namespace Bench
} // namespace Brisvale
