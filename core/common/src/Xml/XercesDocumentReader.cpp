#include "Xml/DocumentReaders.hpp"

#include <new>

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

#include "Xml/TreeBuilder.hpp"
#include "Xml/Utf16.hpp"
#include "Xml/XercesStartUp.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

void configure(xercesc::SAX2XMLReader& reader)
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
}

void setHandler(xercesc::SAX2XMLReader& reader, SAXToNodeParser& handler)
{
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    reader.setEntityResolver(&handler);
    reader.setLexicalHandler(&handler);
    reader.setDTDHandler(&handler);
}

// Each thread keeps its reader: making one costs more than many a read, and
// Xerces keeps what it made when an allocation fails while it makes one. A
// read that runs out of memory leaves the reader in the middle of a parse
// for good: it is dropped, and the thread's next read makes a new one.
thread_local std::unique_ptr<xercesc::SAX2XMLReader> tReader;

xercesc::SAX2XMLReader& threadReader()
{
    if (!tReader)
    {
        std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        configure(*reader);
        tReader = std::move(reader);
    }
    return *tReader;
}

} // namespace

std::unique_ptr<XMLNode> readWithXerces(const char* data, std::size_t length)
{
    startXerces();

    SAXToNodeParser handler;
    handler.fBudget = TreeBuilder::budgetFor(length);
    try
    {
        xercesc::SAX2XMLReader& reader = threadReader();
        setHandler(reader, handler);
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(data), length,
                                          "document", false);
        reader.parse(source);
    }
    catch (const xercesc::OutOfMemoryException&)
    {
        tReader.reset();
        throw std::bad_alloc();
    }
    catch (const XercesPanic& panic)
    {
        throw Exceptions::DomException(std::string("XML parser failure: ")
                                       + xercesc::PanicHandler::getPanicReasonString(panic.reason));
    }
    catch (const xercesc::SAXParseException& exc)
    {
        throw parseErrorAt(static_cast<long long>(exc.getLineNumber()),
                           static_cast<long long>(exc.getColumnNumber()), toUtf8(exc.getMessage()));
    }
    catch (const xercesc::SAXException& exc)
    {
        throw Exceptions::DomException("XML parse error: " + toUtf8(exc.getMessage()));
    }
    catch (const xercesc::XMLException& exc)
    {
        throw Exceptions::DomException("XML parse error: " + toUtf8(exc.getMessage()));
    }

    return handler.takeRoot();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
