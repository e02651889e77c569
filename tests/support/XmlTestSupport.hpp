#ifndef BRISVALE_TESTING_XMLTESTSUPPORT_HPP
#define BRISVALE_TESTING_XMLTESTSUPPORT_HPP

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace Brisvale {
namespace Testing {

// Compares two documents as trees: namespace URI and local name of every
// element, attributes by name and value, the text of elements without
// children, and children in order. Prefixes and declarations don't matter.
::testing::AssertionResult sameXml(const std::string& actual, const std::string& expected);

// Compares two parsed trees the same way.
::testing::AssertionResult sameTree(const Soa::Common::Xml::XMLNode& actual,
                                    const Soa::Common::Xml::XMLNode& expected);

// The first difference between two trees, described with the path of the
// element where it is, or "" when they are the same: namespace URI and
// local name, every attribute, the text of every element and the children
// in order. Needs nothing of GoogleTest, so that any checker can use it.
std::string firstTreeDifference(const Soa::Common::Xml::XMLNode& actual,
                                const Soa::Common::Xml::XMLNode& expected);

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
