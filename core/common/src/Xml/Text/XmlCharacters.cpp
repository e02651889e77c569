#include "Xml/Text/XmlCharacters.hpp"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "Xml/Text/ByteScan.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

enum ByteClass : unsigned char
{
    Plain,      // copied as it is
    Escaped,    // written as a reference
    Forbidden,  // a control character XML 1.0 cannot carry
    Multibyte   // the lead or continuation byte of a UTF-8 sequence
};

constexpr std::array<unsigned char, 256> makeByteClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int byte = 0; byte < 256; ++byte)
    {
        if (byte >= 0x80)
            classes[byte] = Multibyte;
        else if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            classes[byte] = Forbidden;
        else
            classes[byte] = Plain;
    }
    const char escaped[] = {'&', '<', '>', '"', '\'', '\t', '\n', '\r'};
    for (char byte : escaped)
        classes[static_cast<unsigned char>(byte)] = Escaped;
    return classes;
}

constexpr std::array<unsigned char, 256> kByteClasses = makeByteClasses();

// What an ASCII byte may be in a name, as bit flags.
enum NameByte : unsigned char
{
    NameStart = 1,  // a letter or "_": may start a name or stand inside one
    NameInner = 2,  // a digit, "-" or ".": only inside a name
    NameColon = 4,
    NotInName = 8,
    NonAscii = 16   // left to the full check
};

constexpr std::array<unsigned char, 256> makeNameBytes()
{
    std::array<unsigned char, 256> bytes{};
    for (int byte = 0; byte < 256; ++byte)
    {
        if (byte >= 0x80)
            bytes[byte] = NonAscii;
        else if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte == '_')
            bytes[byte] = NameStart;
        else if ((byte >= '0' && byte <= '9') || byte == '-' || byte == '.')
            bytes[byte] = NameInner;
        else if (byte == ':')
            bytes[byte] = NameColon;
        else
            bytes[byte] = NotInName;
    }
    return bytes;
}

constexpr std::array<unsigned char, 256> kNameBytes = makeNameBytes();

// 0 for the bytes that may stand anywhere in a name after its first:
// ASCII letters, digits, "_", "-" and ".". Anything else (a colon, a byte
// that no name holds, the start of a non-ASCII character) is 1.
constexpr std::array<unsigned char, 256> makeUnusualNameBytes()
{
    std::array<unsigned char, 256> bytes{};
    for (int byte = 0; byte < 256; ++byte)
        bytes[byte] = (kNameBytes[byte] & (NameStart | NameInner)) != 0 ? 0 : 1;
    return bytes;
}

constexpr std::array<unsigned char, 256> kUnusualNameBytes = makeUnusualNameBytes();

// The position of the first byte at or after from whose entry in the table
// is not zero; length if none. Eight bytes are tested together, so a run of
// ordinary bytes, the usual case, costs about one table look-up per byte and
// one branch per eight.
std::size_t findFlagged(const std::array<unsigned char, 256>& table, const unsigned char* bytes,
                        std::size_t from, std::size_t length)
{
    std::size_t i = from;
    for (; i + 8 <= length; i += 8)
    {
        const unsigned char any = table[bytes[i]] | table[bytes[i + 1]] | table[bytes[i + 2]]
            | table[bytes[i + 3]] | table[bytes[i + 4]] | table[bytes[i + 5]]
            | table[bytes[i + 6]] | table[bytes[i + 7]];
        if (any != 0)
            break;
    }
    for (; i < length; ++i)
    {
        if (table[bytes[i]] != 0)
            return i;
    }
    return length;
}

// The bytes an escaped attribute value is checked at: "<" and '"' cannot
// stand in it, and "&" must start a reference.
constexpr std::array<unsigned char, 256> makeAttributeMarks()
{
    std::array<unsigned char, 256> bytes{};
    bytes['<'] = 1;
    bytes['"'] = 1;
    bytes['&'] = 1;
    return bytes;
}

constexpr std::array<unsigned char, 256> kAttributeMarks = makeAttributeMarks();

