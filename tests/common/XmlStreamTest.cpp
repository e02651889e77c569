#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <ios>
#include <stdexcept>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "TestDocuments.hpp"

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using TestDocuments::kBaseUri;
using TestDocuments::kCadUri;

namespace {

const std::string kOtherUri = "urn:brisvale:other";

// Writes a leaf element the way a base-schema ModelObject is written under
// a Cad parent: named with the parent's prefix, passing its own URI.
void writeModelObject(XmlStream& stream, const std::string& name, const std::string& uid)
{
    stream << stream.writeOpenElement(kBaseUri, name);
    stream << stream.writeAttribute("uid", uid);
    stream << stream.writeOpenElementClose(kBaseUri, true);
}

// A response-like document: an unprefixed root, prefixed children, base
// objects under the Cad prefix, a nested base element with children of its
// own, text elements and an unprefixed ServiceData in the base namespace.
std::string writeMessageDocument()
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "CreateOrUpdatePartsResponse");
    stream << stream.writeOpenElementClose(kCadUri, false);
    const std::string cad = stream.getNamespacePrefix(kCadUri) + ":";

    for (const char* clientId : {"first", "second"})
    {
        stream << stream.writeOpenElement(kCadUri, cad + "output");
        stream << stream.writeAttribute("clientId", clientId);
        stream << stream.writeOpenElementClose(kCadUri, false);
        const std::string inner = stream.getNamespacePrefix(kCadUri) + ":";
        writeModelObject(stream, inner + "item", std::string(clientId) + "-item");
        writeModelObject(stream, inner + "itemRev", std::string(clientId) + "-rev");
        stream << "<" << inner << "value>" << clientId << "</" << inner << "value>";
        stream << stream.writeCloseElement(kCadUri, cad + "output");
    }

    stream << stream.writeOpenElement(kBaseUri, "ServiceData");
    stream << stream.writeOpenElementClose(kBaseUri, false);
    const std::string base = stream.getNamespacePrefix(kBaseUri) + ":";
    writeModelObject(stream, base + "created", "c1");
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
// and nested children.
class RandomWriter
{
public:
    explicit RandomWriter(unsigned seed)
        : fRandom(seed)
    {
    }

