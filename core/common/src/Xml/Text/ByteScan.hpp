#ifndef BRISVALE_SOA_COMMON_XML_BYTESCAN_HPP
#define BRISVALE_SOA_COMMON_XML_BYTESCAN_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Quick answers to "does this text hold any byte of a kind?", for the texts
// the stream writes over and over, which nearly always hold none. They say
// only whether one is there, not where: the callers then take their careful
// path, which finds it and says what is wrong.
//
// Sixteen bytes are looked at together where the processor can. A text
// shorter than that is gathered into one register from loads that stay
// inside it (overlapping where they must), so each byte is looked at at
// least once and nothing outside the text is read.
namespace ByteScan {

// The word that stands at bytes, wherever it is aligned.
template <class Word>
inline Word load(const void* bytes)
{
    Word word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

#ifdef __SSE2__

// Every byte of a text of 1 to 16 bytes, some of them twice.
inline __m128i gatherShort(const unsigned char* bytes, std::size_t length)
{
    if (length >= 8)
    {
        return _mm_set_epi64x(static_cast<long long>(load<std::uint64_t>(bytes + length - 8)),
                              static_cast<long long>(load<std::uint64_t>(bytes)));
    }
    if (length >= 4)
    {
        const std::uint64_t both = load<std::uint32_t>(bytes)
            | std::uint64_t(load<std::uint32_t>(bytes + length - 4)) << 32;
        return _mm_set1_epi64x(static_cast<long long>(both));
    }
    const std::uint32_t spread = bytes[0] | std::uint32_t(bytes[length / 2]) << 8
        | std::uint32_t(bytes[length - 1]) << 16 | std::uint32_t(bytes[0]) << 24;
    return _mm_set1_epi32(static_cast<int>(spread));
}

// Whether marks (a function from sixteen bytes to a mask with 0xFF at each
// byte of the kind) finds any byte of the kind in the text.
template <class Marks>
inline bool anyMarked(const unsigned char* bytes, std::size_t length, Marks marks)
{
    if (length <= 16)
        return length != 0 && _mm_movemask_epi8(marks(gatherShort(bytes, length))) != 0;
    for (std::size_t at = 0; at + 16 < length; at += 16)
    {
        if (_mm_movemask_epi8(marks(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)))) != 0)
            return true;
    }
    const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + length - 16));
    return _mm_movemask_epi8(marks(last)) != 0;
}

// "<", '"' and "&": what an attribute value may not hold unescaped.
inline __m128i attributeMarks(__m128i block)
{
    return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('<')),
                                     _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                        _mm_cmpeq_epi8(block, _mm_set1_epi8('&')));
}

// What text must not be copied into XML unexamined: & < > " ', every byte
// below 0x20 and every byte from 0x80 (these two as one signed comparison).
// "&" and "'" differ only in the lowest bit, "<" and ">" in the second.
inline __m128i specialMarks(__m128i block)
{
    const __m128i control = _mm_cmplt_epi8(block, _mm_set1_epi8(0x20));
    const __m128i ampersandOrApostrophe =
        _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(1)), _mm_set1_epi8('\''));
    const __m128i angle = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(2)), _mm_set1_epi8('>'));
    const __m128i quote = _mm_cmpeq_epi8(block, _mm_set1_epi8('"'));
    return _mm_or_si128(_mm_or_si128(control, ampersandOrApostrophe), _mm_or_si128(angle, quote));
}

inline bool hasAttributeMark(const char* text, std::size_t length)
{
    return anyMarked(reinterpret_cast<const unsigned char*>(text), length, attributeMarks);
}

inline bool hasSpecialByte(const char* text, std::size_t length)
{
    return anyMarked(reinterpret_cast<const unsigned char*>(text), length, specialMarks);
}

#else

inline bool hasAttributeMark(const char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
    {
        if (text[i] == '<' || text[i] == '"' || text[i] == '&')
            return true;
    }
    return false;
}

inline bool hasSpecialByte(const char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
    {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte >= 0x80 || byte == '&' || byte == '<' || byte == '>'
            || byte == '"' || byte == '\'')
            return true;
    }
    return false;
}

#endif

} // namespace ByteScan
} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