// The quick check of the names nearly every caller writes: ASCII letters,
// digits, "_", "-", "." and at most one colon, each part starting with a
// letter or "_". True, with the colon's position, for such a name; false for
// anything else, which the full check then examines and explains.
bool isPlainQualifiedName(const std::string& name, std::size_t& colon)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t length = name.size();
    if (length == 0 || kNameBytes[bytes[0]] != NameStart)
        return false;
    colon = std::string::npos;
    std::size_t i = findFlagged(kUnusualNameBytes, bytes, 1, length);
    if (i == length)
        return true;
    if (bytes[i] != ':' || i + 1 == length || kNameBytes[bytes[i + 1]] != NameStart)
        return false;
    colon = i;
    return findFlagged(kUnusualNameBytes, bytes, i + 2, length) == length;
}

static_assert(Plain == 0, "findFlagged looks for bytes whose class is not zero");

// The position of the first byte at or after from that is not Plain; length
// if none.
std::size_t findSpecial(const unsigned char* bytes, std::size_t from, std::size_t length)
{
    return findFlagged(kByteClasses, bytes, from, length);
}

// The reference a byte of class Escaped is written as.
const char* referenceFor(unsigned char byte)
{
    switch (byte)
    {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    default: return "&#13;";
    }
}

// The length of that reference, less the byte itself.
std::size_t referenceGrowth(unsigned char byte)
{
    return std::char_traits<char>::length(referenceFor(byte)) - 1;
}

} // namespace

char32_t decodeUtf8(const unsigned char* text, std::size_t length, std::size_t& position)
{
    const unsigned char lead = text[position];
    std::size_t extra;
    char32_t codePoint;
    char32_t minimum;
    if (lead < 0x80)
    {
        ++position;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF)
    {
        extra = 1;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    }
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        extra = 2;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        extra = 3;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    }
    else
    {
        return kInvalidSequence;
    }
    if (length - position <= extra)
        return kInvalidSequence;
    for (std::size_t i = 1; i <= extra; ++i)
    {
        const unsigned char next = text[position + i];
        if ((next & 0xC0) != 0x80)
            return kInvalidSequence;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF
        || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return kInvalidSequence;
    position += extra + 1;
    return codePoint;
}

namespace {

std::string hexCodePoint(char32_t codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

[[noreturn]] void throwUnwritable(const std::string& reason, std::size_t position)
{
    throw std::invalid_argument("text cannot be written as XML 1.0: " + reason
                                + " at byte " + std::to_string(position));
}

[[noreturn]] void throwBadName(const std::string& name, const char* what, const char* reason)
{
    throw std::invalid_argument(std::string("\"") + name + "\" is not a valid XML " + what
                                + " name: " + reason);
}

} // namespace

namespace {

bool isXmlChar(unsigned long c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

int digitValue(char c, int base)
{
    int value = 16;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The length of the reference "&#...;" that starts at `at`; 0 if none
// stands there or its character is not one XML carries.
std::size_t characterReferenceLength(std::string_view text, std::size_t at)
{
    std::size_t i = at + 2;
    int base = 10;
    if (i < text.size() && text[i] == 'x')
    {
        base = 16;
        ++i;
    }
    const std::size_t digitsStart = i;
    unsigned long value = 0;
    for (; i < text.size() && digitValue(text[i], base) >= 0; ++i)
    {
        value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digitValue(text[i], base));
        if (value > 0x10FFFF)
            return 0;
    }
    if (i == digitsStart || i == text.size() || text[i] != ';' || !isXmlChar(value))
        return 0;
    return i + 1 - at;
}

std::size_t referenceLength(std::string_view text, std::size_t at)
{
    const std::string_view rest = text.substr(at);
    if (rest.size() > 1 && rest[1] == '#')
        return characterReferenceLength(text, at);
    for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
    {
        if (rest.substr(0, entity.size()) == entity)
            return entity.size();
    }
    return 0;
}

} // namespace

namespace {

// Where the first "<", '"' or "&" at or after from stands; length if none.
// Sixteen bytes are looked at together where the processor can.
std::size_t findAttributeMark(const unsigned char* bytes, std::size_t from, std::size_t length)
{
#ifdef __SSE2__
    for (; length - from >= 16 && from < length; from += 16)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const __m128i found = ByteScan::attributeMarks(block);
        const unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(found));
        if (marks != 0)
            return from + static_cast<std::size_t>(__builtin_ctz(marks));
    }
#endif
    for (; from < length; ++from)
    {
        if (kAttributeMarks[bytes[from]] != 0)
            return from;
    }
    return length;
}

} // namespace

