#include "Xml/Reading/DocumentScreen.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

#include "Xml/Reading/DocumentReaders.hpp"
#include "Xml/Text/Utf16.hpp"
#include "Xml/Text/XmlCharacters.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// The text as a sequence of code units of one, or two in either byte order,
// with as much of its encoding as is known so far.
struct Units
{
    const unsigned char* bytes;
    std::size_t count;
    std::size_t width;
    bool bigEndian;
    TextLayout layout;

    char32_t operator[](std::size_t i) const
    {
        return width == 1 ? bytes[i] : utf16UnitAt(bytes, i, bigEndian);
    }

    bool startsWith(std::size_t at, const char* ascii) const
    {
        for (; *ascii != 0; ++ascii, ++at)
        {
            if (at >= count || (*this)[at] != static_cast<unsigned char>(*ascii))
                return false;
        }
        return true;
    }

    // Where the ASCII sequence next starts at or after from; count if nowhere.
    std::size_t find(std::size_t from, const char* ascii) const
    {
        if (width == 1)
            return std::min(bytesView().find(ascii, from), count);
        while (from < count && !startsWith(from, ascii))
            ++from;
        return from;
    }

    std::string_view bytesView() const { return std::string_view(reinterpret_cast<const char*>(bytes), count); }
};

[[noreturn]] void refuseAt(const Units& units, std::size_t at, const std::string& reason)
{
    const TextPositions positions(reinterpret_cast<const char*>(units.bytes), units.count * units.width, units.layout);
    const TextPosition position = positions.atByte(at * units.width);
    throw refusalAt(position.line, position.column, reason);
}

bool bytesAre(const unsigned char* data, std::size_t length, const char* expected, std::size_t count)
{
    if (length < count)
        return false;
    for (std::size_t i = 0; i < count; ++i)
    {
        if (data[i] != static_cast<unsigned char>(expected[i]))
            return false;
    }
    return true;
}

// Lays the text out as code units, as the parsers detect it from its first
// bytes, with its byte-order mark.
Units layOut(const unsigned char* data, std::size_t length)
{
    const Units bytes{data, length, 1, false, TextLayout{}};
    const char* const ucs4[] = {"\0\0\0<", "<\0\0\0", "\0\0<\0", "\0<\0\0", "\0\0\xFE\xFF", "\xFF\xFE\0\0"};
    for (const char* pattern : ucs4)
    {
        if (bytesAre(data, length, pattern, 4))
            refuseAt(bytes, 0, "UCS-4 text is not read");
    }
    if (bytesAre(data, length, "\x4C\x6F\xA7\x94", 4))
        refuseAt(bytes, 0, "EBCDIC text is not read");

    if (bytesAre(data, length, "\xFE\xFF", 2) || bytesAre(data, length, "\0<\0?", 4))
    {
        const std::size_t mark = data[0] == 0xFE ? 2 : 0;
        return Units{data, length / 2, 2, true, TextLayout{TextEncoding::Utf16BigEndian, mark}};
    }
    if (bytesAre(data, length, "\xFF\xFE", 2) || bytesAre(data, length, "<\0?\0", 4))
    {
        const std::size_t mark = data[0] == 0xFF ? 2 : 0;
        return Units{data, length / 2, 2, false, TextLayout{TextEncoding::Utf16LittleEndian, mark}};
    }
    if (bytesAre(data, length, "\xEF\xBB\xBF", 3))
        return Units{data, length, 1, false, TextLayout{TextEncoding::Utf8, 3}};
    return bytes;
}

// A part of a document whose text is not markup: it runs from its opening
// marks to the first closing marks after them, so that "<!-->" opens a
// comment and does not close it.
struct SkippedPart
{
    const char* opening;
    const char* closing;
};

const SkippedPart kComment{"<!--", "-->"};
const SkippedPart kCdataSection{"<![CDATA[", "]]>"};
const SkippedPart kInstruction{"<?", "?>"};

std::size_t lengthOf(const char* ascii)
{
    return std::char_traits<char>::length(ascii);
}