    int writeElement(XmlStream& stream, const std::string& parentPrefix, int depth)
    {
        const std::string uris[] = {"urn:a", "urn:b", "urn:c", ""};
        const std::string uri = uris[pick(4)];
        std::string name = "e";
        switch (pick(4))
        {
        case 1:
            if (!parentPrefix.empty())
                name = parentPrefix + ":e";
            break;
        case 2:
            if (!uri.empty())
                name = "c" + std::to_string(pick(3)) + ":e";
            break;
        case 3:
            name = stream.getNamespacePrefix(uris[pick(3)]) + ":e";
            break;
        }
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
    {
        if (child->getName() != "value")
            elements += countElements(*child);
    }
    return elements;
}

class FailingBuffer : public std::streambuf
{
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

} // namespace

TEST(XmlStreamNamespaces, RootDeclaresItsNamespaceAsDefaultAndWithAPrefix)
{
    XmlStream stream;
    EXPECT_EQ("<Root xmlns=\"urn:a\" xmlns:ns1=\"urn:a\"", stream.writeOpenElement("urn:a", "Root"));
    EXPECT_EQ(" id=\"7\"", stream.writeAttribute("id", "7"));
    EXPECT_EQ("/>", stream.writeOpenElementClose("urn:a", true));
}

TEST(XmlStreamNamespaces, MessageShapedDocumentParsesWithEveryElementInItsNamespace)
{
    const std::string text = writeMessageDocument();
    const auto root = parseXmlDocument(text);

    EXPECT_EQ(kCadUri, root->getNamespaceUri());
    ASSERT_EQ(3u, root->getChildren().size());
    for (int i = 0; i < 2; ++i)
    {
        const XMLNode& output = *root->getChildren()[i];
        EXPECT_EQ("output", output.getName());
        EXPECT_EQ(kCadUri, output.getNamespaceUri());
        ASSERT_EQ(3u, output.getChildren().size());
        // Base objects named under the Cad prefix are Cad elements.
        EXPECT_EQ("item", output.getChildren()[0]->getName());
        EXPECT_EQ(kCadUri, output.getChildren()[0]->getNamespaceUri());
        EXPECT_EQ(kCadUri, output.getChildren()[1]->getNamespaceUri());
        EXPECT_EQ(kCadUri, output.getChildren()[2]->getNamespaceUri());
    }
    EXPECT_EQ("second-rev", root->getChildren()[1]->getChildren()[1]->getAttr("uid"));

    const XMLNode& serviceData = *root->getChildren()[2];
    EXPECT_EQ("ServiceData", serviceData.getName());
    EXPECT_EQ(kBaseUri, serviceData.getNamespaceUri());
    ASSERT_EQ(1u, serviceData.getChildren().size());
    EXPECT_EQ(kBaseUri, serviceData.getChildren()[0]->getNamespaceUri());
    EXPECT_EQ("c1", serviceData.getChildren()[0]->getAttr("uid"));
}

TEST(XmlStreamNamespaces, SiblingSubtreesDeclareAgainWhatTheyNeed)
{
    const std::string text = writeMessageDocument();
    // Each of the four base objects under "output" declares the base
    // prefix itself, as does ServiceData; the Cad prefix is declared once.
    EXPECT_EQ(5u, count(text, "xmlns:ns2=\"" + kBaseUri + "\"")) << text;
    EXPECT_EQ(1u, count(text, "xmlns:ns1=\"" + kCadUri + "\"")) << text;
}

TEST(XmlStreamNamespaces, XmllintAcceptsTheDocument)
{
#ifdef BRISVALE_XMLLINT
    const std::string path = ::testing::TempDir() + "brisvale_xmlstream_document.xml";
    {
        std::ofstream file(path, std::ios::binary);
        file << writeMessageDocument();
    }
    const std::string command = std::string(BRISVALE_XMLLINT) + " --noout --nowarning \"" + path + "\"";
    EXPECT_EQ(0, std::system(command.c_str()));
    std::remove(path.c_str());
#else
    GTEST_SKIP() << "xmllint is not installed";
#endif
}

TEST(XmlStreamNamespaces, PrefixAskedBeforeTheRootIsDeclaredOnTheRoot)
{
    XmlStream stream;
    const std::string prefix = stream.getNamespacePrefix(kOtherUri);
    EXPECT_EQ("ns1", prefix);
    stream << stream.writeOpenElement(kCadUri, "Root");
    stream << stream.writeOpenElementClose(kCadUri, false);
    stream << "<" << prefix << ":value>x</" << prefix << ":value>";
    stream << stream.writeCloseElement(kCadUri, "Root");

    const auto root = parseXmlDocument(stream.str());
    ASSERT_EQ(1u, root->getChildren().size());
    EXPECT_EQ(kOtherUri, root->getChildren()[0]->getNamespaceUri());
    EXPECT_EQ("ns2", stream.getNamespacePrefix(kCadUri));
}

TEST(XmlStreamNamespaces, PrefixesStayStableAndKnownOnesAreDeclaredAgainOutOfScope)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    stream << stream.writeOpenElementClose(kCadUri, false);

    stream << stream.writeOpenElement(kOtherUri, "First");
    stream << stream.writeOpenElementClose(kOtherUri, false);
    const std::string other = stream.getNamespacePrefix(kOtherUri);
    stream << stream.writeCloseElement(kOtherUri, "First");

    // The other namespace's scope ended with First; its prefix is declared
    // again where it is used, whatever URI the caller passes.
    stream << stream.writeOpenElement(kCadUri, other + ":Second");
    stream << stream.writeOpenElementClose(kCadUri, true);
    EXPECT_EQ(other, stream.getNamespacePrefix(kOtherUri));
    stream << stream.writeCloseElement(kCadUri, "Root");

