#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>

#include <limits>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/Reading/DocumentReaders.hpp"
#include "Xml/Reading/TextPositions.hpp"
#include "Xml/Reading/TreeBuilder.hpp"
#include "Xml/Text/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

static_assert(SAXToNodeParser::fgMaxDepth == TreeBuilder::kMaxDepth, "one depth limit for every parser");

namespace {

// Up to this many code units, text is written into room made once for the
// longest UTF-8 it can take; longer text grows its scratch as it goes, so
// that no scratch holds much more than the longest text.
const std::size_t kShortText = 1024;

std::string_view utf8(std::string& scratch, const XMLCh* text, std::size_t length)
{
    if (length > kShortText)
    {
        scratch.clear();
        appendUtf8(scratch, text, length);
        return scratch;
    }
    // The scratch's size is then its room, and it only grows.
    if (scratch.size() < kUtf8BytesPerUnit * kShortText)
        scratch.resize(kUtf8BytesPerUnit * kShortText);
    return std::string_view(scratch.data(), writeUtf8(&scratch[0], text, length));
}

std::string_view utf8(std::string& scratch, const XMLCh* text)
{
    return text == nullptr ? std::string_view() : utf8(scratch, text, utf16Length(text));
}

} // namespace

SAXToNodeParser::SAXToNodeParser()
    : fBuilder(new TreeBuilder())
    , fLocator(nullptr)
    , fBudget(std::numeric_limits<std::size_t>::max())
    , fTextPositions(nullptr)
{
}

SAXToNodeParser::~SAXToNodeParser()
{
}

template <class Step>
void SAXToNodeParser::build(Step step)
{
    try
    {
        step();
    }
    catch (const TreeBuilder::Refusal& refusal)
    {
        refuse(refusal.reason);
    }
}

std::unique_ptr<XMLNode> SAXToNodeParser::takeRoot()
{
    return fBuilder->takeRoot();
}

void SAXToNodeParser::setDocumentLocator(const xercesc::Locator* const locator)
{
    fLocator = locator;
    fBuilder->reset(fBudget, TreeBuilder::ParserNames::Transient);
}

// Comes for each declaration of an element before the element starts.
void SAXToNodeParser::startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri)
{
    build([&] { fBuilder->declareNamespace(utf8(fScratchName, prefix), utf8(fScratchUri, uri)); });
}

void SAXToNodeParser::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                   const XMLCh* const, const xercesc::Attributes& attrs)
{
    build([&] {
        fBuilder->startElement(utf8(fScratchUri, uri), utf8(fScratchName, localname));
        const XMLSize_t count = attrs.getLength();
        for (XMLSize_t i = 0; i < count; ++i)
        {
            fBuilder->addAttribute(utf8(fScratchUri, attrs.getURI(i)), utf8(fScratchName, attrs.getLocalName(i)),
                                   utf8(fScratchValue, attrs.getValue(i)));
        }
    });
}

void SAXToNodeParser::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const)
{
    build([&] { fBuilder->endElement(); });
}

void SAXToNodeParser::characters(const XMLCh* const chars, const XMLSize_t length)
{
    build([&] { fBuilder->appendText(utf8(fScratchValue, chars, length)); });
}

void SAXToNodeParser::countProcessingInstruction(const XMLCh* target)
{
    build([&] { fBuilder->processingInstruction(utf8(fScratchName, target)); });
}

void SAXToNodeParser::startDTD(const XMLCh* const, const XMLCh* const, const XMLCh* const)
{
    refuse("document type declarations are not accepted");
}

xercesc::InputSource* SAXToNodeParser::resolveEntity(const XMLCh* const, const XMLCh* const systemId)
{
    refuse("external entity \"" + toUtf8(systemId) + "\" refused");
}

void SAXToNodeParser::warning(const xercesc::SAXParseException&)
{
}

void SAXToNodeParser::error(const xercesc::SAXParseException& exc)
{
    throwParseError(exc);
}

void SAXToNodeParser::fatalError(const xercesc::SAXParseException& exc)
{
    throwParseError(exc);
}

void SAXToNodeParser::throwParseError(const xercesc::SAXParseException& exc) const
{
    const TextPosition at = positionOf(exc.getLineNumber(), exc.getColumnNumber());
    throw parseErrorAt(at.line, at.column, toUtf8(exc.getMessage()));
}

void SAXToNodeParser::refuse(const std::string& reason) const
{
    if (fLocator == nullptr)
        throw Exceptions::DomException("XML document refused: " + reason);
    const TextPosition at = positionOf(fLocator->getLineNumber(), fLocator->getColumnNumber());
    throw refusalAt(at.line, at.column, reason);
}

TextPosition SAXToNodeParser::positionOf(XMLFileLoc line, XMLFileLoc column) const
{
    if (fTextPositions == nullptr)
        return TextPosition{static_cast<long long>(line), static_cast<long long>(column)};
    return fTextPositions->atUtf16Column(static_cast<long long>(line), static_cast<long long>(column));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
