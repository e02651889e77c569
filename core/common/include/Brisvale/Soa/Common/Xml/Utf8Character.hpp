#ifndef BRISVALE_SOA_COMMON_XML_UTF8CHARACTER_HPP
#define BRISVALE_SOA_COMMON_XML_UTF8CHARACTER_HPP

#include <cstddef>
#include <stdexcept>
#include <string>

#include <xercesc/util/XercesDefs.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The UTF-8 form of one character of UTF-16 text. Inline, so that BvStrX
// converts in the library that compiles it, and the reader's bulk
// converter writes what lies past ASCII the same way.
struct Utf8Character
{
    // The most bytes one character takes: a pair of surrogates takes four.
    static constexpr std::size_t kMaxBytes = 4;

    // Writes the character that starts at text[i] (one code unit, or a
    // pair of surrogates) to out, moves out past it and returns where the
    // next character starts. An unpaired surrogate is std::invalid_argument.
    static std::size_t write(char*& out, const XMLCh* text, std::size_t i, std::size_t length)
    {
        const char32_t unit = text[i];
        if (unit < 0x80)
        {
            *out++ = static_cast<char>(unit);
            return i + 1;
        }
        if (unit < 0x800)
        {
            *out++ = static_cast<char>(0xC0 | (unit >> 6));
            *out++ = static_cast<char>(0x80 | (unit & 0x3F));
            return i + 1;
        }
        if (isHighSurrogate(unit))
        {
            if (i + 1 >= length || !isLowSurrogate(text[i + 1]))
                refuseUnpairedSurrogate(i);
            const char32_t codePoint
                = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
            return i + 2;
        }
        if (isLowSurrogate(unit))
            refuseUnpairedSurrogate(i);
        *out++ = static_cast<char>(0xE0 | (unit >> 12));
        *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (unit & 0x3F));
        return i + 1;
    }

    static bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
    static bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

    [[noreturn]] static void refuseUnpairedSurrogate(std::size_t position)
    {
        throw std::invalid_argument("UTF-16 text has an unpaired surrogate at code unit "
                                    + std::to_string(position));
    }
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
