#include "Xml/Utf16.hpp"

#include <stdexcept>

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

} // namespace

void appendUtf8(std::string& out, const XMLCh* text, std::size_t length)
{
    // Reserve for the common case of mostly ASCII text; longer encodings
    // grow the string as usual.
    out.reserve(out.size() + length);

    std::size_t i = 0;
    while (i < length)
    {
        std::size_t asciiEnd = i;
        while (asciiEnd < length && text[asciiEnd] < 0x80)
            ++asciiEnd;
        if (asciiEnd > i)
        {
            const std::size_t start = out.size();
            out.resize(start + (asciiEnd - i));
            char* destination = &out[start];
            for (; i < asciiEnd; ++i)
                *destination++ = static_cast<char>(text[i]);
            continue;
        }

        const char32_t unit = text[i];
        if (unit < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            ++i;
        }
        else if (isHighSurrogate(unit))
        {
            if (i + 1 >= length || !isLowSurrogate(text[i + 1]))
                throwUnpairedSurrogate(i);
            const char32_t codePoint = 0x10000 + ((unit - 0xD800) << 10)
                                     + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
            i += 2;
        }
        else if (isLowSurrogate(unit))
        {
            throwUnpairedSurrogate(i);
        }
        else
        {
            out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            ++i;
        }
    }
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
