#ifndef BRISVALE_TESTING_RANDOMXMLDOCUMENT_HPP
#define BRISVALE_TESTING_RANDOMXMLDOCUMENT_HPP

#include <cstdint>
#include <string>

namespace Brisvale {
namespace Testing {

struct RandomXmlDocument
{
    std::string bytes;
    // Whether a byte was changed or dropped or the end cut off, so that the
    // document may no longer be well-formed.
    bool mutated;
    // Whether an element has the prefix xmlns, or a declaration binds the
    // prefix xmlns, the prefix xml to another namespace, or another prefix
    // to either's namespace: well-formed, but not with namespaces.
    bool misusesReservedName;
};

// A random XML 1.0 document without a document type declaration: the
// same bytes for the same seed on every platform. It is written in UTF-8
// with or without a byte-order mark, in UTF-16LE or UTF-16BE with one or
// with a declaration naming UTF-16, or in ISO-8859-1 or US-ASCII with a
// declaration naming them, and is full of what readers get wrong:
// comments whose text starts with ">" or "->", processing instructions,
// CDATA sections, both quotes, "=" and ">" in values, entity and
// character references (non-ASCII and beyond the BMP too), CR, CRLF and
// lone CR in text and values, any white space after "<?xml", prefixed and
// default namespaces, the default one undeclared, attributes in
// namespaces, non-ASCII names and text. One element in a hundred has the
// prefix xmlns, and one in a hundred misuses a reserved prefix or
// namespace in a declaration. One document in ten is mutated.
RandomXmlDocument randomXmlDocument(std::uint32_t seed);

} // namespace Testing
} // namespace Brisvale

#endif
