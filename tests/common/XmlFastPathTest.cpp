// The quick paths that writing and reading large messages take: inserting
// into an XmlStream, checking plain names, and nodes that share their
// parent's namespace. Each must behave exactly as the general path does.

#include <ios>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;

namespace {

bool isAcceptedElementName(const std::string& name)
{
    XmlStream stream;
    try
    {
        stream << stream.writeOpenElement("urn:a", name);
        return true;
    }
    catch (const std::invalid_argument&)
    {
        return false;
    }
}

} // namespace

TEST(XmlStreamInsertion, WritesWhatTheStandardOperatorWrites)
{
    XmlStream stream;
    std::ostringstream expected;
    const std::string text = "<ns1:a b=\"c\">";
    stream << text << "x" << std::string() << text;
    expected << text << "x" << std::string() << text;
    EXPECT_EQ(expected.str(), stream.str());

    // A field width pads the next insertion, as the standard operator does.
    stream.width(6);
    expected.width(6);
    stream << std::string("ab");
    expected << std::string("ab");
    stream << "cd";
    expected << "cd";
    EXPECT_EQ(expected.str(), stream.str());
}

TEST(XmlStreamInsertion, AFailedStreamThrows)
{
    XmlStream stream;
    EXPECT_THROW(stream.setstate(std::ios::badbit), std::ios_base::failure);
    EXPECT_THROW(stream << std::string("text"), std::ios_base::failure);
    EXPECT_THROW(stream << "text", std::ios_base::failure);
}

TEST(XmlStreamNames, PlainAndUnusualNamesAreJudgedAlike)
{
    for (const char* name : {"a", "_a", "a-b.c_d9", "ns1:item", "A:B", "\xC3\xA9t\xC3\xA9", "p:\xC3\xA9"})
        EXPECT_TRUE(isAcceptedElementName(name)) << name;
    for (const char* name : {"", ":a", "a:", "a::b", "a:b:c", "1a", "a:1b", "-a", "a:-b", ".a",
                             "a b", "a\"", "a>", "\xC3"})
        EXPECT_FALSE(isAcceptedElementName(name)) << name;
}

TEST(XmlNodeNamespaces, ElementsReportTheirNamespaceWhereverItIsDeclared)
{
    const std::unique_ptr<XMLNode> root = parseXmlDocument(
        "<r xmlns='urn:r' xmlns:o='urn:o'>"
        "<same><deeper/></same>"
        "<o:other><back xmlns='urn:r'/><o:still/></o:other>"
        "<none xmlns=''><inner/></none>"
        "</r>");
    const auto& children = root->getChildren();
    ASSERT_EQ(3u, children.size());
    EXPECT_EQ("urn:r", root->getNamespaceUri());
    EXPECT_EQ("urn:r", children[0]->getNamespaceUri());
    EXPECT_EQ("urn:r", children[0]->getChildren()[0]->getNamespaceUri());
    EXPECT_EQ("urn:o", children[1]->getNamespaceUri());
    EXPECT_EQ("urn:r", children[1]->getChildren()[0]->getNamespaceUri());
    EXPECT_EQ("urn:o", children[1]->getChildren()[1]->getNamespaceUri());
    EXPECT_EQ("", children[2]->getNamespaceUri());
    EXPECT_EQ("", children[2]->getChildren()[0]->getNamespaceUri());
}

TEST(XmlNodeNamespaces, NodesBuiltByHandKeepWhatTheyAreGiven)
{
    XMLNode root;
    root.setNamespaceUri("urn:r");
    XMLNode* child = root.addChild(std::make_unique<XMLNode>());
    EXPECT_EQ("", child->getNamespaceUri());
    child->setNamespaceUri("urn:c");
    EXPECT_EQ("urn:c", child->getNamespaceUri());
    EXPECT_THROW(child->setNamespaceUri(std::string(1, '\0')), std::invalid_argument);
    EXPECT_EQ("urn:c", child->getNamespaceUri());
}
