#include "ExpatReading.hpp"

#include <cctype>
#include <cstring>
#include <new>
#include <vector>

#include <expat.h>

#include "XmlTestSupport.hpp"

namespace Brisvale {
namespace Testing {

using Soa::Common::Xml::XMLNode;

namespace {

// Between a namespace URI and a local name in expat's names: a character
// that XML 1.0 text cannot hold, even as a reference.
const char kSeparator = '\x01';

// The readers' limits. Below 16 KiB no document comes near the memory of
// its tree or the number of distinct names that they allow.
const std::size_t kMaxDepth = 1000;
const std::size_t kMaxAttributes = 256;
const std::size_t kMaxDeclarationsInScope = 256;
const std::size_t kMaxLength = 16 * 1024;

// The character of UTF-8 text at a byte, which `at` then passes; 0 where
// the bytes are not UTF-8.
char32_t decodeUtf8(const char* text, std::size_t length, std::size_t& at)
{
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(at) < 0xC0)
        return byte(at++);
    const int following = byte(at) < 0xE0 ? 1 : byte(at) < 0xF0 ? 2 : 3;
    char32_t c = byte(at++) & (0x3F >> following);
    for (int i = 0; i < following; ++i, ++at) {
        if (at >= length || (byte(at) & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (byte(at) & 0x3F);
    }
    return c;
}

void appendUtf8(std::string& text, char32_t c)
{
    int following = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    text += static_cast<char>(following == 0 ? c : ~(0xFFu >> (following + 1)) | c >> 6 * following);
    while (following-- > 0)
        text += static_cast<char>(0x80 | (c >> 6 * following & 0x3F));
}

// Whether a non-ASCII character may stand in a name by the fifth edition
// of XML 1.0, which libxml2 and Xerces follow. Expat keeps tables of its
// own, from the earlier editions, which differ from it both ways.
bool isNameCharacter(char32_t c)
{
    const std::pair<char32_t, char32_t> ranges[] = {
        {0xB7, 0xB7},     {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x37D},    {0x37F, 0x1FFF},
        {0x200C, 0x200D}, {0x203F, 0x2040}, {0x2070, 0x218F}, {0x2C00, 0x2FEF}, {0x3001, 0xD7FF},
        {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    for (const auto& [first, last] : ranges)
        if (c >= first && c <= last)
            return true;
    return false;
}

// Whether the fifth edition allows each character of a name that expat took.
bool isFifthEditionName(const char* name)
{
    const std::size_t length = std::strlen(name);
    for (std::size_t at = 0; at < length;) {
        const char32_t c = decodeUtf8(name, length, at);
        if (c >= 0x80 ? !isNameCharacter(c) : std::strchr("-._:", static_cast<int>(c)) == nullptr && !std::isalnum(static_cast<int>(c)))
            return false;
    }
    return true;
}

bool expatTakesInName(char32_t c)
{
    std::string document = "<a";
    appendUtf8(document, c);
    document += "/>";
    const XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr)
        throw std::bad_alloc();
    const bool parsed = XML_Parse(parser, document.data(), static_cast<int>(document.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return parsed;
}

// UTF-16 as expat detects it: 0 for none, 1 for little-endian, 2 for big-endian.
int utf16Order(const char* data, std::size_t length)
{
    const std::string start(data, std::min<std::size_t>(length, 2));
    if (start == "\xFF\xFE" || start == std::string("<\0", 2))
        return 1;
    return start == "\xFE\xFF" || start == std::string("\0<", 2) ? 2 : 0;
}

char32_t utf16Unit(const char* data, std::size_t length, std::size_t at, int order)
{
    if (at + 1 >= length)
        return 0;
    const auto byte = [data](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(data[i])); };
    return order == 1 ? byte(at) | byte(at + 1) << 8 : byte(at) << 8 | byte(at + 1);
}

bool isSurrogate(char32_t unit, char32_t first)
{
    return (unit & 0xFC00) == first;
}

// Expat takes the unit after a leading surrogate without looking at it.
bool hasUnpairedSurrogate(const char* data, std::size_t length, int order)
{
    for (std::size_t at = 0; at + 1 < length; at += 2) {
        const char32_t unit = utf16Unit(data, length, at, order);
        if (isSurrogate(unit, 0xDC00)
            || (isSurrogate(unit, 0xD800) && !isSurrogate(utf16Unit(data, length, at += 2, order), 0xDC00)))
            return true;
    }
    return false;
}

struct TreeBuild
{
    std::string mark;      // the document's byte-order mark, as the encoding it names
    std::string declared;  // the encoding its declaration names
    std::unique_ptr<XMLNode> root;
    std::vector<XMLNode*> open;
    std::size_t newDeclarations = 0;
    std::size_t declarationsInScope = 0;
    std::string outsideScope;

    void leaveScope(const std::string& why)
    {
        if (outsideScope.empty())
            outsideScope = why;
    }

    void checkName(const char* name)
    {
        if (name != nullptr && !isFifthEditionName(name))
            leaveScope("a name that the fifth edition of XML 1.0 does not allow");
    }

    // The character that starts at a byte of the document.
    char32_t characterAt(const char* data, std::size_t length, std::size_t at) const
    {
        if (const int order = utf16Order(data, length); order != 0) {
            const char32_t unit = utf16Unit(data, length, at, order);
            if (!isSurrogate(unit, 0xD800))
                return unit;
            return 0x10000 + ((unit & 0x3FF) << 10) + (utf16Unit(data, length, at + 2, order) & 0x3FF);
        }
        if (at >= length || declared == "ISO-8859-1" || declared == "US-ASCII")
            return at < length ? static_cast<unsigned char>(data[at]) : 0;
        return decodeUtf8(data, length, at);
    }
};

TreeBuild& buildOf(void* data)
{
    return *static_cast<TreeBuild*>(data);
}

std::string upperCase(std::string text)
{
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::string byteOrderMark(const char* data, std::size_t length)
{
    const std::string start(data, std::min<std::size_t>(length, 3));
    if (start == "\xEF\xBB\xBF")
        return "UTF-8";
    return start.compare(0, 2, "\xFE\xFF") == 0 || start.compare(0, 2, "\xFF\xFE") == 0 ? "UTF-16" : "";
}

void onDeclaration(void* data, const XML_Char* version, const XML_Char* encoding, int)
{
    TreeBuild& build = buildOf(data);
    if (version != nullptr && std::strcmp(version, "1.0") != 0)
        build.leaveScope(std::string("XML version ") + version);
    if (encoding == nullptr)
        return;
    const std::string name = upperCase(encoding);
    build.declared = name;
    if (name != "UTF-8" && name != "UTF-16" && name != "US-ASCII" && name != "ISO-8859-1")
        build.leaveScope("the encoding " + name);
    if (!build.mark.empty() && build.mark != name)
        build.leaveScope("a " + build.mark + " byte-order mark on a document declared " + name);
}

void onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    buildOf(data).leaveScope("a document type declaration");
}

void onInstruction(void* data, const XML_Char* target, const XML_Char*)
{
    buildOf(data).checkName(target);
}

void onStartNamespace(void* data, const XML_Char* prefix, const XML_Char*)
{
    TreeBuild& build = buildOf(data);
    build.checkName(prefix);
    ++build.newDeclarations;
    if (++build.declarationsInScope > kMaxDeclarationsInScope)
        build.leaveScope("too many namespace declarations in scope");
}

void onEndNamespace(void* data, const XML_Char*)
{
    --buildOf(data).declarationsInScope;
}

void onStartElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    TreeBuild& build = buildOf(data);
    auto node = std::make_unique<XMLNode>();
    const char* local = std::strchr(name, kSeparator);
    node->setNamespaceUri(local == nullptr ? std::string() : std::string(name, local));
    node->setName(local == nullptr ? name : local + 1);
    build.checkName(local == nullptr ? name : local + 1);
    std::size_t count = build.newDeclarations;
    for (; *attributes != nullptr; attributes += 2, ++count) {
        const char* attributeLocal = std::strchr(attributes[0], kSeparator);
        build.checkName(attributeLocal == nullptr ? attributes[0] : attributeLocal + 1);
        node->setAttr(attributeLocal == nullptr ? std::string(attributes[0])
                                                : "{" + std::string(attributes[0], attributeLocal) + "}" + (attributeLocal + 1),
                      attributes[1]);
    }
    build.newDeclarations = 0;
    if (count > kMaxAttributes)
        build.leaveScope("too many attributes on an element");
    if (build.open.size() >= kMaxDepth)
        build.leaveScope("elements nested too deep");
    XMLNode* added = build.open.empty() ? (build.root = std::move(node)).get()
                                        : build.open.back()->addChild(std::move(node));
    build.open.push_back(added);
}

void onEndElement(void* data, const XML_Char*)
{
    buildOf(data).open.pop_back();
}

void onCharacters(void* data, const XML_Char* text, int length)
{
    buildOf(data).open.back()->appendText(std::string(text, static_cast<std::size_t>(length)));
}

} // namespace

ExpatReading readWithExpat(const char* data, std::size_t length)
{
    using Verdict = ExpatReading::Verdict;
    if (length > kMaxLength)
        return {Verdict::outsideScope, nullptr, "longer than " + std::to_string(kMaxLength) + " bytes"};
    TreeBuild build;
    build.mark = byteOrderMark(data, length);
    const XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
    if (parser == nullptr)
        throw std::bad_alloc();
    XML_SetUserData(parser, &build);
    XML_SetXmlDeclHandler(parser, onDeclaration);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    XML_SetProcessingInstructionHandler(parser, onInstruction);
    XML_SetNamespaceDeclHandler(parser, onStartNamespace, onEndNamespace);
    XML_SetElementHandler(parser, onStartElement, onEndElement);
    XML_SetCharacterDataHandler(parser, onCharacters);
    const bool parsed = XML_Parse(parser, data, static_cast<int>(length), XML_TRUE) == XML_STATUS_OK;
    const XML_Error error = XML_GetErrorCode(parser);
    const std::size_t errorAt = static_cast<std::size_t>(XML_GetCurrentByteIndex(parser));
    const std::string reason = parsed ? std::string()
                                      : XML_ErrorString(error) + std::string(" at line ")
                                            + std::to_string(XML_GetCurrentLineNumber(parser)) + ", column "
                                            + std::to_string(XML_GetCurrentColumnNumber(parser));
    XML_ParserFree(parser);

    if (error == XML_ERROR_UNKNOWN_ENCODING)
        return {Verdict::outsideScope, nullptr, reason};
    // Where expat finds no token at a character that only the fifth edition
    // lets into names, the editions differ, and expat has no opinion to give.
    const char32_t atError = error == XML_ERROR_INVALID_TOKEN ? build.characterAt(data, length, errorAt) : 0;
    if (isNameCharacter(atError) && !expatTakesInName(atError))
        return {Verdict::outsideScope, nullptr, "a name character of the fifth edition of XML 1.0"};
    if (!parsed)
        return {Verdict::malformed, nullptr, reason};
    if (const int order = utf16Order(data, length); order != 0 && hasUnpairedSurrogate(data, length, order))
        return {Verdict::malformed, nullptr, "an unpaired surrogate"};
    // Expat lets half a character after the root pass in some states.
    if (utf16Order(data, length) != 0 && length % 2 != 0)
        return {Verdict::malformed, nullptr, "UTF-16 text that ends in half a character"};
    if (!build.outsideScope.empty())
        return {Verdict::outsideScope, nullptr, build.outsideScope};
    return {Verdict::wellFormed, std::move(build.root), std::string()};
}

std::string disagreementWithExpat(const ExpatReading& expat, const XMLNode* root, const std::string& refusal)
{
    switch (expat.verdict) {
    case ExpatReading::Verdict::malformed:
        return root == nullptr ? std::string() : "expat refuses it (" + expat.reason + "), the reader reads it";
    case ExpatReading::Verdict::wellFormed:
        if (root == nullptr)
            return "expat reads it, the reader refuses it: " + refusal;
        return firstTreeDifference(*root, *expat.root);
    default:
        return std::string();
    }
}

} // namespace Testing
} // namespace Brisvale
