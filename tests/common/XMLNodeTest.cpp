// The node's attributes must behave exactly like a plain map, and its
// shared namespace URIs like plain strings, whichever way they are reached.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "XmlTestSupport.hpp"

namespace {

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::SAXToNodeParser;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using Brisvale::Testing::outline;
using Attributes = std::map<std::string, std::string>;

// The node's six public fields, in their order and with their types, as
// code built against another library's node lays them out.
struct MirrorNode
{
    std::string first;
    std::string name;
    std::vector<XMLNode*> children;
    std::string text;
    XMLNode* parent;
    Attributes attributes;
};

// Where each field of the mirror starts, from the mirror's start.
struct MirrorOffsets
{
    std::ptrdiff_t first, name, children, text, parent, attributes;
};

MirrorOffsets mirrorOffsets()
{
    const MirrorNode mirror{};
    const auto at = [&mirror](const void* field) {
        return static_cast<const char*>(field) - reinterpret_cast<const char*>(&mirror);
    };
    return MirrorOffsets{at(&mirror.first),  at(&mirror.name),   at(&mirror.children),
                         at(&mirror.text),   at(&mirror.parent), at(&mirror.attributes)};
}

template <class Field>
const Field& fieldAt(const XMLNode& node, std::ptrdiff_t offset)
{
    return *reinterpret_cast<const Field*>(reinterpret_cast<const char*>(&node) + offset);
}

std::ptrdiff_t offsetIn(const XMLNode& node, const void* field)
{
    return static_cast<const char*>(field) - reinterpret_cast<const char*>(&node);
}

// The node is the six fields and nothing after them: the inline default
// constructor, compiled into code built against this header, must never
// write past a node that another library allocated.
static_assert(sizeof(XMLNode) == sizeof(MirrorNode), "the node is its six fields");
#if defined(__x86_64__) && defined(__GLIBCXX__)
static_assert(sizeof(XMLNode) == 176, "the node is its six fields");
#endif

// Every accessor of a parsed node, the root's and a child's, reads the
// field where the mirror puts it, and the attribute map is the field
// itself, filled as the text was read.
TEST(XMLNodeLayout, ParsedNodesKeepTheSixFieldsWhereTheMirrorPutsThem)
{
    const MirrorOffsets offsets = mirrorOffsets();
    const std::unique_ptr<XMLNode> root = parseXmlDocument("<r a='1' xmlns='urn:r'><c b='2' a='3'>t</c><d/></r>");
    for (const XMLNode* node : {root.get(), root->getChildren()[0], root->getChildren()[1]})
    {
        EXPECT_EQ(offsets.name, offsetIn(*node, &node->getName()));
        EXPECT_EQ(offsets.children, offsetIn(*node, &node->getChildren()));
        EXPECT_EQ(offsets.text, offsetIn(*node, &node->getText()));
        EXPECT_EQ(offsets.attributes, offsetIn(*node, &node->attrs()));
        EXPECT_EQ(node->getParent(), fieldAt<XMLNode*>(*node, offsets.parent));
    }
    const XMLNode& child = *root->getChildren()[0];
    EXPECT_EQ(root.get(), fieldAt<XMLNode*>(child, offsets.parent));
    EXPECT_EQ("c", fieldAt<std::string>(child, offsets.name));
    EXPECT_EQ("t", fieldAt<std::string>(child, offsets.text));
    EXPECT_EQ((Attributes{{"a", "3"}, {"b", "2"}}), fieldAt<Attributes>(child, offsets.attributes));
    EXPECT_EQ(2u, fieldAt<std::vector<XMLNode*>>(*root, offsets.children).size());
    EXPECT_EQ(nullptr, fieldAt<XMLNode*>(*root, offsets.parent));
}

TEST(XMLNodeLayout, DefaultNodeHasEmptyStringsNoChildrenNoParentNoAttributes)
{
    const MirrorOffsets offsets = mirrorOffsets();
    const XMLNode node;
    EXPECT_EQ("", fieldAt<std::string>(node, offsets.first));
    EXPECT_EQ("", fieldAt<std::string>(node, offsets.name));
    EXPECT_TRUE(fieldAt<std::vector<XMLNode*>>(node, offsets.children).empty());
    EXPECT_EQ("", fieldAt<std::string>(node, offsets.text));
    EXPECT_EQ(nullptr, fieldAt<XMLNode*>(node, offsets.parent));
    EXPECT_TRUE(fieldAt<Attributes>(node, offsets.attributes).empty());
    EXPECT_EQ("", node.getNamespaceUri());
}

// Attributes set one by one, some again, on a built node and on a parsed
// one (whose attributes stay in its document's memory): past the count
// where a map takes over lookups, with empty values and values too long
// for a one-byte length, and attrs() asked for before any, midway and at
// the end. Every lookup agrees with a plain map after every change, and
// the map that attrs() handed out stays the node's and shows every change.
TEST(XMLNodeAttributes, BehaveLikeAPlainMapWhicheverWayTheyAreReached)
{
    for (const bool parsed : {false, true}) {
        for (const int mapFrom : {0, 10, 40}) {
            std::unique_ptr<XMLNode> node = parsed ? parseXmlDocument("<r a1='1' a2='' a3='3'/>") : std::make_unique<XMLNode>();
            Attributes model = parsed ? Attributes{{"a1", "1"}, {"a2", ""}, {"a3", "3"}} : Attributes{};
            const Attributes* handedOut = nullptr;
            for (int step = 0; step <= 40; ++step) {
                if (step == mapFrom)
                    handedOut = &node->attrs();
                if (handedOut != nullptr) {
                    EXPECT_EQ(handedOut, &node->attrs());
                    EXPECT_EQ(model, *handedOut) << parsed << " " << mapFrom << " " << step;
                }
                for (const auto& [name, value] : model) {
                    EXPECT_TRUE(node->hasAttr(name) && node->hasAttr(name.c_str())) << name;
                    EXPECT_TRUE(node->getAttr(name) == value && node->getAttr(name.c_str()) == value) << name;
                }
                EXPECT_FALSE(node->hasAttr("a") || node->hasAttr(std::string("a0")));
                EXPECT_EQ("", node->getAttr("a"));
                const std::string name = "a" + std::to_string(step * 7 % 23 + 1);
                const std::string value = step % 5 == 0 ? "" : step % 7 == 0 ? std::string(300, 'x') : std::to_string(step);
                node->setAttr(name, value);
                model[name] = value;
            }
            EXPECT_EQ(model, node->attrs());
        }
    }
}

// Needs about 9 GB of memory, so it runs only when asked to.
TEST(XMLNodeAttributes, AttributesPastFourGiBAreKept)
{
    if (std::getenv("BRISVALE_LARGE_MEMORY_TESTS") == nullptr)
        GTEST_SKIP() << "set BRISVALE_LARGE_MEMORY_TESTS to run";
    // Each value fits in 2 GiB; together they pass 4 GiB.
    const std::string value(std::size_t{1} << 31, 'v');
    XMLNode node;
    node.setAttr("a", value);
    node.setAttr("b", value);
    node.setAttr("c", "c");
    EXPECT_EQ(value.size(), node.getAttr("a").size());
    EXPECT_EQ(value.size(), node.getAttr("b").size());
    EXPECT_EQ("c", node.getAttr("c"));
}

// The nodes of a parsed document share their names and URIs; a change to
// one node's changes no other, and a node added to it is in no namespace.
TEST(XMLNodeNames, ChangingOneNodesNameOrUriLeavesEveryOtherAlone)
{
    const std::unique_ptr<XMLNode> root =
        parseXmlDocument("<r xmlns='urn:a' xmlns:b='urn:b'><c/><b:c><c xmlns=''/><c/></b:c><c/></r>");
    const auto& children = root->getChildren();
    EXPECT_EQ("{urn:a}r[{urn:a}c {urn:b}c[{}c {urn:a}c] {urn:a}c]", outline(*root));
    children[0]->setName("d");
    children[1]->setNamespaceUri("");
    children[2]->setNamespaceUri("urn:z");
    root->setNamespaceUri("urn:v");
    children[1]->getChildren()[0]->addChild(std::make_unique<XMLNode>())->setName("e");
    EXPECT_EQ("{urn:v}r[{urn:a}d {}c[{}c[{}e] {urn:a}c] {urn:z}c]", outline(*root));

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
            EXPECT_EQ("{urn:a}a[{urn:a}b]", outline(*root));
            EXPECT_EQ(nullptr, handler.takeRoot());
        }
    }
    xercesc::XMLPlatformUtils::Terminate();
}

