#include "Xml/Reading/Utf8Text.hpp"

#include <algorithm>

#include <Brisvale/Soa/Common/Xml/Utf8Character.hpp>

#include "Xml/Text/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

void appendLatin1(std::string& out, const unsigned char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
    {
        const unsigned char byte = bytes[i];
        if (byte < 0x80)
        {
            out += static_cast<char>(byte);
            continue;
        }
        out += static_cast<char>(0xC0 | byte >> 6);
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

// Converted through the UTF-16 converter a block of units at a time, in
// the machine's byte order, never splitting a pair of surrogates.
void appendUtf16(std::string& out, const unsigned char* bytes, std::size_t units, bool bigEndian)
{
    const std::size_t kBlock = 1024;
    XMLCh block[kBlock];
    for (std::size_t i = 0; i < units;)
    {
        std::size_t count = std::min(kBlock, units - i);
        for (std::size_t k = 0; k < count; ++k)
            block[k] = static_cast<XMLCh>(utf16UnitAt(bytes, i + k, bigEndian));
        if (i + count < units && Utf8Character::isHighSurrogate(block[count - 1]))
            --count;
        appendUtf8(out, block, count);
        i += count;
    }
}

} // namespace

bool needsUtf8Copy(TextEncoding encoding)
{
    return encoding != TextEncoding::Utf8 && encoding != TextEncoding::Ascii;
}

std::string utf8Copy(const char* data, std::size_t length, const TextLayout& layout)
{
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(data) + layout.markLength;
    length -= layout.markLength;
    std::string out;
    out.reserve(layout.utf8Length);
    if (layout.encoding == TextEncoding::Latin1)
        appendLatin1(out, bytes, length);
    else
        appendUtf16(out, bytes, length / 2, layout.encoding == TextEncoding::Utf16BigEndian);
    return out;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
