#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>

#include <map>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/PackedAttributes.hpp"
#include "Xml/SharedText.hpp"
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

// Makes room for one more element without reallocating on every call, as
// reserve(size() + 1) would.
template <class Vector>
void reserveOneMore(Vector& vector)
{
    if (vector.size() == vector.capacity())
        vector.reserve(vector.empty() ? 8 : 2 * vector.size());
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

SAXToNodeParser::~SAXToNodeParser()
{
    releaseUnfinished();
    releaseSharedTexts();
}

void SAXToNodeParser::releaseSharedTexts()
{
    for (const auto& entry : fSharedTexts)
        XMLNode::SharedText::release(entry.second);
    fSharedTexts.clear();
}

XMLNode::SharedText& SAXToNodeParser::sharedText(const XMLCh* text)
{
    assignUtf8(fScratchText, text);
    const auto found = fSharedTexts.find(fScratchText);
    if (found != fSharedTexts.end())
        return *found->second;
    std::unique_ptr<XMLNode::SharedText> shared(XMLNode::SharedText::create(fScratchText));
    fSharedTexts.emplace(fScratchText, shared.get());
    return *shared.release();
}

void SAXToNodeParser::releaseUnfinished()
{
    // Open nodes have no children yet; closed children are whole subtrees.
    for (XMLNode* node : fClosedChildren)
        delete node;
    for (XMLNode* node : fOpenNodes)
        delete node;
    fClosedChildren.clear();
    fOpenNodes.clear();
    fOpenUris.clear();
    fChildStarts.clear();
}

void SAXToNodeParser::startDocument()
{
    releaseUnfinished();
    fRoot.reset();
    releaseSharedTexts();
}

std::unique_ptr<XMLNode> SAXToNodeParser::takeRoot()
{
    // After a failure, close what is still open so that the tree holds
    // everything read.
    while (!fOpenNodes.empty())
        closeCurrent();
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

    // Room first, so that once the node exists nothing can fail before the
    // handler holds it.
    reserveOneMore(fOpenNodes);
    reserveOneMore(fOpenUris);
    reserveOneMore(fChildStarts);

    std::unique_ptr<XMLNode> node(new XMLNode());
    // The parser hands out one pointer per URI for a whole document: an
    // element whose URI pointer is its parent's shares its parent's text
    // without a lookup.
    if (!fOpenNodes.empty() && uri == fOpenUris.back())
    {
        if (fOpenNodes.back()->fNamespaceUri != nullptr)
            node->shareNamespaceUri(*fOpenNodes.back()->fNamespaceUri);
    }
    else if (uri != nullptr && uri[0] != 0)
    {
        node->shareNamespaceUri(sharedText(uri));
    }
    node->shareName(sharedText(localname));
    if (attrs.getLength() != 0)
        packAttributes(*node, attrs);

    fOpenNodes.push_back(node.release());
    fOpenUris.push_back(uri);
    fChildStarts.push_back(fClosedChildren.size());
}

void SAXToNodeParser::packAttributes(XMLNode& node, const xercesc::Attributes& attrs)
{
    const XMLSize_t count = attrs.getLength();
    bool anyQualified = false;
    fPackedAttributes.clear();
    for (XMLSize_t i = 0; i < count; ++i)
    {
        const XMLCh* attributeUri = attrs.getURI(i);
        if (attributeUri != nullptr && attributeUri[0] != 0)
        {
            anyQualified = true;
            continue;
        }
        // The parser refuses two unqualified attributes of one name, so
        // these go in as they come.
        const XMLCh* name = attrs.getLocalName(i);
        std::size_t field = beginField(fPackedAttributes);
        appendUtf8(fPackedAttributes, name, utf16Length(name));
        endField(fPackedAttributes, field);
        const XMLCh* value = attrs.getValue(i);
        field = beginField(fPackedAttributes);
        appendUtf8(fPackedAttributes, value, utf16Length(value));
        endField(fPackedAttributes, field);
    }
    if (!anyQualified)
    {
        node.adoptPackedAttributes(fPackedAttributes, count);
        return;
    }

    // Attributes are keyed by local name. Should a namespaced attribute
    // share its local name with another, the unqualified one (the only kind
    // the messages write) wins; otherwise the first one does.
    std::map<std::string, std::string> byName;
    for (int pass = 0; pass < 2; ++pass)
    {
        for (XMLSize_t i = 0; i < count; ++i)
        {
            const XMLCh* attributeUri = attrs.getURI(i);
            const bool unqualified = attributeUri == nullptr || attributeUri[0] == 0;
            if (unqualified == (pass == 0))
                byName.emplace(toUtf8(attrs.getLocalName(i)), toUtf8(attrs.getValue(i)));
        }
    }
    fPackedAttributes.clear();
    for (const auto& [name, value] : byName)
    {
        appendField(fPackedAttributes, name);
        appendField(fPackedAttributes, value);
    }
    node.adoptPackedAttributes(fPackedAttributes, byName.size());
}

void SAXToNodeParser::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const)
{
    closeCurrent();
}

void SAXToNodeParser::closeCurrent()
{
    XMLNode* node = fOpenNodes.back();
    const std::size_t start = fChildStarts.back();
    if (start == fClosedChildren.size())
        reserveOneMore(fClosedChildren);
    node->adoptChildren(fClosedChildren.data() + start,
                        fClosedChildren.data() + fClosedChildren.size());
    fClosedChildren.resize(start);

    fOpenNodes.pop_back();
    fOpenUris.pop_back();
    fChildStarts.pop_back();
    if (fOpenNodes.empty())
        fRoot.reset(node);
    else
        fClosedChildren.push_back(node);
}

void SAXToNodeParser::characters(const XMLCh* const chars, const XMLSize_t length)
{
    if (fOpenNodes.empty() || length == 0)
        return;
    appendUtf8(fOpenNodes.back()->textForAppend(), chars, length);
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