bool isEscapedAttributeText(const std::string& text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t at = findAttributeMark(bytes, 0, text.size());
    while (at != text.size())
    {
        const std::size_t length = text[at] == '&' ? referenceLength(text, at) : 0;
        if (length == 0)
            return false;
        at = findAttributeMark(bytes, at + length, text.size());
    }
    return true;
}

std::size_t findFirstSpecialByte(const std::string& text, std::size_t from)
{
    if (from >= text.size())
        return std::string::npos;
    const std::size_t special =
        findSpecial(reinterpret_cast<const unsigned char*>(text.data()), from, text.size());
    return special == text.size() ? std::string::npos : special;
}

std::size_t xmlEscapedSize(const std::string& text, std::size_t verified)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    for (std::size_t i = verified; i < text.size(); ++i)
    {
        if (kByteClasses[bytes[i]] == Escaped)
            size += referenceGrowth(bytes[i]);
    }
    return size;
}

void appendXmlEscaped(std::string& out, const std::string& text, std::size_t verified)
{
    appendXmlEscaped(out, text.data(), text.size(), verified);
}

void appendXmlEscaped(std::string& out, const char* text, std::size_t length,
                      std::size_t verified)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t runStart = 0;
    std::size_t i = verified;
    while (i < length)
    {
        switch (kByteClasses[bytes[i]])
        {
        case Plain:
            i = findSpecial(bytes, i + 1, length);
            break;
        case Multibyte:
        {
            const std::size_t start = i;
            const char32_t codePoint = decodeUtf8(bytes, length, i);
            if (codePoint == kInvalidSequence)
                throwUnwritable("invalid UTF-8", start);
            if (codePoint == 0xFFFE || codePoint == 0xFFFF)
                throwUnwritable("the non-character " + hexCodePoint(codePoint), start);
            break;
        }
        case Escaped:
            out.append(text + runStart, i - runStart);
            out.append(referenceFor(bytes[i]));
            runStart = ++i;
            break;
        default:
            throwUnwritable("the control character " + hexCodePoint(bytes[i]), i);
        }
    }
    out.append(text + runStart, length - runStart);
}

std::size_t checkQualifiedName(const std::string& name, const char* what)
{
    std::size_t plainColon;
    if (isPlainQualifiedName(name, plainColon))
        return plainColon;
    if (name.empty())
        throwBadName(name, what, "it is empty");

    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t length = name.size();
    std::size_t colon = std::string::npos;
    bool atPartStart = true;
    std::size_t i = 0;
    while (i < length)
    {
        const std::size_t start = i;
        const char32_t c = decodeUtf8(bytes, length, i);
        if (c == kInvalidSequence)
            throwBadName(name, what, "it is not valid UTF-8");
        if (c == ':')
        {
            if (colon != std::string::npos)
                throwBadName(name, what, "it has more than one colon");
            if (atPartStart)
                throwBadName(name, what, "the prefix is empty");
            colon = start;
            atPartStart = true;
            continue;
        }
        if (atPartStart ? !isNameStartChar(c) : !isNameChar(c))
            throwBadName(name, what, atPartStart ? "a part starts with a character that cannot start a name"
                                                 : "it holds a character that names cannot hold");
        atPartStart = false;
    }
    if (atPartStart)
        throwBadName(name, what, "the local part is empty");
    return colon;
}

bool isNameStartChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6)
        || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D)
        || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
        || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF)
        || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF)
        || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '_' || c == '-' || c == '.';
    return isNameStartChar(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F)
        || (c >= 0x203F && c <= 0x2040);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
