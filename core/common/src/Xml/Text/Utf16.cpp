#include "Xml/Text/Utf16.hpp"

#include <Brisvale/Soa/Common/Xml/Utf8Character.hpp>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

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
        char character[Utf8Character::kMaxBytes];
        char* end = character;
        i = Utf8Character::write(end, text, i, length);
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
        i = runEnd < length ? Utf8Character::write(destination, text, runEnd, length) : runEnd;
    }
    return static_cast<std::size_t>(destination - start);
}

std::size_t utf8LengthOf(const XMLCh* text, std::size_t length)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < length; ++i)
        bytes += utf8BytesOfUnit(text[i]);
    return bytes;
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
