#ifndef BRISVALE_SOA_COMMON_XML_SHORTBYTES_HPP
#define BRISVALE_SOA_COMMON_XML_SHORTBYTES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "Xml/Text/ByteScan.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Comparing and copying the short runs of bytes the stream handles most:
// names, prefixes and declarations. Runs of up to sixteen bytes are taken
// as whole words that stay inside them (overlapping where they must),
// without calling memcmp or memcpy.
namespace ShortBytes {

// Equality of two runs of bytes of one size.
inline bool same(const char* left, const char* right, std::size_t size)
{
    using ByteScan::load;
    if (size > 16)
        return std::memcmp(left, right, size) == 0;
    if (size >= 8)
    {
        return load<std::uint64_t>(left) == load<std::uint64_t>(right)
            && load<std::uint64_t>(left + size - 8) == load<std::uint64_t>(right + size - 8);
    }
    if (size >= 4)
    {
        return load<std::uint32_t>(left) == load<std::uint32_t>(right)
            && load<std::uint32_t>(left + size - 4) == load<std::uint32_t>(right + size - 4);
    }
    return size == 0
        || (left[0] == right[0] && left[size / 2] == right[size / 2] && left[size - 1] == right[size - 1]);
}

// Equality of a text with the bytes at data.
inline bool sameText(std::string_view text, const char* data, std::size_t size)
{
    return text.size() == size && same(text.data(), data, size);
}

// Copies a piece of text to out and returns the end of the copy.
inline char* copy(char* out, std::string_view piece)
{
    using ByteScan::load;
    const char* from = piece.data();
    const std::size_t size = piece.size();
    if (size > 16)
        std::memcpy(out, from, size);
    else if (size >= 8)
    {
        const std::uint64_t head = load<std::uint64_t>(from);
        const std::uint64_t tail = load<std::uint64_t>(from + size - 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + size - 8, &tail, 8);
    }
    else if (size >= 4)
    {
        const std::uint32_t head = load<std::uint32_t>(from);
        const std::uint32_t tail = load<std::uint32_t>(from + size - 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + size - 4, &tail, 4);
    }
    else if (size != 0)
    {
        out[0] = from[0];
        out[size / 2] = from[size / 2];
        out[size - 1] = from[size - 1];
    }
    return out + size;
}

} // namespace ShortBytes

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
