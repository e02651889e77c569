#include "Xml/Reading/TextPositions.hpp"

#include <algorithm>

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
    LineCounter counter;
    for (std::size_t i = fLayout.markLength / width(); i < end; ++i)
        counter.step(unitAt(i), startsCharacter(i));
    return counter.position();
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
