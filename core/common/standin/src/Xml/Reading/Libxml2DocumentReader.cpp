#include "Xml/Reading/DocumentReaders.hpp"

#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include <libxml/parser.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/StartUp/Libxml2StartUp.hpp"
#include "Xml/Reading/TextPositions.hpp"
#include "Xml/Reading/TreeBuilder.hpp"
#include "Xml/Reading/Utf8Text.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::string_view view(const xmlChar* text)
{
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

std::string_view view(const xmlChar* begin, const xmlChar* end)
{
    return std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

// One document's read: the parser's context, the builder, and the first
// failure. libxml2 is C: nothing may be thrown through it, so a callback
// that fails keeps the failure and ends the parse, and the failure is
// thrown once the parser has returned.
struct Read
{
    xmlParserCtxtPtr context = nullptr;
    TreeBuilder builder;
    std::exception_ptr failure;
    TextPositions positions{nullptr, 0, TextLayout{}};

    // Where the parser stands, found from its offset into the UTF-8 text
    // it reads; its own line and column (which count bytes in places, and
    // no lone CR) if it cannot tell.
    TextPosition position(int parserLine, int parserColumn) const
    {
        const long offset = xmlByteConsumed(context);
        if (offset < 0)
            return TextPosition{parserLine, parserColumn};
        return positions.atByte(static_cast<std::size_t>(offset));
    }

    void keep(std::exception_ptr error)
    {
        if (!failure)
            failure = error;
    }

    // For a failure in one of the parser's events or a parse error it
    // reports, after which nothing of the parse is needed.
    void fail(std::exception_ptr error)
    {
        keep(error);
        if (context != nullptr)
            xmlStopParser(context);
    }

    // libxml2 reports a failed allocation from the middle of its work, with
    // the input buffers that stopping the parser frees still in hand (while
    // it switches encoding, say), so the parser is only marked as finished,
    // as libxml2 marks it itself when one of its parser's allocations fails;
    // it then winds up on its own.
    void runOutOfMemory()
    {
        keep(std::make_exception_ptr(std::bad_alloc()));
        if (context != nullptr)
        {
            context->instate = XML_PARSER_EOF;
            context->disableSAX = 1;
        }
    }

    // Runs one step, keeping whatever it throws; a refusal gets the
    // parser's position.
    template <class Step>
    void run(Step step)
    {
        if (failure)
            return;
        try
        {
            try
            {
                step();
            }
            catch (const TreeBuilder::Refusal& refusal)
            {
                const TextPosition at = position(xmlSAX2GetLineNumber(context), xmlSAX2GetColumnNumber(context));
                throw refusalAt(at.line, at.column, refusal.reason);
            }
        }
        catch (...)
        {
            fail(std::current_exception());
        }
    }
};

Read& readOf(void* userData)
{
    return *static_cast<Read*>(userData);
}

// Names and URIs come from the parser's dictionary: one pointer each, which
// the builder knows them by. Of the document's names, the dictionary holds
// only these and those of the predefined entities (the read stops at the
// first error), so that the builder's limit on distinct names bounds it.
void startElement(void* userData, const xmlChar* localName, const xmlChar*, const xmlChar* uri,
                  int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                  const xmlChar** attributes)
{
    Read& read = readOf(userData);
    read.run([&] {
        // Two pointers a declaration: prefix (null for the default namespace), URI.
        for (int i = 0; i < namespaceCount; ++i, namespaces += 2)
            read.builder.declareNamespace(view(namespaces[0]), view(namespaces[1]));
        read.builder.startElementWithInternedNames(reinterpret_cast<const char*>(uri),
                                                   reinterpret_cast<const char*>(localName));
        // Five pointers an attribute: local name, prefix, URI, value, value end.
        for (int i = 0; i < attributeCount; ++i, attributes += 5)
            read.builder.addAttributeWithInternedNames(reinterpret_cast<const char*>(attributes[2]),
                                                       reinterpret_cast<const char*>(attributes[0]),
                                                       view(attributes[3], attributes[4]));
    });
}

void endElement(void* userData, const xmlChar*, const xmlChar*, const xmlChar*)
{
    Read& read = readOf(userData);
    read.run([&] { read.builder.endElement(); });
}

void characters(void* userData, const xmlChar* text, int length)
{
    Read& read = readOf(userData);
    read.run([&] { read.builder.appendText(view(text, text + length)); });
}

void processingInstruction(void* userData, const xmlChar* target, const xmlChar*)
{
    Read& read = readOf(userData);
    read.run([&] { read.builder.processingInstruction(view(target)); });
}

void internalSubset(void* userData, const xmlChar*, const xmlChar*, const xmlChar*)
{
    readOf(userData).run([] { throw TreeBuilder::Refusal{"document type declarations are not accepted"}; });
}

// Warnings pass, and so does a namespace name that is not a valid URI,
// which namespace well-formedness does not ask for; the first error of any
// other kind ends the read.
void error(void* userData, xmlErrorPtr error)
{
    Read& read = readOf(userData);
    if (error->code == XML_ERR_NO_MEMORY)
        return read.runOutOfMemory();
    if (error->level == XML_ERR_WARNING || error->code == XML_WAR_NS_URI)
        return;
    read.run([&] {
        std::string message = error->message == nullptr ? "unknown error" : error->message;
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        const TextPosition at = read.position(error->line, error->int2);
        throw parseErrorAt(at.line, at.column, message);
    });
}

// Errors of libxml2 outside the parser, such as those of its buffers: only
// running out of memory concerns the read.
void libraryError(void* userData, xmlErrorPtr error)
{
    if (error->code == XML_ERR_NO_MEMORY)
        readOf(userData).runOutOfMemory();
}

// Only the events the tree needs; every other handler stays null, so that
// nothing is declared, resolved, loaded or expanded.
xmlSAXHandler makeHandler()
{
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = startElement;
    handler.endElementNs = endElement;
    handler.characters = characters;
    handler.cdataBlock = characters;
    handler.ignorableWhitespace = characters;
    handler.processingInstruction = processingInstruction;
    handler.internalSubset = internalSubset;
    handler.serror = error;
    return handler;
}

// Deep documents and large texts within the reader's own limits; never the
// network. References are replaced in the text handed over: with document
// type declarations refused, only the predefined entities and character
// references can stand there. The text is always UTF-8 (see
// readWithLibxml2), whatever encoding it declares.
const int kOptions = XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOENT | XML_PARSE_IGNORE_ENC;

// The whole text is in the parser's buffer from the start.
int noMoreInput(void*, char*, int)
{
    return 0;
}

// A parser context over the text, made so that nothing leaks when an
// allocation fails on the way (xmlCreateMemoryParserCtxt loses its input
// buffer then).
xmlParserCtxtPtr newContext(const char* data, int length)
{
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr)
        throw std::bad_alloc();
    xmlParserInputBufferPtr buffer = xmlAllocParserInputBuffer(XML_CHAR_ENCODING_NONE);
    if (buffer != nullptr && xmlParserInputBufferPush(buffer, length, data) < 0)
    {
        xmlFreeParserInputBuffer(buffer);
        buffer = nullptr;
    }
    if (buffer != nullptr)
        buffer->readcallback = noMoreInput;
    xmlParserInputPtr input = buffer == nullptr ? nullptr : xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE);
    if (input == nullptr)
        xmlFreeParserInputBuffer(buffer);
    // On failure inputPush frees the input, and with it the buffer.
    if (input == nullptr || inputPush(context, input) < 0)
    {
        xmlFreeParserCtxt(context);
        throw std::bad_alloc();
    }
    return context;
}