    const auto root = parseXmlDocument(stream.str());
    ASSERT_EQ(2u, root->getChildren().size());
    EXPECT_EQ(kOtherUri, root->getChildren()[0]->getNamespaceUri());
    EXPECT_EQ(kOtherUri, root->getChildren()[1]->getNamespaceUri());
}

TEST(XmlStreamNamespaces, PrefixAskedInsideAnElementIsDeclaredOnTheNextStartTag)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    stream << stream.writeOpenElementClose(kCadUri, false);
    stream << stream.writeOpenElement(kCadUri, "ns1:first");
    stream << stream.writeOpenElementClose(kCadUri, false);
    const std::string other = stream.getNamespacePrefix(kOtherUri);
    stream << stream.writeCloseElement(kCadUri, "ns1:first");
    // Asked for after the last start tag inside "first": the next start tag
    // is that of "second", which declares it.
    stream << stream.writeOpenElement(kCadUri, "ns1:second");
    stream << stream.writeOpenElementClose(kCadUri, false);
    stream << "<" << other << ":value/>";
    stream << stream.writeCloseElement(kCadUri, "ns1:second");
    stream << stream.writeCloseElement(kCadUri, "Root");

    const auto root = parseXmlDocument(stream.str());
    EXPECT_EQ(kOtherUri, root->getChildren()[1]->getChildren()[0]->getNamespaceUri());
}

TEST(XmlStreamNamespaces, CallerPrefixesAreBoundAndNeverReusedForOtherUris)
{
    XmlStream stream;
    stream << stream.writeOpenElement("urn:x", "ns1:Root");
    stream << stream.writeOpenElementClose("urn:x", false);
    EXPECT_EQ("ns1", stream.getNamespacePrefix("urn:x"));
    stream << stream.writeOpenElement("urn:y", "Child");
    stream << stream.writeOpenElementClose("urn:y", false);
    const std::string y = stream.getNamespacePrefix("urn:y");
    EXPECT_NE("ns1", y);
    stream << "<" << y << ":value/>";
    stream << stream.writeCloseElement("urn:y", "Child");
    stream << stream.writeCloseElement("urn:x", "ns1:Root");

    const auto root = parseXmlDocument(stream.str());
    EXPECT_EQ("urn:x", root->getNamespaceUri());
    EXPECT_EQ("urn:y", root->getChildren()[0]->getChildren()[0]->getNamespaceUri());
}

TEST(XmlStreamNamespaces, RandomlyWrittenDocumentsAreNamespaceWellFormed)
{
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        XmlStream stream;
        RandomWriter writer(seed);
        const int written = writer.writeElement(stream, std::string(), 0);
        std::unique_ptr<XMLNode> root;
        try
        {
            root = parseXmlDocument(stream.str());
        }
        catch (Brisvale::Soa::Common::Exceptions::DomException& error)
        {
            FAIL() << "seed " << seed << ": " << error.getMessage() << "\n" << stream.str();
        }
        EXPECT_EQ(written, countElements(*root)) << "seed " << seed;
    }
}

TEST(XmlStreamNamespaces, UnprefixedChildInNoNamespaceUndeclaresTheDefault)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    stream << stream.writeOpenElementClose(kCadUri, false);
    stream << stream.writeOpenElement("", "plain");
    stream << stream.writeOpenElementClose("", true);
    stream << stream.writeCloseElement(kCadUri, "Root");

    const auto root = parseXmlDocument(stream.str());
    EXPECT_EQ("", root->getChildren()[0]->getNamespaceUri());
}

TEST(XmlStreamNamespaces, UrisAreEscapedInDeclarations)
{
    const std::string awkward = "urn:a&b\"c<d";
    XmlStream stream;
    stream << stream.writeOpenElement(awkward, "Root");
    stream << stream.writeOpenElementClose(awkward, true);
    EXPECT_EQ(awkward, parseXmlDocument(stream.str())->getNamespaceUri());
}

