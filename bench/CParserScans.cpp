#include "CParserScans.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include <expat.h>
#include <libxml/parser.h>

namespace Brisvale {
namespace Bench {

namespace {

void libxml2StartElement(void*, const xmlChar*, const xmlChar*, const xmlChar*, int,
                         const xmlChar**, int, int, const xmlChar**)
{
}

void libxml2EndElement(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

void libxml2Characters(void*, const xmlChar*, int) {}

void expatStartElement(void*, const XML_Char*, const XML_Char**) {}

void expatEndElement(void*, const XML_Char*) {}

void expatCharacters(void*, const XML_Char*, int) {}

} // namespace

bool libxml2Scan(const std::string& text)
{
    if (text.size() > INT_MAX)
        return false;
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = libxml2StartElement;
    handler.endElementNs = libxml2EndElement;
    handler.characters = libxml2Characters;
    // Fed in pieces, so that the parser holds one piece at a time rather
    // than a copy of the whole text.
    xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr);
    if (context == nullptr)
        return false;
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_HUGE);
    const std::size_t piece = 1 << 18;
    int status = 0;
    for (std::size_t at = 0; status == 0 && at < text.size(); at += piece)
    {
        const std::size_t length = std::min(piece, text.size() - at);
        status = xmlParseChunk(context, text.data() + at, static_cast<int>(length), 0);
    }
    if (status == 0)
        status = xmlParseChunk(context, nullptr, 0, 1);
    const bool wellFormed = status == 0 && context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    return wellFormed;
}

bool expatScan(const std::string& text)
{
    if (text.size() > INT_MAX)
        return false;
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x1F');
    if (parser == nullptr)
        return false;
    XML_SetElementHandler(parser, expatStartElement, expatEndElement);
    XML_SetCharacterDataHandler(parser, expatCharacters);
    const bool wellFormed =
        XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return wellFormed;
}

} // namespace Bench
} // namespace Brisvale