// One read of UTF-8 text, its errors placed in it as laid out.
std::unique_ptr<XMLNode> readOnce(const char* text, std::size_t length, const TextLayout& layout, std::size_t budget)
{
    Read read;
    read.builder.reset(budget, TreeBuilder::ParserNames::Interned);
    read.positions = TextPositions(text, length, layout);
    Libxml2ErrorScope errors(&read, libraryError);
    read.context = newContext(text, static_cast<int>(length));
    *read.context->sax = makeHandler();
    read.context->userData = &read;
    xmlCtxtUseOptions(read.context, kOptions);
    xmlParseDocument(read.context);
    const bool wellFormed = read.context->wellFormed != 0;
    if (read.context->errNo == XML_ERR_NO_MEMORY)
        read.runOutOfMemory();
    xmlFreeParserCtxt(read.context);
    read.context = nullptr;

    if (read.failure)
        std::rethrow_exception(read.failure);
    if (!wellFormed)
        throw Exceptions::DomException("XML parse error: the document is not well-formed");
    return read.builder.takeRoot();
}

// libxml2 does not always notice that one of its allocations failed: it
// takes a namespace or a name that it could not store for an empty or a
// missing one, and reports the document as malformed. Its verdict on a
// text is otherwise always the same, so a document error stands only when
// a second read finds it again; any other outcome of the second read means
// that an allocation failed in the first, which then ends in
// std::bad_alloc. Only malformed documents are read twice.
std::unique_ptr<XMLNode> readConfirmingErrors(const char* text, std::size_t length, const TextLayout& layout,
                                              std::size_t budget)
{
    try
    {
        return readOnce(text, length, layout, budget);
    }
    catch (Exceptions::DomException& error)
    {
        try
        {
            readOnce(text, length, layout, budget);
        }
        catch (Exceptions::DomException& again)
        {
            if (again.getMessage() == error.getMessage())
                throw;
        }
        throw std::bad_alloc();
    }
}

} // namespace

// libxml2 is given UTF-8 text only. Left to convert other encodings as it
// reads, it counts its place in the original text wrongly once more than
// 32,000 bytes of converted text lie ahead of it, and when growing its
// converted text runs out of memory with the parser at its start, it reads
// on through a null pointer. Text in ISO-8859-1 or UTF-16 is therefore
// converted whole first; errors are placed in the copy.
std::unique_ptr<XMLNode> readWithLibxml2(const char* data, std::size_t length, const TextLayout& layout)
{
    if (length == 0)
        throw parseErrorAt(1, 1, "the document is empty");
    // The screen has refused texts whose length, as given or in UTF-8, an
    // int cannot hold.
    startLibxml2();

    const std::size_t budget = TreeBuilder::budgetFor(length, layout.utf8Length);
    if (!needsUtf8Copy(layout.encoding))
        return readConfirmingErrors(data, length, layout, budget);
    const std::string copy = utf8Copy(data, length, layout);
    return readConfirmingErrors(copy.data(), copy.size(), TextLayout{}, budget);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
