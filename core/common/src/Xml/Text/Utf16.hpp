#ifndef BRISVALE_SOA_COMMON_XML_UTF16_HPP
#define BRISVALE_SOA_COMMON_XML_UTF16_HPP

#include <cstddef>
#include <string>

#include <xercesc/util/XercesDefs.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The most bytes of UTF-8 that one UTF-16 code unit stands for: a pair of
// surrogates stands for four.
const std::size_t kUtf8BytesPerUnit = 3;

// Appends the UTF-8 form of UTF-16 text to out. An unpaired surrogate is
// std::invalid_argument; out then holds what came before it.
void appendUtf8(std::string& out, const XMLCh* text, std::size_t length);

// Writes the UTF-8 form of UTF-16 text to destination, which has room for
// kUtf8BytesPerUnit bytes a unit, and returns the bytes written. An
// unpaired surrogate is std::invalid_argument.
std::size_t writeUtf8(char* destination, const XMLCh* text, std::size_t length);

// The bytes of UTF-8 that one UTF-16 code unit stands for, each half of a
// pair of surrogates standing for two of the pair's four.
inline std::size_t utf8BytesOfUnit(char32_t unit)
{
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    return unit < 0x80 ? 1 : unit < 0x800 || surrogate ? 2 : 3;
}

// The length in UTF-8 of UTF-16 text whose surrogates are all paired.
std::size_t utf8LengthOf(const XMLCh* text, std::size_t length);

// The number of code units before the terminating zero.
std::size_t utf16Length(const XMLCh* text);

// The UTF-8 form of zero-terminated UTF-16 text; null gives "".
std::string toUtf8(const XMLCh* text);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
