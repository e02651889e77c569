#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ios>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "TestDocuments.hpp"

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using Brisvale::Soa::Common::Xml::toXmlString;
using TestDocuments::kBaseUri;
using TestDocuments::kCadUri;

namespace {

const std::string kOtherUri = "urn:brisvale:other";

// A start tag without attributes, with the end of the start tag.
void start(XmlStream& stream, const std::string& uri, const std::string& name, bool leaf = false)
{
    stream << stream.writeOpenElement(uri, name);
    stream << stream.writeOpenElementClose(uri, leaf);
}

// A leaf written the way a base-schema ModelObject is written under a Cad
// parent: named with the parent's prefix, passing its own URI.
void writeModelObject(XmlStream& stream, const std::string& name, const std::string& uid)
{
    stream << stream.writeOpenElement(kBaseUri, name);
    stream << stream.writeAttribute("uid", uid);
    stream << stream.writeOpenElementClose(kBaseUri, true);
}

// A response-like document: an unprefixed root, prefixed children, base
// objects under the Cad prefix, text elements and an unprefixed ServiceData
// in the base namespace with a child of its own.
std::string writeMessageDocument()
{
    XmlStream stream;
    start(stream, kCadUri, "CreateOrUpdatePartsResponse");
    const std::string cad = stream.getNamespacePrefix(kCadUri) + ":";
    for (const char* clientId : {"first", "second"})
    {
        stream << stream.writeOpenElement(kCadUri, cad + "output");
        stream << stream.writeAttribute("clientId", clientId);
        stream << stream.writeOpenElementClose(kCadUri, false);
        writeModelObject(stream, cad + "item", std::string(clientId) + "-item");
        stream << "<" << cad << "value>" << clientId << "</" << cad << "value>";
        stream << stream.writeCloseElement(kCadUri, cad + "output");
    }
    start(stream, kBaseUri, "ServiceData");
    writeModelObject(stream, stream.getNamespacePrefix(kBaseUri) + ":created", "c1");
    stream << stream.writeCloseElement(kBaseUri, "ServiceData");
    stream << stream.writeCloseElement(kCadUri, "CreateOrUpdatePartsResponse");
    return stream.str();
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Writes a random element the way any caller may: unprefixed, under the
// parent's prefix, under a prefix of its own choosing or under one just
// asked for; with prefixes asked for at odd moments, leaves, text elements
// and nested children. Returns the number of elements written.
class RandomWriter
{
public:
    explicit RandomWriter(unsigned seed) : fRandom(seed) {}

    int writeElement(XmlStream& stream, const std::string& parentPrefix, int depth)
    {
        const std::string uris[] = {"urn:a", "urn:b", "urn:c", ""};
        const std::string uri = uris[pick(4)];
        std::string name = "e";
        const int naming = pick(4);
        if (naming == 1 && !parentPrefix.empty())
            name = parentPrefix + ":e";
        else if (naming == 2 && !uri.empty())
            name = "c" + std::to_string(pick(3)) + ":e";
        else if (naming == 3)
            name = stream.getNamespacePrefix(uris[pick(3)]) + ":e";
        if (pick(4) == 0)
            stream.getNamespacePrefix(uris[pick(3)]);

        stream << stream.writeOpenElement(uri, name);
        for (int i = pick(3); i > 0; --i)
            stream << stream.writeAttribute("a" + std::to_string(i), "v");
        const bool leaf = depth > 5 || pick(3) == 0;
        stream << stream.writeOpenElementClose(uri, leaf);
        if (leaf)
            return 1;

        int written = 1;
        const std::string prefix = uri.empty() ? std::string() : stream.getNamespacePrefix(uri);
        for (int i = pick(4); i > 0; --i)
        {
            if (!prefix.empty() && pick(3) == 0)
                stream << "<" << prefix << ":value>t</" << prefix << ":value>";
            written += writeElement(stream, prefix, depth + 1);
        }
        if (pick(4) == 0)
            stream.getNamespacePrefix(uris[pick(3)]);
        stream << stream.writeCloseElement(uri, name);
        return written;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(fRandom); }

    std::mt19937 fRandom;
};

int countElements(const XMLNode& node)
{
    int elements = 1;
    for (const XMLNode* child : node.getChildren())
        elements += child->getName() == "value" ? 0 : countElements(*child);
    return elements;
}

} // namespace

TEST(XmlStreamText, MessageDocumentIsWrittenExactly)
{
    // Each base object under "output" declares the base prefix itself, as
    // does ServiceData; the Cad prefix is declared once, on the root.
    const std::string base = "xmlns:ns2=\"" + kBaseUri + "\"";
    EXPECT_EQ("<CreateOrUpdatePartsResponse xmlns=\"" + kCadUri + "\" xmlns:ns1=\"" + kCadUri + "\">"
              "<ns1:output clientId=\"first\"><ns1:item " + base + " uid=\"first-item\"/>"
              "<ns1:value>first</ns1:value></ns1:output>"
              "<ns1:output clientId=\"second\"><ns1:item " + base + " uid=\"second-item\"/>"
              "<ns1:value>second</ns1:value></ns1:output>"
              "<ServiceData xmlns=\"" + kBaseUri + "\" " + base + "><ns2:created uid=\"c1\"/>"
              "</ServiceData></CreateOrUpdatePartsResponse>",
              writeMessageDocument());
}

TEST(XmlStreamText, AttributesAreFramedAlikeFromAnyText)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kOtherUri, "Root");
    for (const std::string& value : {std::string(), std::string(15, 'v'), std::string(300, 'v'),
                                     std::string("left & right \"type B\" <rev A>")})
    {
        for (const std::string& name : {std::string("id"), std::string(40, 'n')})
        {
            const std::string escaped = toXmlString(value);
            const std::string expected = " " + name + "=\"" + escaped + "\"";
            EXPECT_EQ(expected, stream.writeAttribute(name, escaped));
            EXPECT_EQ(expected, stream.writeAttribute(name, toXmlString(value)));
            std::string tight = escaped;
            tight.shrink_to_fit();
            EXPECT_EQ(expected, stream.writeAttribute(name, std::move(tight)));
        }
    }
}

