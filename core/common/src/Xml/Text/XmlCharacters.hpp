#ifndef BRISVALE_SOA_COMMON_XML_XMLCHARACTERS_HPP
#define BRISVALE_SOA_COMMON_XML_XMLCHARACTERS_HPP

#include <cstddef>
#include <string>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The position of the first byte of text, at or after from, that cannot be
// copied into XML as it is: a character to escape, a control character or
// the start of a non-ASCII sequence (which must be checked). npos if none.
std::size_t findFirstSpecialByte(const std::string& text, std::size_t from = 0);

// Appends text to out with & < > " ' TAB LF CR written as references. The
// first `verified` bytes are known to need nothing and are copied as they
// are. Text that XML 1.0 cannot carry is std::invalid_argument.
void appendXmlEscaped(std::string& out, const char* text, std::size_t length,
                      std::size_t verified = 0);
void appendXmlEscaped(std::string& out, const std::string& text,
                      std::size_t verified = 0);

// The size of text once appendXmlEscaped has written it, for text it
// accepts; the first `verified` bytes are known to need nothing.
std::size_t xmlEscapedSize(const std::string& text, std::size_t verified = 0);

// Whether a character is XML white space: space, tab, CR or LF.
inline bool isXmlSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether a character may start a name of XML 1.0 with namespaces
// (NameStartChar without the colon), and whether it may stand inside one
// (NameChar without the colon).
bool isNameStartChar(char32_t c);
bool isNameChar(char32_t c);

// Whether a text can stand as it is between the double quotes of an
// attribute: no "<" and no '"', and every "&" starts a reference that a
// reader resolves without a document type declaration (one of the five
// predefined entities, or a character reference to a character that XML 1.0
// carries).
bool isEscapedAttributeText(const std::string& text);

// Decodes one UTF-8 sequence at text[position], moving position past it.
// Overlong forms, encoded surrogates, values above U+10FFFF and truncated
// sequences give kInvalidSequence.
const char32_t kInvalidSequence = 0xFFFFFFFF;
char32_t decodeUtf8(const unsigned char* text, std::size_t length, std::size_t& position);

// Where a qualified name ("local" or "prefix:local") has its colon; npos
// for an unprefixed name. A name that is not a QName of XML 1.0 with
// namespaces is std::invalid_argument; `what` says what the name is for in
// the message ("element", "attribute").
std::size_t checkQualifiedName(const std::string& name, const char* what);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
