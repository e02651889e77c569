#ifndef BRISVALE_SOA_COMMON_XML_SAXTONODEPARSER_HPP
#define BRISVALE_SOA_COMMON_XML_SAXTONODEPARSER_HPP

#include <cstddef>
#include <memory>
#include <string>

#include <xercesc/sax2/DefaultHandler.hpp>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

class TreeBuilder;
class TextPositions;
struct TextLayout;
struct TextPosition;

// Builds an XMLNode tree from the SAX2 events of one document, with the
// same tree builder as parseXmlDocument, so that both give the same tree.
//
// Refuses, with a DomException naming the position: any document type
// declaration (so no entity can be declared or expanded), any external
// entity, nesting deeper than fgMaxDepth, more namespace declarations in
// scope or distinct names than parseXmlDocument reads, and longer names,
// attribute values or namespace URIs than it reads (see the README).
// Parse errors and namespace errors are DomExceptions too. The tree under
// construction belongs to the handler until takeRoot, so nothing leaks when
// a parse fails.
class BRISVALE_SOA_COMMON_API SAXToNodeParser : public xercesc::DefaultHandler
{
public:
    static constexpr std::size_t fgMaxDepth = 1000;

    SAXToNodeParser();
    virtual ~SAXToNodeParser();

    // The finished tree; null before a document was parsed. After a failed
    // parse, what was read up to the failure.
    std::unique_ptr<XMLNode> takeRoot();

    // ContentHandler
    // The parser hands its locator before the first event of every
    // document: the handler starts afresh there, dropping what an earlier
    // parse left, finished or not.
    virtual void setDocumentLocator(const xercesc::Locator* const locator);
    virtual void startDocument() {}
    virtual void endDocument() {}
    virtual void startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri);
    virtual void startElement(const XMLCh* const uri,
                              const XMLCh* const localname,
                              const XMLCh* const qname,
                              const xercesc::Attributes& attrs);
    virtual void endElement(const XMLCh* const uri,
                            const XMLCh* const localname,
                            const XMLCh* const qname);
    virtual void characters(const XMLCh* const chars, const XMLSize_t length);
    virtual void ignorableWhitespace(const XMLCh* const, const XMLSize_t) {}
    virtual void processingInstruction(const XMLCh* const, const XMLCh* const) {}

    // LexicalHandler
    virtual void startDTD(const XMLCh* const name,
                          const XMLCh* const publicId,
                          const XMLCh* const systemId);

    // EntityResolver
    virtual xercesc::InputSource* resolveEntity(const XMLCh* const publicId,
                                                const XMLCh* const systemId);

    // ErrorHandler
    virtual void warning(const xercesc::SAXParseException& exc);
    virtual void error(const xercesc::SAXParseException& exc);
    virtual void fatalError(const xercesc::SAXParseException& exc);

private:
    SAXToNodeParser(const SAXToNodeParser&) = delete;
    SAXToNodeParser& operator=(const SAXToNodeParser&) = delete;

    friend std::unique_ptr<XMLNode> readWithXerces(const char* data, std::size_t length, const TextLayout& layout);
    friend class XercesReaderHandler;

    // Counts a processing instruction's target among the document's names.
    void countProcessingInstruction(const XMLCh* target);

    [[noreturn]] void refuse(const std::string& reason) const;
    [[noreturn]] void throwParseError(const xercesc::SAXParseException& exc) const;
    // The parser's line and column, in the terms of every reader when the
    // text is known.
    TextPosition positionOf(XMLFileLoc line, XMLFileLoc column) const;
    // Runs one step of the builder, giving a refusal the parser's position.
    template <class Step>
    void build(Step step);

    std::unique_ptr<TreeBuilder> fBuilder;
    const xercesc::Locator* fLocator;
    std::size_t fBudget;                  // of the next document's tree
    const TextPositions* fTextPositions;  // of the text being read; null if unknown
    std::string fScratchUri;
    std::string fScratchName;
    std::string fScratchValue;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
