// The node's compact attribute store and shared names must behave exactly
// like a plain map and plain strings, whichever way they are reached.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

namespace {

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::parseXmlDocument;

TEST(XMLNodeAttributes, HasAttrTellsAnEmptyValueFromNone)
{
    const std::unique_ptr<XMLNode> root = parseXmlDocument("<r a=\"\" b=\"x\"/>");
    EXPECT_TRUE(root->hasAttr("a"));
    EXPECT_TRUE(root->hasAttr("b"));
    EXPECT_FALSE(root->hasAttr("c"));
    EXPECT_EQ("", root->getAttr("a"));
    EXPECT_EQ("x", root->getAttr("b"));
    EXPECT_FALSE(XMLNode().hasAttr("a"));
}

TEST(XMLNodeAttributes, SetAttrReplacesAndAddsBeforeAndAfterAttrs)
{
    XMLNode node;
    node.setAttr("b", "1");
    node.setAttr("a", "2");
    node.setAttr("b", "three");
    node.setAttr("c", std::string(300, 'x'));  // longer than a one-byte length
    EXPECT_EQ("three", node.getAttr("b"));
    EXPECT_EQ("2", node.getAttr("a"));
    EXPECT_EQ(std::string(300, 'x'), node.getAttr("c"));

    const std::map<std::string, std::string> expected{{"a", "2"}, {"b", "three"}, {"c", std::string(300, 'x')}};
    EXPECT_EQ(expected, node.attrs());

    // Once attrs() has built its map, changes show in it and in getAttr.
    node.setAttr("a", "4");
    node.setAttr("d", "");
    EXPECT_EQ("4", node.attrs().at("a"));
    EXPECT_EQ("4", node.getAttr("a"));
    EXPECT_TRUE(node.hasAttr("d"));
    EXPECT_EQ(4u, node.attrs().size());
}

TEST(XMLNodeAttributes, WideElementKeepsEveryAttribute)
{
    std::string text = "<r";
    for (int i = 0; i < 200; ++i)
        text += " a" + std::to_string(i) + "=\"v" + std::to_string(i) + "\"";
    text += "/>";
    const std::unique_ptr<XMLNode> root = parseXmlDocument(text);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ("v" + std::to_string(i), root->getAttr("a" + std::to_string(i)));
    EXPECT_FALSE(root->hasAttr("a200"));
    EXPECT_EQ(200u, root->attrs().size());

    XMLNode built;
    for (int i = 0; i < 200; ++i)
        built.setAttr("a" + std::to_string(i), "v" + std::to_string(i));
    built.setAttr("a7", "new");
    EXPECT_EQ("new", built.getAttr("a7"));
    EXPECT_EQ(200u, built.attrs().size());
}

TEST(XMLNodeAttributes, NonAsciiAndLongValuesSurviveTheParse)
{
    const std::string longValue(70000, 'z');
    const std::unique_ptr<XMLNode> root =
        parseXmlDocument("<r e=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\" l=\"" + longValue + "\"/>");
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", root->getAttr("e"));
    EXPECT_EQ(longValue, root->getAttr("l"));
}

TEST(XMLNodeNames, SharedNamesAndUrisStayPerNode)
{
    const std::unique_ptr<XMLNode> root = parseXmlDocument(
        "<r xmlns=\"urn:a\" xmlns:b=\"urn:b\"><c/><b:c><c xmlns=\"\"/></b:c><c/></r>");
    const auto& children = root->getChildren();
    ASSERT_EQ(3u, children.size());
    EXPECT_EQ("urn:a", children[0]->getNamespaceUri());
    EXPECT_EQ("urn:b", children[1]->getNamespaceUri());
    EXPECT_EQ("", children[1]->getChildren().at(0)->getNamespaceUri());
    EXPECT_EQ("urn:a", children[2]->getNamespaceUri());

    // Renaming one node leaves the others that shared its name alone.
    children[0]->setName("d");
    children[2]->setNamespaceUri("urn:z");
    EXPECT_EQ("d", children[0]->getName());
    EXPECT_EQ("c", children[1]->getName());
    EXPECT_EQ("c", children[2]->getName());
    EXPECT_EQ("urn:a", children[0]->getNamespaceUri());
    EXPECT_EQ("urn:z", children[2]->getNamespaceUri());
    EXPECT_EQ(root.get(), children[2]->getParent());
}

TEST(XMLNodeNames, DefaultChildKeepsNoNamespaceUnderANamespacedParent)
{
    XMLNode parent;
    parent.setNamespaceUri("urn:p");
    XMLNode* plain = parent.addChild(std::make_unique<XMLNode>());
    std::unique_ptr<XMLNode> inheriting(new XMLNode());
    inheriting->setNamespaceUriAsParent();
    XMLNode* child = parent.addChild(std::move(inheriting));
    EXPECT_EQ("", plain->getNamespaceUri());
    EXPECT_EQ("urn:p", child->getNamespaceUri());
    child->appendText("");
    EXPECT_EQ("", child->getText());
    child->appendText("ab");
    child->appendText("c");
    EXPECT_EQ("abc", child->getText());
}

TEST(XMLNodeParse, ManyChildrenAndTextKeepDocumentOrder)
{
    std::string text = "<r>";
    for (int i = 0; i < 3000; ++i)
        text += "<c n=\"" + std::to_string(i) + "\">t" + std::to_string(i) + "</c>";
    text += "</r>";
    const std::unique_ptr<XMLNode> root = parseXmlDocument(text);
    ASSERT_EQ(3000u, root->getChildren().size());
    for (int i = 0; i < 3000; i += 499)
    {
        const XMLNode& child = *root->getChildren()[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::to_string(i), child.getAttr("n"));
        EXPECT_EQ("t" + std::to_string(i), child.getText());
        EXPECT_EQ(root.get(), child.getParent());
    }
}

TEST(XMLNodeParse, FailureAfterManyNodesReleasesThemAll)
{
    // Under the sanitizers this also proves nothing leaks.
    std::string text = "<r><a x=\"1\"><b/><b/>";
    for (int i = 0; i < 100; ++i)
        text += "<c>t</c>";
    text += "</a><oops></r>";
    EXPECT_THROW(parseXmlDocument(text), Brisvale::Soa::Common::Exceptions::DomException);
}

} // namespace
