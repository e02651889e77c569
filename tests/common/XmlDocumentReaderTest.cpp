#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::SAXToNodeParser;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::parseXmlDocument;

namespace {

// The DomException message of a refused document; fails the test if the
// document is accepted.
std::string refusal(const std::string& document)
{
    try
    {
        parseXmlDocument(document);
    }
    catch (DomException& error)
    {
        return error.getMessage();
    }
    ADD_FAILURE() << "accepted: " << document.substr(0, 200);
    return std::string();
}

std::string nested(std::size_t depth)
{
    std::string text;
    for (std::size_t i = 0; i < depth; ++i)
        text += "<e>";
    for (std::size_t i = 0; i < depth; ++i)
        text += "</e>";
    return text;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(XmlDocumentReader, BuildsTheTreeWithExactText)
{
    const auto root = parseXmlDocument(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<r:root xmlns:r=\"urn:r\" xmlns=\"urn:d\" a=\"1\" b=\"x &amp; y&#10;z\">"
        "<first k=\"v\">  spaced\ttext  </first><!-- note --><?pi data?>"
        "<second><![CDATA[<raw> & ]]>&#x1F600;\xC3\xA9</second>tail</r:root>");

    EXPECT_EQ("root", root->getName());
    EXPECT_EQ("urn:r", root->getNamespaceUri());
    EXPECT_EQ(nullptr, root->getParent());
    EXPECT_EQ("1", root->getAttr("a"));
    EXPECT_EQ("x & y\nz", root->getAttr("b"));
    EXPECT_EQ("", root->getAttr("missing"));
    EXPECT_EQ(2u, root->attrs().size());
    EXPECT_EQ("tail", root->getText());

    ASSERT_EQ(2u, root->getChildren().size());
    const XMLNode& first = *root->getChildren()[0];
    EXPECT_EQ("first", first.getName());
    EXPECT_EQ("urn:d", first.getNamespaceUri());
    EXPECT_EQ(root.get(), first.getParent());
    EXPECT_EQ("  spaced\ttext  ", first.getText());
    EXPECT_EQ("<raw> & \xF0\x9F\x98\x80\xC3\xA9", root->getChildren()[1]->getText());
}

TEST(XmlDocumentReader, ConvertsOtherEncodingsToUtf8)
{
    const auto root = parseXmlDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"caf\xE9\"/>");
    EXPECT_EQ("caf\xC3\xA9", root->getAttr("v"));
}

TEST(XmlDocumentReader, UnqualifiedAttributeWinsOverANamespacedOneOfTheSameName)
{
    const auto root = parseXmlDocument("<a xmlns:p=\"urn:p\" p:uid=\"namespaced\" uid=\"plain\"/>");
    EXPECT_EQ("plain", root->getAttr("uid"));
}

TEST(XmlDocumentReader, MalformedDocumentNamesLineAndColumn)
{
    const std::string message = refusal("<a>\n  <b></a>");
    EXPECT_TRUE(contains(message, "line 2")) << message;
    EXPECT_TRUE(contains(message, "column")) << message;
}

TEST(XmlDocumentReader, RefusesEmptyTextAndUndeclaredPrefixes)
{
    refusal("");
    refusal("not xml");
    refusal("<a/><b/>");
    refusal("<p:a/>");
    refusal("<a>&#0;</a>");
}

TEST(XmlDocumentReader, RefusesDocumentTypeDeclarations)
{
    const std::string bare = refusal("<?xml version=\"1.0\"?>\n<!-- a -->\n  <!DOCTYPE a><a/>");
    EXPECT_TRUE(contains(bare, "document type")) << bare;
    EXPECT_TRUE(contains(bare, "line 3, column 3")) << bare;
    EXPECT_TRUE(contains(refusal("\xEF\xBB\xBF<!DOCTYPE a><a/>"), "document type"));
    EXPECT_TRUE(contains(refusal("<!DOCTYPE a []><a/>"), "document type"));
    EXPECT_TRUE(contains(refusal("<!DOCTYPE a SYSTEM \"http://127.0.0.1:9/a.dtd\"><a/>"),
                         "document type"));
    EXPECT_TRUE(contains(refusal("<!DOCTYPE a PUBLIC \"-//x//y//EN\" \"a.dtd\"><a/>"),
                         "document type"));
}

TEST(XmlDocumentReader, RefusesExternalEntities)
{
    refusal("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><a>&e;</a>");
    refusal("<a>&undeclared;</a>");
}

TEST(XmlDocumentReader, RefusesEntityExpansionBombsQuickly)
{
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    bomb += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
    for (int i = 2; i <= 9; ++i)
    {
        const std::string previous = "&lol" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            bomb += previous;
        bomb += "\">";
    }
    bomb += "]><lolz>&lol9;</lolz>";

    const auto start = std::chrono::steady_clock::now();
    refusal(bomb);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(XmlDocumentReader, BoundsNestingDepth)
{
    const std::size_t limit = SAXToNodeParser::fgMaxDepth;
    EXPECT_NO_THROW(parseXmlDocument(nested(limit)));
    const std::string message = refusal(nested(limit + 1));
    EXPECT_TRUE(contains(message, "deeper than " + std::to_string(limit))) << message;
}

TEST(XMLNode, DefaultNodeIsAnEmptyRoot)
{
    const XMLNode node;
    EXPECT_EQ(nullptr, node.getParent());
    EXPECT_TRUE(node.getChildren().empty());
    EXPECT_TRUE(node.attrs().empty());
    EXPECT_EQ("", node.getName());
    EXPECT_EQ("", node.getText());
}

TEST(XMLNode, AddChildTakesOwnershipOnce)
{
    XMLNode parent;
    XMLNode* child = parent.addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    EXPECT_EQ(&parent, child->getParent());
    ASSERT_EQ(1u, parent.getChildren().size());
    EXPECT_EQ(child, parent.getChildren()[0]);
    EXPECT_THROW(parent.addChild(nullptr), std::invalid_argument);

    XMLNode otherParent;
    std::unique_ptr<XMLNode> owned(new XMLNode());
    XMLNode* grandchild = owned->addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    EXPECT_EQ(owned.get(), grandchild->getParent());
    otherParent.addChild(std::move(owned));
}

TEST(XMLNode, VeryDeepTreeIsDestroyedWithoutRecursion)
{
    std::unique_ptr<XMLNode> root(new XMLNode());
    XMLNode* node = root.get();
    for (int i = 0; i < 200000; ++i)
    {
        node->appendText("x");
        node = node->addChild(std::unique_ptr<XMLNode>(new XMLNode()));
    }
    root.reset();
    SUCCEED();
}

TEST(DomException, CopiesCarryTheMessage)
{
    DomException original("first");
    DomException copy(original);
    EXPECT_EQ("first", copy.getMessage());
    copy.setMessage("second");
    EXPECT_EQ("first", original.getMessage());
    original = copy;
    EXPECT_EQ("second", original.getMessage());
}
