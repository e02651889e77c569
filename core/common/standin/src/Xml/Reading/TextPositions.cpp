#include "Xml/Reading/TextPositions.hpp"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

bool isLineEnd(char32_t unit)
{
    return unit == '\r' || unit == '\n';
}

// Counts lines and columns over the code units of a text, one at a time.
class LineCounter
{
public:
    // Steps past one code unit; startsCharacter is false for the later
    // units of a character, which the column does not count again.
    void step(char32_t unit, bool startsCharacter)
    {
        const bool secondHalfOfCrLf = unit == '\n' && fAfterCarriageReturn;
        fAfterCarriageReturn = unit == '\r';
        if (secondHalfOfCrLf)
            return;
        if (isLineEnd(unit))
        {
            ++fPosition.line;
            fPosition.column = 1;
        }
        else if (startsCharacter)
        {
            ++fPosition.column;
        }
    }

    // Whether the next unit, if an LF, only completes a CRLF.
    bool afterCarriageReturn() const { return fAfterCarriageReturn; }

    const TextPosition& position() const { return fPosition; }

private:
    TextPosition fPosition{1, 1};
    bool fAfterCarriageReturn = false;
};

#ifdef __SSE2__
// One bit for each of the sixteen bytes at `at` that equals `byte`.
unsigned bytesEqual(__m128i block, char byte)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte))));
}

__m128i blockAt(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
#endif

// Where the first CR or LF at or after i stands, before end; end if none.
// Sixteen bytes are looked at together.
std::size_t nextLineEnd(const unsigned char* bytes, std::size_t i, std::size_t end)
{
#ifdef __SSE2__
    for (; end - i >= 16; i += 16)
    {
        const __m128i block = blockAt(bytes + i);
        const unsigned found = bytesEqual(block, '\n') | bytesEqual(block, '\r');
        if (found != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(found));
    }
#endif
    while (i < end && !isLineEnd(bytes[i]))
        ++i;
    return i;
}

// The bytes from `from` to `to` that continue a UTF-8 sequence.
std::size_t continuationBytes(const unsigned char* bytes, std::size_t from, std::size_t to)
{
    std::size_t count = 0;
#ifdef __SSE2__
    for (; to - from >= 16; from += 16)
    {
        const __m128i leadingBits = _mm_and_si128(blockAt(bytes + from), _mm_set1_epi8(static_cast<char>(0xC0)));
        count += static_cast<std::size_t>(__builtin_popcount(bytesEqual(leadingBits, static_cast<char>(0x80))));
    }
#endif
    for (; from < to; ++from)
        count += (bytes[from] & 0xC0) == 0x80 ? 1 : 0;
    return count;
}

} // namespace

TextPositions::TextPositions(const char* data, std::size_t length, TextLayout layout)
    : fBytes(reinterpret_cast<const unsigned char*>(data))
    , fLength(length)
    , fLayout(layout)
{
}

std::size_t TextPositions::width() const
{
    const bool utf16 = fLayout.encoding == TextEncoding::Utf16LittleEndian
                       || fLayout.encoding == TextEncoding::Utf16BigEndian;
    return utf16 ? 2 : 1;
}

std::size_t TextPositions::unitCount() const
{
    return fLength / width();
}

char32_t TextPositions::unitAt(std::size_t index) const
{
    if (width() == 1)
        return fBytes[index];
    return utf16UnitAt(fBytes, index, fLayout.encoding == TextEncoding::Utf16BigEndian);
}

bool TextPositions::startsCharacter(std::size_t index) const
{
    const char32_t unit = unitAt(index);
    switch (fLayout.encoding)
    {
    case TextEncoding::Utf8:
        return (unit & 0xC0) != 0x80;
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian:
        return (unit & 0xFC00) != 0xDC00;
    case TextEncoding::Latin1:
    case TextEncoding::Ascii:
        break;
    }
    return true;
}

long long TextPositions::utf16UnitsOf(std::size_t index) const
{
    if (fLayout.encoding != TextEncoding::Utf8)
        return 1;
    // A UTF-8 sequence of four bytes stands for a pair of surrogates.
    const char32_t unit = unitAt(index);
    return !startsCharacter(index) ? 0 : unit >= 0xF0 ? 2 : 1;
}

TextPosition TextPositions::atByte(std::size_t offset) const
{
    const std::size_t end = std::min(offset, fLength) / width();
    if (width() == 1)
        return atByteOfBytes(end);
    LineCounter counter;
    for (std::size_t i = fLayout.markLength / width(); i < end; ++i)
        counter.step(unitAt(i), startsCharacter(i));
    return counter.position();
}

// The same count as LineCounter's, over text of one byte a unit: the line
// ends are found sixteen bytes at a time, and then the characters of the
// last line are counted.
TextPosition TextPositions::atByteOfBytes(std::size_t end) const
{
    TextPosition position{1, 1};
    std::size_t lineStart = fLayout.markLength;
    if (end <= lineStart)
        return position;
    for (std::size_t i = nextLineEnd(fBytes, lineStart, end); i < end; i = nextLineEnd(fBytes, lineStart, end))
    {
        const bool secondHalfOfCrLf = fBytes[i] == '\n' && i > 0 && fBytes[i - 1] == '\r';
        if (!secondHalfOfCrLf)
            ++position.line;
        lineStart = i + 1;
    }
    const std::size_t continuing
        = fLayout.encoding == TextEncoding::Utf8 ? continuationBytes(fBytes, lineStart, end) : 0;
    position.column += static_cast<long long>(end - lineStart - continuing);
    return position;
}

TextPosition TextPositions::atUtf16Column(long long line, long long column) const
{
    return atByte(offsetOfUtf16Column(line, column));
}

std::size_t TextPositions::offsetOfUtf16Column(long long line, long long column) const
{
    const std::size_t count = unitCount();
    std::size_t i = fLayout.markLength / width();
    // Xerces-C takes the white space right after "<?xml" as part of the
    // declaration's opening, and a line end there as an ordinary character.
    const std::size_t declarationSpace = startsWithDeclaration(i) ? i + 5 : count;
    const auto unitAsXercesReads = [&](std::size_t at) { return at == declarationSpace ? U' ' : unitAt(at); };

    LineCounter counter;
    for (; i < count && counter.position().line < line; ++i)
        counter.step(unitAsXercesReads(i), true);
    if (i < count && counter.afterCarriageReturn() && unitAt(i) == '\n')
        ++i;
    for (long long units = column - 1; i < count && units > 0 && !isLineEnd(unitAsXercesReads(i)); ++i)
        units -= utf16UnitsOf(i);
    return i * width();
}

bool TextPositions::startsWithDeclaration(std::size_t start) const
{
    const char* const opening = "<?xml";
    for (std::size_t i = 0; opening[i] != 0; ++i)
    {
        if (start + i >= unitCount() || unitAt(start + i) != static_cast<unsigned char>(opening[i]))
            return false;
    }
    return true;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
