// The node's compact attribute store and shared names must behave exactly
// like a plain map and plain strings, whichever way they are reached.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

namespace {

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::SAXToNodeParser;
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
    XMLNode built;
    for (int i = 0; i < 200; ++i)
        built.setAttr("a" + std::to_string(i), "v" + std::to_string(i));
    built.setAttr("a7", "new");
    EXPECT_EQ("new", built.getAttr("a7"));
    EXPECT_EQ(200u, built.attrs().size());
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

TEST(XMLNodeAttributes, AttrsOfANodeWithoutAttributesShowsLaterSetAttr)
{
    XMLNode node;
    const std::map<std::string, std::string>& attributes = node.attrs();
    EXPECT_TRUE(attributes.empty());
    node.setAttr("a", "1");
    EXPECT_EQ(1u, attributes.size());
    EXPECT_EQ(&attributes, &node.attrs());

    EXPECT_NE(&attributes, &XMLNode().attrs());
}

TEST(XMLNodeAttributes, AttrsKeepsEveryValueAfterTheEntriesAreDropped)
{
    const std::unique_ptr<XMLNode> root = parseXmlDocument("<r a=\"1\" b=\"\" c=\"3\"/>");
    const std::map<std::string, std::string> expected{{"a", "1"}, {"b", ""}, {"c", "3"}};
    EXPECT_EQ(expected, root->attrs());
    EXPECT_TRUE(root->hasAttr("b"));
    root->setAttr("c", "4");
    EXPECT_EQ("4", root->attrs().at("c"));
}

// Needs about 9 GB of memory, so it runs only when asked to.
TEST(XMLNodeAttributes, AttributesPastFourGiBAreRefusedWithoutALeak)
{
    if (std::getenv("BRISVALE_LARGE_MEMORY_TESTS") == nullptr)
        GTEST_SKIP() << "set BRISVALE_LARGE_MEMORY_TESTS to run";
    // Each value fits a length field; together they overflow the block size.
    const std::string value(std::size_t{1} << 31, 'v');
    XMLNode node;
    node.setAttr("a", value);
    EXPECT_THROW(node.setAttr("b", value), std::length_error);
    EXPECT_FALSE(node.hasAttr("b"));
    EXPECT_EQ(value.size(), node.getAttr("a").size());
}

TEST(XMLNodeNames, ChangingAParentsNamespaceLeavesItsChildren)
{
    const std::unique_ptr<XMLNode> root = parseXmlDocument("<a xmlns='urn:u'><b><c/></b></a>");
    XMLNode& child = *root->getChildren().at(0);
    root->setNamespaceUri("urn:v");
    EXPECT_EQ("urn:u", child.getNamespaceUri());
    EXPECT_EQ("urn:u", child.getChildren().at(0)->getNamespaceUri());
    child.setNamespaceUri("");
    EXPECT_EQ("", child.getNamespaceUri());
    EXPECT_EQ("urn:u", child.getChildren().at(0)->getNamespaceUri());
    EXPECT_EQ("urn:v", root->getNamespaceUri());

    // A node alone with its URI changes it in place: the reference it
    // handed out stays valid and shows the change.
    const std::string& own = root->getNamespaceUri();
    root->setNamespaceUri("urn:w");
    EXPECT_EQ("urn:w", own);
}

TEST(XMLNodeParse, HandlerReusedAfterAFailedParseStartsAfresh)
{
    xercesc::XMLPlatformUtils::Initialize();
    {
        SAXToNodeParser handler;
        const std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
        reader->setContentHandler(&handler);
        reader->setErrorHandler(&handler);
        const auto parse = [&](const std::string& text) {
            xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                              "document", false);
            reader->parse(source);
        };

        EXPECT_THROW(parse("<a xmlns='urn:a'><b>"), DomException);
        // The same names again, each time after the tree that had them is gone.
        for (int i = 0; i < 2; ++i)
        {
            parse("<a xmlns='urn:a'><b/></a>");
            const std::unique_ptr<XMLNode> root = handler.takeRoot();
            ASSERT_NE(nullptr, root);
            EXPECT_EQ("b", root->getChildren().at(0)->getName());
            EXPECT_EQ("urn:a", root->getChildren().at(0)->getNamespaceUri());
            EXPECT_EQ(nullptr, handler.takeRoot());
        }
    }
    xercesc::XMLPlatformUtils::Terminate();
}

TEST(XMLNodeNames, DefaultChildKeepsNoNamespaceUnderANamespacedParent)
{
    XMLNode parent;
    parent.setNamespaceUri("urn:p");
    XMLNode* child = parent.addChild(std::make_unique<XMLNode>());
    EXPECT_EQ("", child->getNamespaceUri());
    child->appendText("ab");
    child->appendText("c");
    EXPECT_EQ("abc", child->getText());
}

TEST(XMLNode, DefaultNodeIsAnEmptyRootThatOwnsItsChildrenOnce)
{
    XMLNode parent;
    EXPECT_EQ(nullptr, parent.getParent());
    XMLNode* child = parent.addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    EXPECT_EQ(&parent, child->getParent());
    ASSERT_EQ(1u, parent.getChildren().size());
    EXPECT_THROW(parent.addChild(nullptr), std::invalid_argument);
    std::unique_ptr<XMLNode> owned(new XMLNode());
    XMLNode* grandchild = owned->addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    EXPECT_EQ(owned.get(), grandchild->getParent());
    parent.addChild(std::move(owned));
}

TEST(XMLNode, ANodeCannotBecomeAChildInItsOwnTreeAndTheCallerKeepsIt)
{
    std::unique_ptr<XMLNode> root = parseXmlDocument("<a><b><c/></b></a>");
    XMLNode* deepest = root->getChildren()[0]->getChildren()[0];
    EXPECT_THROW(deepest->addChild(std::move(root)), std::invalid_argument);
    EXPECT_THROW(root->addChild(std::move(root)), std::invalid_argument);
    ASSERT_NE(nullptr, root);
    EXPECT_TRUE(deepest->getChildren().empty());
    std::unique_ptr<XMLNode> other(new XMLNode());
    deepest->addChild(std::move(other));
    EXPECT_EQ(1u, deepest->getChildren().size());
}

TEST(XMLNode, ParsedTreesAndBuiltNodesMixAndAreFreedTogether)
{
    XMLNode built;
    std::unique_ptr<XMLNode> parsed = parseXmlDocument("<a><b><c/></b></a>");
    XMLNode* added = parsed->getChildren()[0]->addChild(std::make_unique<XMLNode>());
    added->addChild(parseXmlDocument("<d><e/></d>"));
    built.addChild(std::move(parsed));
    EXPECT_EQ("d", added->getChildren()[0]->getName());
    EXPECT_EQ(added, added->getChildren()[0]->getParent());
}

TEST(XMLNode, VeryDeepTreeIsDestroyedWithoutRecursion)
{
    std::unique_ptr<XMLNode> root(new XMLNode());
    XMLNode* node = root.get();
    for (int i = 0; i < 200000; ++i)
        node = node->addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    root.reset();
}

TEST(DomException, CopiesCarryTheMessage)
{
    DomException original("first");
    DomException copy(original);
    copy.setMessage("second");
    EXPECT_EQ("first", original.getMessage());
    original = copy;
    EXPECT_EQ("second", original.getMessage());
}

} // namespace
