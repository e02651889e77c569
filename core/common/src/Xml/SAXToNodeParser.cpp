#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

void assignUtf8(std::string& out, const XMLCh* text)
{
    out.clear();
    appendUtf8(out, text, utf16Length(text));
}

std::string position(XMLFileLoc line, XMLFileLoc column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

[[noreturn]] void throwParseError(const xercesc::SAXParseException& exc)
{
    throw Exceptions::DomException("XML parse error at "
                                   + position(exc.getLineNumber(), exc.getColumnNumber())
                                   + ": " + toUtf8(exc.getMessage()));
}

} // namespace

SAXToNodeParser::SAXToNodeParser()
    : fLocator(nullptr)
{
}

SAXToNodeParser::~SAXToNodeParser() = default;

std::unique_ptr<XMLNode> SAXToNodeParser::takeRoot()
{
    fOpenNodes.clear();
    fOpenUris.clear();
    return std::move(fRoot);
}

void SAXToNodeParser::setDocumentLocator(const xercesc::Locator* const locator)
{
    fLocator = locator;
}

void SAXToNodeParser::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                   const XMLCh* const, const xercesc::Attributes& attrs)
{
    if (fOpenNodes.size() >= fgMaxDepth)
        refuse("elements nested deeper than " + std::to_string(fgMaxDepth) + " levels");

    // The parser hands out one pointer per URI for a whole document: an
    // element whose URI pointer is its parent's is in its parent's
    // namespace, and the node keeps no copy of its own.
    std::unique_ptr<XMLNode> node(new XMLNode());
    if (!fOpenNodes.empty() && uri == fOpenUris.back())
    {
        node->setNamespaceUriAsParent();
    }
    else
    {
        assignUtf8(fScratchName, uri);
        node->setNamespaceUri(fScratchName);
    }
    assignUtf8(fScratchName, localname);
    node->setName(fScratchName);

    for (XMLSize_t i = 0; i < attrs.getLength(); ++i)
    {
        assignUtf8(fScratchName, attrs.getLocalName(i));
        assignUtf8(fScratchValue, attrs.getValue(i));
        // Attributes are keyed by local name. Should a namespaced attribute
        // share its local name with another, the unqualified one (the only
        // kind the messages write) wins; otherwise the first one does.
        const XMLCh* attributeUri = attrs.getURI(i);
        const bool unqualified = attributeUri == nullptr || attributeUri[0] == 0;
        if (unqualified || node->attrs().count(fScratchName) == 0)
            node->setAttr(fScratchName, fScratchValue);
    }

    fOpenNodes.reserve(fOpenNodes.size() + 1);
    fOpenUris.push_back(uri);
    if (fOpenNodes.empty())
    {
        fRoot = std::move(node);
        fOpenNodes.push_back(fRoot.get());
    }
    else
    {
        fOpenNodes.push_back(fOpenNodes.back()->addChild(std::move(node)));
    }
}

void SAXToNodeParser::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const)
{
    fOpenNodes.pop_back();
    fOpenUris.pop_back();
}

void SAXToNodeParser::characters(const XMLCh* const chars, const XMLSize_t length)
{
    if (fOpenNodes.empty())
        return;
    fScratchValue.clear();
    appendUtf8(fScratchValue, chars, length);
    fOpenNodes.back()->appendText(fScratchValue);
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

void SAXToNodeParser::refuse(const std::string& reason) const
{
    std::string where = "XML document refused";
    if (fLocator != nullptr)
        where += " at " + position(fLocator->getLineNumber(), fLocator->getColumnNumber());
    throw Exceptions::DomException(where + ": " + reason);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