// The part that opens at `at`, among the given ones; null if none does.
template <std::size_t kCount>
const SkippedPart* partOpeningAt(const Units& units, std::size_t at, const SkippedPart* const (&parts)[kCount])
{
    for (const SkippedPart* part : parts)
    {
        if (units.startsWith(at, part->opening))
            return part;
    }
    return nullptr;
}

bool isAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

// The XML declaration's three pseudo-attributes, the encoding in capitals.
struct Declaration
{
    std::string version;
    std::string encoding;
    std::size_t end = 0;  // past its "?>"
};

// Reads the XML declaration by its grammar, in which only ASCII stands:
// "<?xml", the version, then an encoding and a standalone declaration if
// present, each after white space and in this order, then "?>". Refuses at
// the first unit that does not fit, so that both parsers read exactly the
// declarations that a conforming parser reads.
class DeclarationReader
{
public:
    DeclarationReader(const Units& units, std::size_t start)
        : fUnits(units)
        , fAt(start + 5)
    {
    }

    Declaration read()
    {
        Declaration declaration;
        bool spaced = skipSpace();
        if (!spaced || !fUnits.startsWith(fAt, "version"))
            malformed();
        declaration.version = value("version", isVersionCharacter);
        if (declaration.version.size() < 3 || declaration.version.compare(0, 2, "1.") != 0
            || declaration.version.find_first_not_of("0123456789", 2) != std::string::npos)
            malformed();
        spaced = skipSpace();
        if (spaced && fUnits.startsWith(fAt, "encoding"))
        {
            declaration.encoding = value("encoding", isEncodingCharacter);
            if (declaration.encoding.empty() || !isAsciiLetter(declaration.encoding[0]))
                malformed();
            for (char& c : declaration.encoding)
                c = isAsciiLetter(c) ? static_cast<char>(c & ~0x20) : c;
            spaced = skipSpace();
        }
        if (spaced && fUnits.startsWith(fAt, "standalone"))
        {
            const std::string standalone = value("standalone", isAsciiLetter);
            if (standalone != "yes" && standalone != "no")
                malformed();
            skipSpace();
        }
        if (!fUnits.startsWith(fAt, "?>"))
            malformed();
        declaration.end = fAt + 2;
        return declaration;
    }

private:
    static bool isVersionCharacter(char32_t c) { return isAsciiDigit(c) || c == '.'; }

