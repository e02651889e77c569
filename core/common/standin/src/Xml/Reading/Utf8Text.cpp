#include "Xml/Reading/Utf8Text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <Brisvale/Soa/Common/Xml/Utf8Character.hpp>

#include "Xml/Text/ByteScan.hpp"
#include "Xml/Text/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

const std::size_t kWord = sizeof(std::uint64_t);

bool wordIsAscii(const unsigned char* bytes)
{
    return (ByteScan::load<std::uint64_t>(bytes) & 0x8080808080808080u) == 0;
}

// Writes the UTF-8 form of ISO-8859-1 text, ASCII a word at a time.
char* writeLatin1(char* out, const unsigned char* bytes, std::size_t length)
{
    std::size_t i = 0;
    while (i < length)
    {
        if (length - i >= kWord && wordIsAscii(bytes + i))
        {
            std::memcpy(out, bytes + i, kWord);
            out += kWord;
            i += kWord;
            continue;
        }
        const unsigned char byte = bytes[i++];
        if (byte < 0x80)
        {
            *out++ = static_cast<char>(byte);
            continue;
        }
        *out++ = static_cast<char>(0xC0 | byte >> 6);
        *out++ = static_cast<char>(0x80 | (byte & 0x3F));
    }
    return out;
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
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(data);
    std::string out;
    if (layout.encoding == TextEncoding::Latin1)
    {
        // The screen counted every byte past ASCII, which takes two in UTF-8.
        out.resize(layout.utf8Length);
        out.resize(static_cast<std::size_t>(writeLatin1(&out[0], bytes, length) - out.data()));
        return out;
    }
    // The mark, U+FEFF, is converted with the rest.
    out.reserve(layout.utf8Length);
    appendUtf16(out, bytes, length / 2, layout.encoding == TextEncoding::Utf16BigEndian);
    return out;
}

TextLayout utf8CopyLayout(const TextLayout& layout)
{
    const std::size_t kUtf8MarkLength = 3;
    return TextLayout{TextEncoding::Utf8, layout.markLength == 0 ? 0 : kUtf8MarkLength, layout.utf8Length};
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
