#ifndef BRISVALE_SOA_COMMON_XML_DOCUMENTSCREEN_HPP
#define BRISVALE_SOA_COMMON_XML_DOCUMENTSCREEN_HPP

#include <cstddef>

#include "Xml/Reading/TextPositions.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Attributes, namespace declarations included, that one element may carry.
const std::size_t kMaxAttributesPerElement = 256;

// Checks the whole text of a document before any parser reads it, the same
// way for every parser, and refuses a text of 2 GiB or more, as given or in
// UTF-8 (libxml2 counts bytes in an int), and with a DomException naming
// the line and column of the offending character:
// - text in UCS-4 or EBCDIC (only UTF-8, UTF-16 and the encodings that
//   share ASCII's bytes are read);
// - an XML version other than 1.0; a byte-order mark or byte layout that
//   contradicts the declared encoding; an encoding other than UTF-8, UTF-16,
//   US-ASCII and ISO-8859-1;
// - a document type declaration;
// - a NUL character anywhere, so that nothing can hide behind one;
// - in UTF-8 text, any byte that is not part of a valid UTF-8 sequence; in
//   US-ASCII text, any byte past ASCII; in UTF-16 text, an unpaired
//   surrogate;
// - an element name with the prefix xmlns;
// - more than kMaxAttributesPerElement attributes on one element, counted
//   before any parser spends time on them.
// Returns the encoding it found, which every parser is then held to, and
// the text's length in UTF-8.
TextLayout screenDocument(const char* data, std::size_t length);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