    static bool isEncodingCharacter(char32_t c)
    {
        return isAsciiLetter(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == '-';
    }

    [[noreturn]] void malformed() const { refuseAt(fUnits, fAt, "a malformed XML declaration"); }

    bool skipSpace()
    {
        const std::size_t from = fAt;
        while (fAt < fUnits.count && isXmlSpace(fUnits[fAt]))
            ++fAt;
        return fAt != from;
    }

    // name = 'value' or "value", with white space around the "=".
    std::string value(const char* name, bool (*allowed)(char32_t))
    {
        fAt += lengthOf(name);
        skipSpace();
        if (!fUnits.startsWith(fAt, "="))
            malformed();
        ++fAt;
        skipSpace();
        const char32_t quote = fAt < fUnits.count ? fUnits[fAt] : 0;
        if (quote != '"' && quote != '\'')
            malformed();
        std::string text;
        for (++fAt; fAt < fUnits.count && fUnits[fAt] != quote; ++fAt)
        {
            if (!allowed(fUnits[fAt]))
                malformed();
            text += static_cast<char>(fUnits[fAt]);
        }
        if (fAt == fUnits.count)
            malformed();
        ++fAt;
        return text;
    }

    const Units& fUnits;
    std::size_t fAt;
};

// Refuses in UTF-16 text a declared encoding other than UTF-16 in the
// text's byte order.
void checkUtf16Declared(const Units& units, std::size_t start, const std::string& encoding)
{
    const char* const ownOrder = units.bigEndian ? "UTF-16BE" : "UTF-16LE";
    if (encoding != "UTF-16" && encoding != "UTF16" && encoding != ownOrder)
        refuseAt(units, start, "the document is declared " + encoding + " but is " + ownOrder);
}

// Checks the XML declaration, completes the layout with the encoding it
// declares, and returns where it ends (where the text starts if there is
// none).
std::size_t checkDeclaration(Units& units)
{
    const std::size_t start = units.layout.markLength / units.width;
    if (!units.startsWith(start, "<?xml") || start + 5 >= units.count || !isXmlSpace(units[start + 5]))
        return start;
    const Declaration declaration = DeclarationReader(units, start).read();
    if (declaration.version != "1.0")
        refuseAt(units, start, "XML version " + declaration.version + " is not read, only 1.0");
    const std::string& encoding = declaration.encoding;
    const std::size_t end = declaration.end;
    if (encoding.empty())
        return end;
    if (units.width == 2)
    {
        checkUtf16Declared(units, start, encoding);
        return end;
    }
    const bool declaresUtf8 = encoding == "UTF-8" || encoding == "UTF8";
    if (units.layout.markLength != 0 && !declaresUtf8)
        refuseAt(units, start, "a UTF-8 byte-order mark on a document declared " + encoding);
    if (encoding.compare(0, 3, "UTF") == 0 && !declaresUtf8)
        refuseAt(units, start, "the document is declared " + encoding + " but is not");
    // The two parsers know different sets and spellings of other encodings,
    // so only these are read.
    if (!declaresUtf8 && encoding != "US-ASCII" && encoding != "ISO-8859-1")
        refuseAt(units, start, "the encoding " + encoding + " is not read");
    if (!declaresUtf8)
        units.layout.encoding = encoding == "US-ASCII" ? TextEncoding::Ascii : TextEncoding::Latin1;
    return end;
}

// Refuses a document type declaration among the comments and processing
// instructions before the root element.
void checkProlog(const Units& units, std::size_t at)
{
    while (at < units.count)
    {
        if (isXmlSpace(units[at]))
        {
            ++at;
            continue;
        }
        const SkippedPart* const part = partOpeningAt(units, at, {&kInstruction, &kComment});
        if (part == nullptr)
            break;
        at = std::min(units.find(at + lengthOf(part->opening), part->closing) + lengthOf(part->closing), units.count);
    }
    if (units.startsWith(at, "<!DOCTYPE"))
        refuseAt(units, at, "document type declarations are not accepted");
}

// The units the body pass stops at: NUL, everything past ASCII, "<" and
// "=". Every other unit is plain.
struct BodyMarks
{
    std::array<bool, 256> plain{};

    constexpr BodyMarks()
    {
        for (int c = 1; c < 0x80; ++c)
            plain[c] = c != '<' && c != '=';
    }

    bool isPlain(char32_t c) const { return c < 0x100 && plain[c]; }

#ifdef __SSE2__
    // One bit for each of the sixteen bytes at `at` that is not plain.
    static unsigned blockMarks(const unsigned char* at)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i found = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, _mm_setzero_si128()), _mm_cmpeq_epi8(block, _mm_set1_epi8('<'))),
            _mm_cmpeq_epi8(block, _mm_set1_epi8('=')));
        // The top bit of each byte marks non-ASCII.
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(found, block)));
    }
#endif
};

constexpr BodyMarks kMarks;

// Finds the bytes of a text that are not plain, in order. Sixteen bytes
// are looked at together and their marks kept, so that the next mark in
// the same sixteen costs no second look.
class MarkFinder
{
public:
    MarkFinder(const unsigned char* bytes, std::size_t length)
        : fBytes(bytes)
        , fLength(length)
        , fBlock(length)
        , fMarks(0)
    {
    }

    // Where the first byte at or after i that is not plain stands; length
    // if none.
    std::size_t next(std::size_t i)
    {
#ifdef __SSE2__
        while (true)
        {
            if (i >= fBlock && i - fBlock < kBlock)
            {
                const unsigned marks = fMarks & (~0u << (i - fBlock));
                if (marks != 0)
                    return fBlock + static_cast<std::size_t>(__builtin_ctz(marks));
                i = fBlock + kBlock;
            }
            if (i >= fLength || fLength - i < kBlock)
                break;
            fBlock = i;
            fMarks = BodyMarks::blockMarks(fBytes + i);
        }
#endif
        while (i < fLength && kMarks.plain[fBytes[i]])
            ++i;
        return i;
    }

private:
    static constexpr std::size_t kBlock = 16;