TEST(XmlStreamNamespaces, DeepAlternatingDefaultsStayCorrect)
{
    // Every level changes the default namespace; each scope must restore
    // the one around it.
    const int depth = 20000;
    XmlStream stream;
    for (int i = 0; i < depth; ++i)
    {
        const std::string uri = i % 2 == 0 ? "urn:even" : "urn:odd";
        stream << stream.writeOpenElement(uri, "e");
        stream << stream.writeOpenElementClose(uri, false);
    }
    for (int i = depth - 1; i >= 0; --i)
        stream << stream.writeCloseElement(i % 2 == 0 ? "urn:even" : "urn:odd", "e");
    EXPECT_TRUE(stream.isRootElement());
    EXPECT_EQ(static_cast<std::size_t>(depth), count(stream.str(), "xmlns=\""));
}

TEST(XmlStreamState, IsRootElementOnlyWhileNoElementIsOpen)
{
    XmlStream stream;
    EXPECT_TRUE(stream.isRootElement());
    stream << stream.writeOpenElement(kCadUri, "Root");
    EXPECT_FALSE(stream.isRootElement());
    stream << stream.writeOpenElementClose(kCadUri, false);
    stream << stream.writeOpenElement(kCadUri, "ns1:leaf");
    stream << stream.writeOpenElementClose(kCadUri, true);
    EXPECT_FALSE(stream.isRootElement());
    stream << stream.writeCloseElement(kCadUri, "Root");
    EXPECT_TRUE(stream.isRootElement());
}

TEST(XmlStreamState, RefusesNamesThatAreNotXmlNames)
{
    XmlStream stream;
    for (const char* bad : {"", "1abc", "a b", "a:b:c", ":a", "a:", "a<b", "xmlns:a", "-a"})
        EXPECT_THROW(stream.writeOpenElement(kCadUri, bad), std::invalid_argument) << bad;
    EXPECT_TRUE(stream.isRootElement());

    stream << stream.writeOpenElement(kCadUri, "\xC3\xA9l\xC3\xA9ment");
    for (const char* bad : {"", "2x", "xmlns", "xmlns:p", "undeclared:a"})
        EXPECT_THROW(stream.writeAttribute(bad, "v"), std::invalid_argument) << bad;
    EXPECT_NO_THROW(stream.writeAttribute("xml:lang", "en"));
}

TEST(XmlStreamState, RefusesUnescapedAttributeText)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root");
    EXPECT_THROW(stream.writeAttribute("a", "say \"hi\""), std::invalid_argument);
    EXPECT_THROW(stream.writeAttribute("a", "a<b"), std::invalid_argument);
}

TEST(XmlStreamState, RefusesEndTagsThatDoNotMatch)
{
    XmlStream stream;
    EXPECT_THROW(stream.writeCloseElement(kCadUri, "Root"), std::logic_error);
    stream << stream.writeOpenElement(kCadUri, "Root");
    stream << stream.writeOpenElementClose(kCadUri, false);
    EXPECT_THROW(stream.writeCloseElement(kCadUri, "Other"), std::invalid_argument);
    EXPECT_EQ("</Root>", stream.writeCloseElement(kCadUri, "Root"));
}

TEST(XmlStreamState, FailedWriteThrows)
{
    XmlStream stream;
    FailingBuffer failing;
    std::ios& base = stream;
    base.rdbuf(&failing);
    EXPECT_THROW(stream << stream.writeOpenElement(kCadUri, "Root"), std::ios_base::failure);
}

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

TEST(XmlStreamNames, AUriThatLooksLikeAPrefixKeyIsRefused)
{
    XmlStream stream;
    stream << stream.writeOpenElement("urn:a", "root");
    stream << stream.writeOpenElementClose("urn:a", false);
    const std::string prefix = stream.getNamespacePrefix("urn:a");
    EXPECT_THROW(stream.getNamespacePrefix(":" + prefix), std::invalid_argument);
    EXPECT_THROW(stream.writeOpenElement(":" + prefix, "child"), std::invalid_argument);
}