// Built nodes and parsed trees mix, each child owned once by its parent and
// freed with it; a node cannot become a child in its own tree, and the
// caller keeps a child refused.
TEST(XMLNode, AddChildMakesOneTreeOfParsedAndBuiltNodes)
{
    XMLNode built;
    EXPECT_EQ(nullptr, built.getParent());
    EXPECT_THROW(built.addChild(nullptr), std::invalid_argument);
    std::unique_ptr<XMLNode> parsed = parseXmlDocument("<a><b><c/></b></a>");
    XMLNode* deepest = parsed->getChildren()[0]->getChildren()[0];
    EXPECT_THROW(deepest->addChild(std::move(parsed)), std::invalid_argument);
    EXPECT_THROW(parsed->addChild(std::move(parsed)), std::invalid_argument);
    ASSERT_NE(nullptr, parsed);
    XMLNode* added = deepest->addChild(std::make_unique<XMLNode>());
    added->addChild(parseXmlDocument("<d><e/></d>"));
    EXPECT_EQ(&built, built.addChild(std::move(parsed))->getParent());
    EXPECT_EQ(deepest, added->getParent());
    EXPECT_EQ(added, added->getChildren()[0]->getParent());
    EXPECT_EQ("{}[{}a[{}b[{}c[{}[{}d[{}e]]]]]]", outline(built));
}