TEST(XmlStreamNamespaces, AUriEqualByBytesIsTheSameNamespace)
{
    // Every message object holds its own copy of its URI.
    XmlStream stream;
    start(stream, std::string(kOtherUri), "Root");
    const std::string copy = "urn:brisvale:" + std::string("other");
    start(stream, copy, "ns1:child", true);
    start(stream, std::string(kOtherUri.c_str()), "child", true);
    EXPECT_EQ("ns1", stream.getNamespacePrefix(std::string(copy)));
    stream << stream.writeCloseElement(copy, "Root");
    EXPECT_EQ("<Root xmlns=\"" + kOtherUri + "\" xmlns:ns1=\"" + kOtherUri + "\">"
              "<ns1:child/><child/></Root>", stream.str());
}

TEST(XmlStreamNamespaces, DeepScopesDeclareAndEndTheirPrefixes)
{
    // Two chains of nested elements, each level in one of seven namespaces
    // under its stable prefix: the first seven levels of a chain declare
    // the prefixes, the deeper ones find them in scope, and closing the
    // chain ends them, so that the second chain declares them again.
    const int depth = 200;
    XmlStream stream;
    start(stream, "urn:root", "root");
    for (int chain = 0; chain < 2; ++chain)
    {
        std::vector<std::string> names;
        for (int level = 0; level < depth; ++level)
        {
            const std::string uri = "urn:level" + std::to_string(level % 7);
            names.push_back(stream.getNamespacePrefix(uri) + ":e");
            start(stream, uri, names.back());
        }
        for (int level = depth - 1; level >= 0; --level)
            stream << stream.writeCloseElement("urn:root", names[level]);
    }
    stream << stream.writeCloseElement("urn:root", "root");
    EXPECT_EQ(2u + 2 * 7, count(stream.str(), " xmlns"));

    const auto root = parseXmlDocument(stream.str());
    for (const XMLNode* node : root->getChildren())
    {
        for (int level = 0; !node->getChildren().empty(); ++level)
        {
            EXPECT_EQ("urn:level" + std::to_string(level % 7), node->getNamespaceUri()) << level;
            node = node->getChildren()[0];
        }
    }
}

