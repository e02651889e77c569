#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>

#include "Xml/Utf16.hpp"
#include "Xml/XercesStartUp.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

bool startsWith(const char* data, std::size_t length, std::size_t at, const char* text)
{
    const std::size_t textLength = std::strlen(text);
    return at <= length && length - at >= textLength && std::memcmp(data + at, text, textLength) == 0;
}

// Xerces reports a DOCTYPE to the handler only when it has an internal
// subset or an external identifier, so a bare "<!DOCTYPE a>" would slip
// through. Look for one in the prolog (for the encodings that are ASCII
// there; other encodings still meet the handler's refusal of every DOCTYPE
// that could declare or load anything).
void refuseDoctypeInProlog(const char* data, std::size_t length)
{
    std::size_t at = startsWith(data, length, 0, "\xEF\xBB\xBF") ? 3 : 0;
    while (at < length)
    {
        const char c = data[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            ++at;
            continue;
        }
        const char* end = nullptr;
        if (startsWith(data, length, at, "<?"))
            end = "?>";
        else if (startsWith(data, length, at, "<!--"))
            end = "-->";
        else
            break;
        const std::string_view rest(data + at, length - at);
        const std::size_t found = rest.find(end, 2);
        if (found == std::string_view::npos)
            return;  // unterminated: the parser reports it
        at += found + std::strlen(end);
    }
    if (!startsWith(data, length, at, "<!DOCTYPE"))
        return;

    const std::string_view before(data, at);
    const std::size_t line = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column = lineStart == std::string_view::npos ? at + 1 : at - lineStart;
    throw Exceptions::DomException("XML parse error at line " + std::to_string(line) + ", column "
                                   + std::to_string(column) + ": document type declarations are not accepted");
}

void configure(xercesc::SAX2XMLReader& reader, SAXToNodeParser& handler)
{
    using xercesc::XMLUni;
    reader.setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
    reader.setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader.setFeature(XMLUni::fgSAX2CoreValidation, false);
    reader.setFeature(XMLUni::fgXercesDynamic, false);
    reader.setFeature(XMLUni::fgXercesSchema, false);
    reader.setFeature(XMLUni::fgXercesLoadSchema, false);
    reader.setFeature(XMLUni::fgXercesLoadExternalDTD, false);
    reader.setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);

    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    reader.setEntityResolver(&handler);
    reader.setLexicalHandler(&handler);
    reader.setDTDHandler(&handler);
}

} // namespace

std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text)
{
    return parseXmlDocument(text.data(), text.size());
}

std::unique_ptr<XMLNode> parseXmlDocument(const char* data, std::size_t length)
{
    startXerces();
    refuseDoctypeInProlog(data, length);

    SAXToNodeParser handler;
    try
    {
        std::unique_ptr<xercesc::SAX2XMLReader> reader(
            xercesc::XMLReaderFactory::createXMLReader());
        configure(*reader, handler);
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(data), length,
                                          "document", false);
        reader->parse(source);
    }
    catch (const xercesc::OutOfMemoryException&)
    {
        throw std::bad_alloc();
    }
    catch (const xercesc::SAXParseException& exc)
    {
        throw Exceptions::DomException("XML parse error at line "
                                       + std::to_string(exc.getLineNumber()) + ", column "
                                       + std::to_string(exc.getColumnNumber()) + ": "
                                       + toUtf8(exc.getMessage()));
    }
    catch (const xercesc::SAXException& exc)
    {
        throw Exceptions::DomException("XML parse error: " + toUtf8(exc.getMessage()));
    }
    catch (const xercesc::XMLException& exc)
    {
        throw Exceptions::DomException("XML parse error: " + toUtf8(exc.getMessage()));
    }

    std::unique_ptr<XMLNode> root = handler.takeRoot();
    if (!root)
        throw Exceptions::DomException("XML parse error: the document has no root element");
    return root;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
