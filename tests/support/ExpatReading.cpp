#include "ExpatReading.hpp"

#include <algorithm>
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

// Whether a non-ASCII character may stand in a name by the fifth edition
// of XML 1.0, which libxml2 and Xerces follow. Expat keeps tables of its
// own, from the earlier editions, which differ from it both ways.
bool isNameCharacter(char32_t c)
{
    const std::pair<char32_t, char32_t> ranges[] = {
        {0xB7, 0xB7},     {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x37D},    {0x37F, 0x1FFF},
        {0x200C, 0x200D}, {0x203F, 0x2040}, {0x2070, 0x218F}, {0x2C00, 0x2FEF}, {0x3001, 0xD7FF},
        {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Whether the fifth edition allows each character of a name that expat took.
bool isFifthEditionName(std::string_view name)
{
    for (std::size_t at = 0; at < name.size();) {
        const char32_t c = decodeUtf8(name, at);
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
int utf16Order(std::string_view text)
{
    const std::string_view start = text.substr(0, 2);
    if (start == "\xFF\xFE" || start == std::string_view("<\0", 2))
        return 1;
    return start == "\xFE\xFF" || start == std::string_view("\0<", 2) ? 2 : 0;
}

// The character of UTF-16 text at a byte, which `at` then passes; kNotUtf8
// for a surrogate that is not paired. Expat takes the unit after a leading
// surrogate without looking at it.
char32_t decodeUtf16(std::string_view text, std::size_t& at, int order)
{
    const auto unit = [&]() -> char32_t {
        const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
        at += 2;
        return order == 1 ? byte(at - 2) | byte(at - 1) << 8 : byte(at - 2) << 8 | byte(at - 1);
    };
    const char32_t first = unit();
    if ((first & 0xF800) != 0xD800)
        return first;
    const char32_t second = first < 0xDC00 ? unit() : 0;
    return (second & 0xFC00) == 0xDC00 ? 0x10000 + ((first & 0x3FF) << 10) + (second & 0x3FF) : kNotUtf8;
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

    static TreeBuild& of(void* data) { return *static_cast<TreeBuild*>(data); }

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
    char32_t characterAt(std::string_view text, std::size_t at) const
    {
        if (const int order = utf16Order(text); order != 0)
            return decodeUtf16(text, at, order);
        if (at >= text.size())
            return 0;
        if (declared == "ISO-8859-1" || declared == "US-ASCII")
            return static_cast<unsigned char>(text[at]);
        return decodeUtf8(text, at);
    }
};

void onDeclaration(void* data, const XML_Char* version, const XML_Char* encoding, int)
{
    TreeBuild& build = TreeBuild::of(data);
    if (version != nullptr && std::strcmp(version, "1.0") != 0)
        build.leaveScope(std::string("XML version ") + version);
    if (encoding == nullptr)
        return;
    std::string& name = build.declared = encoding;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name != "UTF-8" && name != "UTF-16" && name != "US-ASCII" && name != "ISO-8859-1")
        build.leaveScope("the encoding " + name);
    if (!build.mark.empty() && build.mark != name)
        build.leaveScope("a " + build.mark + " byte-order mark on a document declared " + name);
}

void onStartNamespace(void* data, const XML_Char* prefix, const XML_Char*)
{
    TreeBuild& build = TreeBuild::of(data);
    build.checkName(prefix);
    ++build.newDeclarations;
    if (++build.declarationsInScope > kMaxDeclarationsInScope)
        build.leaveScope("too many namespace declarations in scope");
}

// The local name of one of expat's names, and the namespace URI before it.
const char* splitName(const char* name, std::string& uri)
{
    const char* local = std::strchr(name, kSeparator);
    uri = local == nullptr ? std::string() : std::string(name, local);
    return local == nullptr ? name : local + 1;
}

void onStartElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    TreeBuild& build = TreeBuild::of(data);
    auto node = std::make_unique<XMLNode>();
    std::string uri;
    node->setName(splitName(name, uri));
    node->setNamespaceUri(uri);
    build.checkName(node->getName().c_str());
    std::size_t count = build.newDeclarations;
    for (; *attributes != nullptr; attributes += 2, ++count) {
        const std::string local = splitName(attributes[0], uri);
        build.checkName(local.c_str());
        node->setAttr(uri.empty() ? local : "{" + uri + "}" + local, attributes[1]);
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

} // namespace

ExpatReading readWithExpat(const char* data, std::size_t length)
{
    using Verdict = ExpatReading::Verdict;
    if (length > kMaxLength)
        return {Verdict::outsideScope, nullptr, "longer than " + std::to_string(kMaxLength) + " bytes"};
    const std::string_view text(data, length);
    TreeBuild build;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        build.mark = "UTF-8";
    else if (text.substr(0, 2) == "\xFE\xFF" || text.substr(0, 2) == "\xFF\xFE")
        build.mark = "UTF-16";
    const XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
    if (parser == nullptr)
        throw std::bad_alloc();
    XML_SetUserData(parser, &build);
    XML_SetXmlDeclHandler(parser, onDeclaration);
    XML_SetStartDoctypeDeclHandler(parser, [](void* build, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        TreeBuild::of(build).leaveScope("a document type declaration");
    });
    XML_SetProcessingInstructionHandler(parser, [](void* build, const XML_Char* target, const XML_Char*) {
        TreeBuild::of(build).checkName(target);
    });
    XML_SetNamespaceDeclHandler(parser, onStartNamespace,
                                [](void* build, const XML_Char*) { --TreeBuild::of(build).declarationsInScope; });
    XML_SetElementHandler(parser, onStartElement, [](void* build, const XML_Char*) { TreeBuild::of(build).open.pop_back(); });
    XML_SetCharacterDataHandler(parser, [](void* build, const XML_Char* characters, int count) {
        TreeBuild::of(build).open.back()->appendText(std::string(characters, static_cast<std::size_t>(count)));
    });
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
    const char32_t atError = error == XML_ERROR_INVALID_TOKEN ? build.characterAt(text, errorAt) : 0;
    if (isNameCharacter(atError) && !expatTakesInName(atError))
        return {Verdict::outsideScope, nullptr, "a name character of the fifth edition of XML 1.0"};
    if (!parsed)
        return {Verdict::malformed, nullptr, reason};
    if (const int order = utf16Order(text); order != 0) {
        for (std::size_t at = 0; at + 1 < length;)
            if (decodeUtf16(text, at, order) == kNotUtf8)
                return {Verdict::malformed, nullptr, "an unpaired surrogate"};
        // Expat lets half a character after the root pass in some states.
        if (length % 2 != 0)
            return {Verdict::malformed, nullptr, "UTF-16 text that ends in half a character"};
    }
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