    const unsigned char* fBytes;
    std::size_t fLength;
    std::size_t fBlock;  // where the sixteen bytes of fMarks start; fLength before the first
    unsigned fMarks;
};

// Counts the attributes of one tag exactly, as the equals signs outside
// quotes between its "<" and the ">" that ends it. The body pass asks it
// only once a tag may pass the limit, and it resumes where it stopped, so
// that it looks at no unit twice.
class TagCounter
{
public:
    explicit TagCounter(const Units& units)
        : fUnits(units)
    {
    }

    void startTag(std::size_t tagStart)
    {
        fAt = tagStart + 1;
        fInTag = true;
        fQuote = 0;
        fEquals = 0;
    }

    // The attributes counted up to and including unit `last`.
    std::size_t countThrough(std::size_t last)
    {
        for (; fInTag && fAt <= last; ++fAt)
            step(fUnits[fAt]);
        return fEquals;
    }

private:
    void step(char32_t c)
    {
        if (fQuote != 0)
        {
            if (c == fQuote)
                fQuote = 0;
        }
        else if (c == '"' || c == '\'')
        {
            fQuote = c;
        }
        else if (c == '>')
        {
            fInTag = false;
        }
        else if (c == '=')
        {
            ++fEquals;
        }
    }

    const Units& fUnits;
    std::size_t fAt = 0;
    bool fInTag = false;
    char32_t fQuote = 0;
    std::size_t fEquals = 0;
};

// Checks the character past ASCII that starts at code unit i: a valid UTF-8
// sequence in UTF-8 text, no such character at all in US-ASCII text, no
// unpaired surrogate in UTF-16 text. Returns where the next character
// starts, and adds to utf8Growth the bytes that the character takes in
// UTF-8 beyond its code units.
template <std::size_t kWidth>
std::size_t checkPastAscii(const Units& units, bool utf8, std::size_t i, std::size_t& utf8Growth)
{
    const std::size_t at = i;
    if (kWidth == 1 && utf8)
    {
        if (decodeUtf8(units.bytes, units.count, i) == kInvalidSequence)
            refuseAt(units, at, "invalid UTF-8");
        return i;
    }
    if (kWidth == 1 && units.layout.encoding == TextEncoding::Ascii)
        refuseAt(units, at, "a byte past ASCII in a document declared US-ASCII");
    const char32_t c = units[at];
    utf8Growth += utf8BytesOfUnit(c) - 1;
    if (kWidth == 2 && c >= 0xD800 && c <= 0xDFFF)
    {
        if (c >= 0xDC00 || at + 1 >= units.count || (units[at + 1] & 0xFC00) != 0xDC00)
            refuseAt(units, at, "an unpaired surrogate");
        utf8Growth += utf8BytesOfUnit(units[at + 1]) - 1;
        return at + 2;
    }
    return at + 1;
}

// The prefix xmlns is bound for good to the namespace of namespace
// declarations, in which no element may stand; left to itself, Xerces-C
// would read <xmlns:a> as such an element.
void checkElementPrefix(const Units& units, std::size_t tagStart)
{
    if (units.startsWith(tagStart + 1, "xmlns:"))
        refuseAt(units, tagStart, "an element name with the prefix xmlns");
}

// Where the part whose text starts at `from` ends: past the ">" of the
// first closing marks that start there or later, so that "<!-->" opens a
// comment and does not close it; the end of the text if none.
std::size_t endOfPart(const Units& units, std::size_t from, const SkippedPart& part)
{
    return std::min(units.find(from, part.closing) + lengthOf(part.closing), units.count);
}

