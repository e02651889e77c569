#include "Xml/Text/Utf16.hpp"

#include <stdexcept>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

[[noreturn]] void throwUnpairedSurrogate(std::size_t position)
{
    throw std::invalid_argument("UTF-16 text has an unpaired surrogate at code unit "
                                + std::to_string(position));
}

// Where the first unit at or after i that is past ASCII stands; length if
// none. Eight units are looked at together.
std::size_t asciiEnd(const XMLCh* text, std::size_t i, std::size_t length)
{
#ifdef __SSE2__
    const __m128i pastAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; length - i >= 8; i += 8)
    {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        // Two bits, one for each byte, for each unit that is ASCII.
        const unsigned ascii = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, pastAscii), _mm_setzero_si128())));
        if (ascii != 0xFFFF)
            return i + static_cast<std::size_t>(__builtin_ctz(~ascii)) / 2;
    }
#endif
    while (i < length && text[i] < 0x80)
        ++i;
    return i;
}

// Writes count ASCII units as as many bytes, eight at a time.
void narrowAscii(char* destination, const XMLCh* text, std::size_t count)
{
    std::size_t i = 0;
#ifdef __SSE2__
    for (; count - i >= 8; i += 8)
    {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + i), _mm_packus_epi16(units, units));
    }
#endif
    for (; i < count; ++i)
        destination[i] = static_cast<char>(text[i]);
}

// Writes the UTF-8 form of the character past ASCII that starts at
// text[i], and returns where the next one starts; destination then stands
// past the bytes written, at most three for each unit read.
std::size_t writePastAscii(char*& destination, const XMLCh* text, std::size_t i, std::size_t length)
{
    const char32_t unit = text[i];
    if (unit < 0x800)
    {
        *destination++ = static_cast<char>(0xC0 | (unit >> 6));
        *destination++ = static_cast<char>(0x80 | (unit & 0x3F));
        return i + 1;
    }
    if (isHighSurrogate(unit))
    {
        if (i + 1 >= length || !isLowSurrogate(text[i + 1]))
            throwUnpairedSurrogate(i);
        const char32_t codePoint = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        *destination++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *destination++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *destination++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *destination++ = static_cast<char>(0x80 | (codePoint & 0x3F));
        return i + 2;
    }
    if (isLowSurrogate(unit))
        throwUnpairedSurrogate(i);
    *destination++ = static_cast<char>(0xE0 | (unit >> 12));
    *destination++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *destination++ = static_cast<char>(0x80 | (unit & 0x3F));
    return i + 1;
}

} // namespace

void appendUtf8(std::string& out, const XMLCh* text, std::size_t length)
{
    // No reservation ahead: in the common case of ASCII text, the first
    // run makes the one room needed, and the string grows by doubling.
    std::size_t i = 0;
    while (i < length)
    {
        const std::size_t runEnd = asciiEnd(text, i, length);
        if (runEnd > i)
        {
            const std::size_t start = out.size();
            out.resize(start + (runEnd - i));
            narrowAscii(&out[start], text + i, runEnd - i);
            i = runEnd;
            continue;
        }
        char character[kUtf8BytesPerUnit * 2];
        char* end = character;
        i = writePastAscii(end, text, i, length);
        out.append(character, static_cast<std::size_t>(end - character));
    }
}

std::size_t writeUtf8(char* destination, const XMLCh* text, std::size_t length)
{
    char* const start = destination;
    std::size_t i = 0;
    while (i < length)
    {
        const std::size_t runEnd = asciiEnd(text, i, length);
        narrowAscii(destination, text + i, runEnd - i);
        destination += runEnd - i;
        i = runEnd < length ? writePastAscii(destination, text, runEnd, length) : runEnd;
    }
    return static_cast<std::size_t>(destination - start);
}

std::size_t utf16Length(const XMLCh* text)
{
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

std::string toUtf8(const XMLCh* text)
{
    std::string result;
    if (text != nullptr)
        appendUtf8(result, text, utf16Length(text));
    return result;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