// A subtree may not go under a node of its own, whichever is smaller, the
// node's depth or the subtree; the caller keeps what was refused. Small
// subtrees attached at the bottom of a long chain each cost their own size.
TEST(XMLNode, AddChildRefusesACycleWhicheverSideIsSmaller)
{
    std::unique_ptr<XMLNode> wide = parseXmlDocument("<w><a/><b><c/></b><d/></w>");
    for (int i = 0; i < 100; ++i)
        wide->addChild(std::make_unique<XMLNode>());
    XMLNode* deepInWide = wide->getChildren()[1]->getChildren()[0];
    std::unique_ptr<XMLNode> deep = std::make_unique<XMLNode>();
    XMLNode* bottom = deep.get();
    for (int i = 0; i < 300; ++i)
        bottom = bottom->addChild(std::make_unique<XMLNode>());
    XMLNode* nearTop = deep->getChildren()[0];
    EXPECT_THROW(deepInWide->addChild(std::move(wide)), std::invalid_argument);
    EXPECT_THROW(nearTop->addChild(std::move(deep)), std::invalid_argument);
    EXPECT_THROW(bottom->addChild(std::move(deep)), std::invalid_argument);
    ASSERT_NE(nullptr, wide);
    ASSERT_NE(nullptr, deep);

    nearTop->addChild(std::move(wide));
    EXPECT_THROW(deepInWide->addChild(std::move(deep)), std::invalid_argument);
    for (int i = 0; i < 20000; ++i)
    {
        std::unique_ptr<XMLNode> pair = std::make_unique<XMLNode>();
        pair->addChild(std::make_unique<XMLNode>());
        bottom = bottom->addChild(std::move(pair))->getChildren()[0];
    }
    XMLNode shallow;
    EXPECT_EQ(&shallow, shallow.addChild(std::move(deep))->getParent());
}

// Parsed documents nested in one another, each root added under the next
// document's, and single nodes between them: freed without recursion and
// without freeing any node twice.
TEST(XMLNode, TreeOfManyNestedDocumentsIsDestroyedWithoutRecursion)
{
    std::unique_ptr<XMLNode> top = parseXmlDocument("<a/>");
    for (int i = 0; i < 100000; ++i)
    {
        std::unique_ptr<XMLNode> next = parseXmlDocument(i % 3 == 0 ? "<b><c/></b>" : "<a/>");
        XMLNode* under = next->getChildren().empty() ? next.get() : next->getChildren()[0];
        if (i % 5 == 0)
            under = under->addChild(std::make_unique<XMLNode>());
        under->addChild(std::move(top));
        top = std::move(next);
    }
    top.reset();
}

TEST(XMLNode, VeryDeepTreeIsDestroyedWithoutRecursion)
{
    // Built from the bottom, so that adding each child is quick.
    std::unique_ptr<XMLNode> top = std::make_unique<XMLNode>();
    for (int i = 0; i < 200000; ++i) {
        std::unique_ptr<XMLNode> parent = std::make_unique<XMLNode>();
        parent->addChild(std::move(top));
        top = std::move(parent);
    }
    top.reset();
}

} // namespace
