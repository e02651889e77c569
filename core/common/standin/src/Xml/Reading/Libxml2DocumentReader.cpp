#include "Xml/Reading/DocumentReaders.hpp"

#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include <libxml/parser.h>
#include <libxml/dict.h>
#include <libxml/encoding.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/StartUp/Libxml2StartUp.hpp"
#include "Xml/Reading/TextPositions.hpp"
#include "Xml/Reading/TreeBuilder.hpp"
#include "Xml/Reading/Utf8Text.hpp"
#include "Xml/Text/XmlCharacters.hpp"

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

// The characters of names (colons included) that end at offset.
std::string_view nameEndingAt(const char* text, std::size_t offset)
{
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t start = offset;
    while (start > 0)
    {
        std::size_t previous = start - 1;
        while (previous > 0 && (bytes[previous] & 0xC0) == 0x80)
            --previous;
        std::size_t next = previous;
        const char32_t c = decodeUtf8(bytes, offset, next);
        if (next != start || (c != ':' && !isNameChar(c)))
            break;
        start = previous;
    }
    return std::string_view(text + start, offset - start);
}

// The text between the quotes of an attribute value whose closing quote
// ends at offset; empty if none does.
std::string_view quotedValueEndingAt(const char* text, std::size_t offset)
{
    const char quote = offset == 0 ? 0 : text[offset - 1];
    if (quote != '"' && quote != '\'')
        return std::string_view();
    const std::string_view before(text, offset - 1);
    const std::size_t opening = before.rfind(quote);
    return opening == std::string_view::npos ? std::string_view() : before.substr(opening + 1);
}

// What a document error of libxml2 stands for. libxml2 looks names past
// ASCII and the URIs of prefixes up in its dictionary without checking
// every lookup: one that runs out of memory comes out as a missing name or
// an empty URI, and the document as malformed, with the parser just past
// the name or the URI's quoted value.
enum class ErrorWitness
{
    Stands,       // the document is malformed
    OutOfMemory,  // an allocation failed
    ReadAgain,    // either; the error stands if a second read finds it again
};

ErrorWitness witnessOf(const xmlError& error, xmlParserCtxtPtr context, const char* text)
{
    // The message is made for each error: none means that it could not be.
    if (error.message == nullptr)
        return ErrorWitness::OutOfMemory;
    const long offset = xmlByteConsumed(context);
    const bool missingName = error.code == XML_ERR_NAME_REQUIRED || error.code == XML_NS_ERR_QNAME
                             || error.code == XML_ERR_PI_NOT_STARTED;
    const bool emptyUri
        = error.code == XML_NS_ERR_XML_NAMESPACE && std::strstr(error.message, "Empty XML namespace") != nullptr;
    if (offset < 0 || (!missingName && !emptyUri))
        return ErrorWitness::Stands;
    const std::size_t at = static_cast<std::size_t>(offset);
    if (emptyUri)
        return quotedValueEndingAt(text, at).empty() ? ErrorWitness::Stands : ErrorWitness::OutOfMemory;
    // A missing name with no name before the parser stands. Otherwise the
    // dictionary is asked for that name: if it cannot take it now, memory
    // is short; if it can, the failure may have passed, or the name is
    // genuinely out of place.
    const std::string_view name = nameEndingAt(text, at);
    if (name.empty())
        return ErrorWitness::Stands;
    const xmlChar* const stored = xmlDictLookup(context->dict, reinterpret_cast<const xmlChar*>(name.data()),
                                                static_cast<int>(name.size()));
    return stored == nullptr ? ErrorWitness::OutOfMemory : ErrorWitness::ReadAgain;
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
    const char* text = nullptr;  // the UTF-8 text the parser reads
    TextPositions positions{nullptr, 0, TextLayout{}};
    // Whether the document error that ended the read must be found again.
    bool errorToConfirm = false;

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
    if (error->level == XML_ERR_WARNING || error->code == XML_WAR_NS_URI || read.failure)
        return;
    const ErrorWitness witness = witnessOf(*error, read.context, read.text);
    if (witness == ErrorWitness::OutOfMemory)
        return read.runOutOfMemory();
    read.errorToConfirm = witness == ErrorWitness::ReadAgain;
    read.run([&] {
        std::string message = error->message;
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

// A parser context over the text, made so that nothing leaks when an
// allocation fails on the way (xmlCreateMemoryParserCtxt loses its input
// buffer then).
//
// The whole text is in the parser's buffer from the start, and the buffer
// has no read callback, so that libxml2 never grows it: growing a buffer
// of more than 1 GiB fails, since libxml2 counts its room in an int.
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
        buffer->readcallback = nullptr;
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

// One read of UTF-8 text, its errors placed in it as laid out; whether a
// document error it ends in must be found again comes out in
// errorToConfirm.
std::unique_ptr<XMLNode> readOnce(const char* text, std::size_t length, const TextLayout& layout, std::size_t budget,
                                  bool& errorToConfirm)
{
    Read read;
    read.builder.reset(budget, TreeBuilder::ParserNames::Interned);
    read.text = text;
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

    errorToConfirm = read.errorToConfirm;
    if (read.failure)
        std::rethrow_exception(read.failure);
    if (!wellFormed)
        throw Exceptions::DomException("XML parse error: the document is not well-formed");
    return read.builder.takeRoot();
}

// A document error that may stand for an allocation that failed only
// once stands when a second read finds it again: libxml2's verdict on a
// text is otherwise always the same. Any other outcome of the second read
// means that an allocation failed in the first, which then ends in
// std::bad_alloc.
std::unique_ptr<XMLNode> readConfirmingErrors(const char* text, std::size_t length, const TextLayout& layout,
                                              std::size_t budget)
{
    bool errorToConfirm = false;
    try
    {
        return readOnce(text, length, layout, budget, errorToConfirm);
    }
    catch (Exceptions::DomException& error)
    {
        if (!errorToConfirm)
            throw;
        try
        {
            readOnce(text, length, layout, budget, errorToConfirm);
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
    return readConfirmingErrors(copy.data(), copy.size(), utf8CopyLayout(layout), budget);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
