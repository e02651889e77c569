#ifndef BRISVALE_SOA_COMMON_XML_TEXTPOSITIONS_HPP
#define BRISVALE_SOA_COMMON_XML_TEXTPOSITIONS_HPP

#include <cstddef>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// How the bytes of a document's text stand for its characters.
enum class TextEncoding
{
    Utf8,
    Utf16LittleEndian,
    Utf16BigEndian,
    Latin1,  // ISO-8859-1
    Ascii,   // US-ASCII
};

// The code unit at index of UTF-16 text in the given byte order.
inline char32_t utf16UnitAt(const unsigned char* bytes, std::size_t index, bool bigEndian)
{
    const unsigned char first = bytes[2 * index];
    const unsigned char second = bytes[2 * index + 1];
    return bigEndian ? (first << 8 | second) : (second << 8 | first);
}

struct TextLayout
{
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t markLength = 0;  // bytes of the byte-order mark, if any
    // The text's length in UTF-8, in which the tree holds it; its length
    // if it is UTF-8.
    std::size_t utf8Length = 0;
};

struct TextPosition
{
    long long line;
    long long column;
};

// Where a point of a document's text stands, the way every reader names it
// in its errors: lines end at LF, at CRLF and at a lone CR; columns count
// characters from 1, whatever their size in bytes or UTF-16 code units;
// the byte-order mark is not counted. Each lookup walks the text from its
// start, so it is meant for errors only.
class TextPositions
{
public:
    TextPositions(const char* data, std::size_t length, TextLayout layout);

    // Of the character that starts offset bytes into the text (the text's
    // end if it is shorter).
    TextPosition atByte(std::size_t offset) const;

    // Of the point column - 1 UTF-16 code units into the given line, as
    // Xerces-C reports positions; a column past the line's end stands for
    // the line's end.
    TextPosition atUtf16Column(long long line, long long column) const;

private:
    TextPosition atByteOfBytes(std::size_t end) const;
    std::size_t offsetOfUtf16Column(long long line, long long column) const;
    bool startsWithDeclaration(std::size_t start) const;
    std::size_t width() const;
    std::size_t unitCount() const;
    char32_t unitAt(std::size_t index) const;
    // Whether the unit starts a character rather than continuing one.
    bool startsCharacter(std::size_t index) const;
    // The UTF-16 code units that the unit stands for: 1 in UTF-16 and
    // single-byte text; in UTF-8, those of the character the byte starts,
    // or 0 for a byte that continues one.
    long long utf16UnitsOf(std::size_t index) const;

    const unsigned char* fBytes;
    std::size_t fLength;
    TextLayout fLayout;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