// One pass over every code unit: NUL characters, characters past ASCII,
// element names with the prefix xmlns, and the attributes of each start
// tag, counted as the equals signs outside quotes between a "<" and the ">"
// that ends the tag. No "<" can stand inside a tag, so each "<" starts the
// count afresh. Comments, CDATA sections and processing instructions count
// nothing and start no tag: each ends at the first ">" after its closing
// marks, which stand after its opening ones, so never later than a parser
// ends it.
//
// The pass stops only at "<", "=", NUL and past ASCII. Every equals sign
// since a tag's "<" is counted, in quotes or not, which can only count too
// many; only when that count passes the limit does a TagCounter count the
// tag exactly. Compiled once for each unit width, so that the common case
// of bytes is a tight loop.
//
// Returns the text's length in UTF-8.
template <std::size_t kWidth>
std::size_t checkBody(const Units& units)
{
    static_assert(kWidth == 1 || kWidth == 2, "bytes or UTF-16 code units");
    const auto unitAt = [&units](std::size_t i) -> char32_t {
        return kWidth == 1 ? units.bytes[i] : units[i];
    };
    MarkFinder finder(units.bytes, kWidth == 1 ? units.count : 0);
    const auto nextMark = [&](std::size_t i) {
        if (kWidth == 1)
            return finder.next(i);
        while (i < units.count && kMarks.isPlain(unitAt(i)))
            ++i;
        return i;
    };
    const bool utf8 = units.layout.encoding == TextEncoding::Utf8;
    TagCounter counter(units);
    bool inTag = false;           // since the "<" of a tag, up to the next "<"
    std::size_t tagStart = 0;
    std::size_t equals = 0;       // since tagStart, in quotes or not
    std::size_t skippedEnd = 0;   // the part being skipped ends before this unit
    std::size_t utf8Growth = 0;   // bytes in UTF-8 beyond one a unit
    for (std::size_t i = nextMark(0); i < units.count; i = nextMark(i))
    {
        const char32_t c = unitAt(i);
        if (c >= 0x80)
        {
            i = checkPastAscii<kWidth>(units, utf8, i, utf8Growth);
            continue;
        }
        if (c == 0)
            refuseAt(units, i, "a NUL character");
        if (i < skippedEnd)
        {
            // A "<" or "=" inside a comment, CDATA section or processing instruction.
            ++i;
            continue;
        }
        if (c == '<')
        {
            const char32_t after = i + 1 < units.count ? unitAt(i + 1) : 0;
            const SkippedPart* const part
                = after == '!' || after == '?' ? partOpeningAt(units, i, {&kComment, &kCdataSection, &kInstruction})
                                               : nullptr;
            if (part != nullptr)
                skippedEnd = endOfPart(units, i + lengthOf(part->opening), *part);
            else if (after == 'x')
                checkElementPrefix(units, i);
            inTag = part == nullptr;
            tagStart = i;
            equals = 0;
            counter.startTag(i);
        }
        else if (inTag && ++equals > kMaxAttributesPerElement
                 && counter.countThrough(i) > kMaxAttributesPerElement)
        {
            refuseAt(units, tagStart, "an element with more than " + std::to_string(kMaxAttributesPerElement)
                                          + " attributes");
        }
        ++i;
    }
    return units.count + utf8Growth;
}

[[noreturn]] void refuseSize()
{
    throw Exceptions::DomException("XML document refused: texts of 2 GiB and more are not read");
}

} // namespace

TextLayout screenDocument(const char* data, std::size_t length)
{
    const std::size_t kMaxLength = static_cast<std::size_t>(std::numeric_limits<int>::max());
    if (length > kMaxLength)
        refuseSize();
    Units units = layOut(reinterpret_cast<const unsigned char*>(data), length);
    const std::size_t afterDeclaration = checkDeclaration(units);
    checkProlog(units, afterDeclaration);
    units.layout.utf8Length = units.width == 1 ? checkBody<1>(units) : checkBody<2>(units);
    // libxml2 reads the text in UTF-8, which can be longer.
    if (units.layout.utf8Length > kMaxLength)
        refuseSize();
    if (units.width == 2 && length % 2 != 0)
        refuseAt(units, units.count, "UTF-16 text that ends in half a character");
    return units.layout;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
