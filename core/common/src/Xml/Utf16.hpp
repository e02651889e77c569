#ifndef BRISVALE_SOA_COMMON_XML_UTF16_HPP
#define BRISVALE_SOA_COMMON_XML_UTF16_HPP

#include <cstddef>
#include <string>

#include <xercesc/util/XercesDefs.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Appends the UTF-8 form of UTF-16 text to out. An unpaired surrogate is
// std::invalid_argument; out then holds what came before it.
void appendUtf8(std::string& out, const XMLCh* text, std::size_t length);

// The number of code units before the terminating zero.
std::size_t utf16Length(const XMLCh* text);

// The UTF-8 form of zero-terminated UTF-16 text; null gives "".
std::string toUtf8(const XMLCh* text);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
