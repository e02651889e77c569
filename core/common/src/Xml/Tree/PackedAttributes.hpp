#ifndef BRISVALE_SOA_COMMON_XML_PACKEDATTRIBUTES_HPP
#define BRISVALE_SOA_COMMON_XML_PACKEDATTRIBUTES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The packed form of a node's attributes: one entry per attribute, the name
// then the value, each a length followed by that many bytes. A length below
// 255 is one byte; a longer one is the byte 255 and then four bytes.
// The parser writes it straight into a scratch buffer; XMLNode keeps it.

const unsigned char kLongLength = 255;
const std::size_t kLongLengthBytes = 1 + sizeof(std::uint32_t);

inline std::uint32_t checkedLength(std::size_t length)
{
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("XMLNode: attributes longer than 4 GiB");
    return static_cast<std::uint32_t>(length);
}

inline std::size_t fieldBytes(std::size_t length)
{
    return (length < kLongLength ? 1 : kLongLengthBytes) + length;
}

// Reads one field at `at` into `field` and returns where the next begins.
inline const char* readField(const char* at, std::string_view& field)
{
    std::uint32_t length = static_cast<unsigned char>(*at);
    ++at;
    if (length == kLongLength)
    {
        std::memcpy(&length, at, sizeof length);
        at += sizeof length;
    }
    field = std::string_view(at, length);
    return at + length;
}

// Starts a field at the end of `packed` whose text the caller then appends;
// endField writes its length.
inline std::size_t beginField(std::string& packed)
{
    const std::size_t start = packed.size();
    packed.push_back('\0');
    return start;
}

inline void endField(std::string& packed, std::size_t start)
{
    const std::size_t length = packed.size() - start - 1;
    if (length < kLongLength)
    {
        packed[start] = static_cast<char>(length);
        return;
    }
    const std::uint32_t checked = checkedLength(length);
    packed[start] = static_cast<char>(kLongLength);
    packed.insert(start + 1, sizeof checked, '\0');
    std::memcpy(&packed[start + 1], &checked, sizeof checked);
}

// Writes the length of a field at `at` and returns where its text starts.
inline char* writeLength(char* at, std::size_t length)
{
    if (length < kLongLength)
    {
        *at = static_cast<char>(length);
        return at + 1;
    }
    const std::uint32_t checked = checkedLength(length);
    *at = static_cast<char>(kLongLength);
    std::memcpy(at + 1, &checked, sizeof checked);
    return at + kLongLengthBytes;
}

// Copies text to `at` and returns where it ends.
inline char* writeText(char* at, std::string_view text)
{
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// Appends one whole field holding text to `packed`.
inline void appendField(std::string& packed, std::string_view text)
{
    const std::size_t field = beginField(packed);
    packed.append(text.data(), text.size());
    endField(packed, field);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
