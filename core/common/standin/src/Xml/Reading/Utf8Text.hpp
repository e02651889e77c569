#ifndef BRISVALE_SOA_COMMON_XML_UTF8TEXT_HPP
#define BRISVALE_SOA_COMMON_XML_UTF8TEXT_HPP

#include <cstddef>
#include <string>

#include "Xml/Reading/TextPositions.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Whether text in this encoding must be converted to be read as UTF-8:
// US-ASCII text that the screen has passed is UTF-8 already.
bool needsUtf8Copy(TextEncoding encoding);

// The UTF-8 form of ISO-8859-1 or UTF-16 text that the screen has passed
// in this layout (so with no unpaired surrogate, and with its UTF-8 length
// counted exactly). A byte-order mark becomes UTF-8's, so that a U+FEFF
// after it stays a character, as it is in the original.
std::string utf8Copy(const char* data, std::size_t length, const TextLayout& layout);

// The layout of that copy.
TextLayout utf8CopyLayout(const TextLayout& layout);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
