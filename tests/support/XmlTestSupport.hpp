#ifndef BRISVALE_TESTING_XMLTESTSUPPORT_HPP
#define BRISVALE_TESTING_XMLTESTSUPPORT_HPP

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace Brisvale {
namespace Testing {

// Compares two documents as trees: namespace URI and local name of every
// element, attributes by name and value, the text of elements without
// children, and children in order. Prefixes and declarations don't matter.
::testing::AssertionResult sameXml(const std::string& actual, const std::string& expected);

// The first difference between two trees, described with the path of the
// element where it is, or "" when they are the same: namespace URI and
// local name, every attribute, the text of every element (or only of those
// without children), the children in order and their parent. Needs nothing of
// GoogleTest, so that any checker can use it.
std::string firstTreeDifference(const Soa::Common::Xml::XMLNode& actual, const Soa::Common::Xml::XMLNode& expected,
                                bool leafTextOnly = false);

// Each element of a tree as "{uri}name", with its children in brackets.
std::string outline(const Soa::Common::Xml::XMLNode& node);

// Appends a character as UTF-8, or as UTF-16 in either byte order.
void appendUtf8(std::string& text, char32_t c);
void appendUtf16(std::string& text, char32_t c, bool bigEndian);

// The character of UTF-8 text that starts at a byte, which `at` then
// passes; kNotUtf8 where the bytes are not UTF-8.
const char32_t kNotUtf8 = 0x110000;
char32_t decodeUtf8(std::string_view text, std::size_t& at);

// Valid UTF-8 text as UTF-16, after a byte-order mark unless told not to.
std::string utf16(const std::string& utf8, bool bigEndian, bool withMark = true);

// The tree that `read` makes of a text; null, failing the test, if it
// refuses the text.
template <class Read>
std::unique_ptr<Soa::Common::Xml::XMLNode> readOrFail(Read read, const std::string& text)
{
    try
    {
        return read(text);
    }
    catch (Soa::Common::Exceptions::DomException& error)
    {
        ADD_FAILURE() << "refused: " << error.getMessage();
    }
    return nullptr;
}

// Writes a message as the outermost element of a new stream and returns the text.
template <class Message>
std::string writeXml(const Message& message, const std::string& rootName)
{
    Soa::Common::Xml::XmlStream stream;
    message.outputXML(stream, rootName);
    return stream.str();
}

// Parses text into a node tree and the tree into a new default message.
template <class Message>
Message readXml(const std::string& text)
{
    std::unique_ptr<Soa::Common::Xml::XMLNode> root = Soa::Common::Xml::parseXmlDocument(text);
    Message message;
    message.parse(*root);
    return message;
}

} // namespace Testing
} // namespace Brisvale

#endif