TEST(XmlStreamNamespaces, PrefixesAskedForAreDeclaredOnTheNextStartTag)
{
    XmlStream stream;
    EXPECT_EQ("ns1", stream.getNamespacePrefix("urn:o"));
    start(stream, "urn:r", "Root");
    start(stream, "urn:r", "ns2:first");
    // Asked for after the last start tag inside "first": "second" declares
    // them, the latest first.
    EXPECT_EQ("ns3", stream.getNamespacePrefix("urn:t"));
    EXPECT_EQ("ns4", stream.getNamespacePrefix("urn:u"));
    stream << stream.writeCloseElement("urn:r", "ns2:first");
    start(stream, "urn:r", "ns2:second", true);
    stream << stream.writeCloseElement("urn:r", "Root");
    EXPECT_EQ("<Root xmlns:ns1=\"urn:o\" xmlns=\"urn:r\" xmlns:ns2=\"urn:r\"><ns2:first></ns2:first>"
              "<ns2:second xmlns:ns4=\"urn:u\" xmlns:ns3=\"urn:t\"/></Root>", stream.str());
}

TEST(XmlStreamNamespaces, PrefixesStayBoundToTheirFirstUriAndAreDeclaredAgainOutOfScope)
{
    XmlStream stream;
    start(stream, "urn:x", "ns1:Root");
    start(stream, "urn:y", "First");
    EXPECT_EQ("ns2", stream.getNamespacePrefix("urn:y"));
    stream << stream.writeCloseElement("urn:y", "First");
    // The scope of ns2 ended with First; its name keeps it bound to urn:y,
    // whatever URI the caller passes.
    start(stream, "urn:x", "ns2:Second", true);
    EXPECT_EQ("ns1", stream.getNamespacePrefix("urn:x"));
    stream << stream.writeCloseElement("urn:x", "ns1:Root");
    EXPECT_EQ("<ns1:Root xmlns:ns1=\"urn:x\"><First xmlns=\"urn:y\" xmlns:ns2=\"urn:y\"></First>"
              "<ns2:Second xmlns:ns2=\"urn:y\"/></ns1:Root>", stream.str());
}

TEST(XmlStreamNamespaces, RandomlyWrittenDocumentsAreNamespaceWellFormed)
{
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        XmlStream stream;
        const int written = RandomWriter(seed).writeElement(stream, std::string(), 0);
        try
        {
            EXPECT_EQ(written, countElements(*parseXmlDocument(stream.str()))) << "seed " << seed;
        }
        catch (Brisvale::Soa::Common::Exceptions::DomException& error)
        {
            FAIL() << "seed " << seed << ": " << error.getMessage() << "\n" << stream.str();
        }
    }
}

TEST(XmlStreamNamespaces, DefaultsAreUndeclaredRestoredAndEscaped)
{
    XmlStream stream;
    const std::string awkward = "urn:a&b\"c<d";
    start(stream, awkward, "Root");
    start(stream, "", "plain", true);
    start(stream, awkward, "again", true);
    stream << stream.writeCloseElement(awkward, "Root");
    const std::string escaped = "\"urn:a&amp;b&quot;c&lt;d\"";
    EXPECT_EQ("<Root xmlns=" + escaped + " xmlns:ns1=" + escaped + "><plain xmlns=\"\"/><again/></Root>",
              stream.str());

    // Every level changes the default namespace; each scope must restore
    // the one around it.
    const int depth = 20000;
    XmlStream deep;
    for (int i = 0; i < depth; ++i)
        start(deep, i % 2 == 0 ? "urn:even" : "urn:odd", "e");
    for (int i = depth - 1; i >= 0; --i)
        deep << deep.writeCloseElement(i % 2 == 0 ? "urn:even" : "urn:odd", "e");
    EXPECT_EQ(static_cast<std::size_t>(depth), count(deep.str(), "xmlns=\""));
}

TEST(XmlStreamChecks, RefusesNamesThatAreNotXmlNames)
{
    XmlStream stream;
    for (const char* bad : {"", "1abc", "a b", "a:b:c", ":a", "a:", "a<b", "xmlns:a", "-a"})
        EXPECT_THROW(stream.writeOpenElement(kCadUri, bad), std::invalid_argument) << bad;

    stream << stream.writeOpenElement(kCadUri, "\xC3\xA9l\xC3\xA9ment");
    for (const char* bad : {"", "2x", "xmlns", "xmlns:p", "undeclared:a"})
        EXPECT_THROW(stream.writeAttribute(bad, "v"), std::invalid_argument) << bad;
    EXPECT_NO_THROW(stream.writeAttribute("xml:lang", "en"));

    // A fault anywhere in a name that differs from an accepted one in a
    // single byte.
    const std::string letters = "abcdefghijklmnopqrstu";
    EXPECT_NO_THROW(stream.writeAttribute(letters, "v"));
    for (std::size_t at = 1; at < letters.size(); ++at)
    {
        for (const char fault : {' ', '<', '\x01', '\xC3'})
            EXPECT_THROW(stream.writeAttribute(letters.substr(0, at) + fault + letters.substr(at + 1), "v"),
                         std::invalid_argument) << at;
    }
}

