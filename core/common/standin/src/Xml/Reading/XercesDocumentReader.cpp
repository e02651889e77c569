#include "Xml/Reading/DocumentReaders.hpp"

#include <pthread.h>

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

#include "Xml/Reading/TextPositions.hpp"
#include "Xml/Reading/TreeBuilder.hpp"
#include "Xml/Text/Utf16.hpp"
#include "Xml/StartUp/XercesStartUp.hpp"

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

} // namespace

// The reader's handler: the tree that SAXToNodeParser builds, with the
// target of every processing instruction counted among the document's
// distinct names, and the lengths of a processing instruction's data and
// of a CDATA section held to the limit of values, as libxml2 does.
class XercesReaderHandler final : public SAXToNodeParser
{
public:
    void processingInstruction(const XMLCh* const target, const XMLCh* const data) override
    {
        countProcessingInstruction(target);
        checkValueLength(data, utf16Length(data), "a processing instruction's data");
    }

    // Xerces hands a CDATA section's content in one piece between these two.
    void startCDATA() override { fInCdataSection = true; }
    void endCDATA() override { fInCdataSection = false; }

    void characters(const XMLCh* const chars, const XMLSize_t length) override
    {
        if (fInCdataSection)
            checkValueLength(chars, length, "a CDATA section");
        SAXToNodeParser::characters(chars, length);
    }

private:
    // Text of no more units than a third of the limit cannot pass it.
    void checkValueLength(const XMLCh* text, std::size_t length, const char* what) const
    {
        if (length * kUtf8BytesPerUnit <= TreeBuilder::kMaxValueLength)
            return;
        try
        {
            TreeBuilder::checkValueLength(utf8LengthOf(text, length), what);
        }
        catch (const TreeBuilder::Refusal& refusal)
        {
            refuse(refusal.reason);
        }
    }

    bool fInCdataSection = false;
};

namespace {

void setHandler(xercesc::SAX2XMLReader& reader, SAXToNodeParser& handler)
{
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    reader.setEntityResolver(&handler);
    reader.setLexicalHandler(&handler);
    reader.setDTDHandler(&handler);
}

// The encoding the screen found, which Xerces then takes as given: left to
// itself, it looks for an encoding declaration only after "<?xml" and a
// space, and reads the text as UTF-8 when a tab or a line end follows.
const XMLCh* encodingName(TextEncoding encoding)
{
    using xercesc::XMLUni;
    switch (encoding)
    {
    case TextEncoding::Utf16LittleEndian:
        return XMLUni::fgUTF16LEncodingString2;
    case TextEncoding::Utf16BigEndian:
        return XMLUni::fgUTF16BEncodingString2;
    case TextEncoding::Latin1:
        return XMLUni::fgISO88591EncodingString;
    case TextEncoding::Ascii:
        return XMLUni::fgUSASCIIEncodingString;
    case TextEncoding::Utf8:
        break;
    }
    return XMLUni::fgUTF8EncodingString;
}

// Each thread keeps its reader: making one costs more than many a read, and
// Xerces keeps what it made when an allocation fails while it makes one. A
// read that runs out of memory leaves the reader in the middle of a parse
// for good: it is dropped, and the thread's next read makes a new one.
//
// The reader goes with its thread through a key of the thread library: a
// thread_local object with a destructor would have the C library register
// that destructor on first use, and it ends the process when it cannot
// allocate for it.
thread_local xercesc::SAX2XMLReader* tReader = nullptr;

void deleteReader(void* reader)
{
    delete static_cast<xercesc::SAX2XMLReader*>(reader);
}

pthread_key_t readerKey()
{
    static const pthread_key_t key = [] {
        pthread_key_t made;
        if (pthread_key_create(&made, deleteReader) != 0)
            throw std::bad_alloc();
        return made;
    }();
    return key;
}

xercesc::SAX2XMLReader& threadReader()
{
    if (tReader == nullptr)
    {
        const pthread_key_t key = readerKey();
        std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        configure(*reader);
        if (pthread_setspecific(key, reader.get()) != 0)
            throw std::bad_alloc();
        tReader = reader.release();
    }
    return *tReader;
}

void dropThreadReader()
{
    pthread_setspecific(readerKey(), nullptr);
    delete tReader;
    tReader = nullptr;
}

} // namespace

std::unique_ptr<XMLNode> readWithXerces(const char* data, std::size_t length, const TextLayout& layout)
{
    startXerces();

    const TextPositions positions(data, length, layout);
    XercesReaderHandler handler;
    handler.fBudget = TreeBuilder::budgetFor(length, layout.utf8Length);
    handler.fTextPositions = &positions;
    try
    {
        xercesc::SAX2XMLReader& reader = threadReader();
        setHandler(reader, handler);
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(data), length,
                                          "document", false);
        source.setEncoding(encodingName(layout.encoding));
        // The stream reads the caller's text where it stands: a copy would
        // cost the text's size again, and Xerces keeps it when an
        // allocation fails as it opens the text.
        source.setCopyBufToStream(false);
        reader.parse(source);
    }
    catch (const xercesc::OutOfMemoryException&)
    {
        dropThreadReader();
        throw std::bad_alloc();
    }
    catch (const XercesPanic& panic)
    {
        throw Exceptions::DomException(std::string("XML parser failure: ")
                                       + xercesc::PanicHandler::getPanicReasonString(panic.reason));
    }
    catch (const xercesc::SAXParseException& exc)
    {
        handler.throwParseError(exc);
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
