#ifndef BRISVALE_SOA_COMMON_XML_GATHEREDTEXT_HPP
#define BRISVALE_SOA_COMMON_XML_GATHEREDTEXT_HPP

#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>

#include "Xml/Writing/ShortBytes.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Builds a text of known size from its pieces, for the tags and attributes
// the stream returns. A text of up to 256 bytes, nearly every one, is
// gathered in a buffer on the stack and the string is made from it in one
// copy: it is allocated once (not at all when it fits the string's own
// buffer) and no byte is written into it twice. A longer one is written
// into a string made at its size.
//
// Nothing but the string can fail, so a text is built whole or not at all,
// before the caller changes anything.
class GatheredText
{
public:
    static constexpr std::size_t kOnStack = 256;

    // The text of exactly `size` bytes that `write` adds, piece by piece,
    // to the GatheredText it is given. Inlined into each caller, so that
    // the pieces are copied where they are known.
    template <class Write>
    [[gnu::always_inline]] static std::string build(std::size_t size, const Write& write)
    {
        if (size > kOnStack)
            return buildLong(size, write);
        char onStack[kOnStack];
        writeInto(onStack, size, write);
        return std::string(onStack, size);
    }

    GatheredText& add(char byte)
    {
        *fOut++ = byte;
        return *this;
    }

    GatheredText& add(std::string_view piece)
    {
        fOut = ShortBytes::copy(fOut, piece);
        return *this;
    }

private:
    explicit GatheredText(char* out) : fOut(out) {}

    template <class Write>
    [[gnu::noinline]] static std::string buildLong(std::size_t size, const Write& write)
    {
        std::string text(size, '\0');
        writeInto(text.data(), size, write);
        return text;
    }

    template <class Write>
    static void writeInto(char* out, std::size_t size, const Write& write)
    {
        GatheredText pieces(out);
        write(pieces);
        assert(pieces.fOut == out + size);
        (void)size;
    }

    char* fOut;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