// The stream keeps the names it has checked in a table of its own, which
// starts again when it fills up: far more names than it holds are written
// and checked alike.
TEST(XmlStreamChecks, NamesBeyondTheCheckedNameTableAreWrittenAndChecked)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    for (int round = 0; round < 2; ++round)
    {
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(" n" + std::to_string(i) + "=\"v\"", stream.writeAttribute("n" + std::to_string(i), "v"));
    }
    EXPECT_THROW(stream.writeAttribute("n 1", "v"), std::invalid_argument);
}

TEST(XmlStreamChecks, RefusesUnescapedAttributeText)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    EXPECT_THROW(stream.writeAttribute("a", "say \"hi\""), std::invalid_argument);
    EXPECT_THROW(stream.writeAttribute("a", std::string("a<b")), std::invalid_argument);
    for (const char* bare : {"a & b", "&", "&amp", "&nbsp;", "&#;", "&#x;", "&#0;", "&#x110000;", "&#xD800;",
                             "&#99999999999999999999;", "&#12a;", "&AMP;", "ok &lt; &"})
        EXPECT_THROW(stream.writeAttribute("a", std::string(bare)), std::invalid_argument) << bare;
}

// Whatever the stream lets through, a reader reads.
TEST(XmlStreamChecks, AttributeTextWithReferencesIsWrittenAndReadBack)
{
    for (const char* text : {"&amp;&lt;&gt;&quot;&apos;", "&#9;&#xA;&#13;", "&#x10FFFF;&#xe000;", "&#65;&#x42;c"}) {
        XmlStream stream;
        stream << stream.writeOpenElement(kCadUri, "Root") << stream.writeAttribute("a", std::string(text))
               << stream.writeOpenElementClose(kCadUri, true);
        EXPECT_NO_THROW(parseXmlDocument(stream.str())) << text;
    }
}

TEST(XmlStreamChecks, EndTagsMustMatchTheExactStartTagName)
{
    XmlStream stream;
    EXPECT_THROW(stream.writeCloseElement(kCadUri, "a"), std::logic_error);
    stream << stream.writeOpenElement(kCadUri, "a");
    EXPECT_FALSE(stream.isRootElement());
    stream << stream.writeOpenElementClose(kCadUri, false);
    start(stream, kCadUri, "ab", true);
    start(stream, kCadUri, "abc");
    for (const char* wrong : {"ab", "abcd", "abd", "a"})
        EXPECT_THROW(stream.writeCloseElement(kCadUri, wrong), std::invalid_argument) << wrong;
    EXPECT_EQ("</abc>", stream.writeCloseElement(kCadUri, "abc"));
    EXPECT_THROW(stream.writeCloseElement(kCadUri, "abc"), std::invalid_argument);
    stream << stream.writeCloseElement(kCadUri, "a");
    EXPECT_TRUE(stream.isRootElement());
}

TEST(XmlStreamChecks, InsertionGoesToTheBufferInUse)
{
    // A buffer the caller put in place of the stream's own.
    XmlStream stream;
    std::stringbuf buffer;
    static_cast<std::ios&>(stream).rdbuf(&buffer);
    const std::string longText(1 << 17, 'e');
    stream << "<a" << std::string(9, 'd') << longText << std::string("/>");
    EXPECT_EQ("<a" + std::string(9, 'd') + longText + "/>", buffer.str());
    EXPECT_EQ("", stream.str());

    std::stringbuf readOnly(std::ios::in);
    static_cast<std::ios&>(stream).rdbuf(&readOnly);
    EXPECT_THROW(stream << stream.writeOpenElement(kCadUri, "Root"), std::ios_base::failure);
}

TEST(XmlStreamChecks, InsertionWritesWhatTheStandardOperatorWrites)
{
    XmlStream stream;
    std::ostringstream expected;
    const std::string text = "<ns1:a b=\"c\">";
    stream << text << "x" << std::string() << text;
    expected << text << "x" << std::string() << text;
    // A field width pads the next insertion, temporaries included.
    stream.width(6);
    expected.width(6);
    stream << std::string("ab") << "cd";
    expected << std::string("ab") << "cd";
    EXPECT_EQ(expected.str(), stream.str());
}
