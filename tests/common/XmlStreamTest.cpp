#include <deque>
#include <iterator>
#include <map>
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

#include "XmlTestSupport.hpp"

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using Brisvale::Soa::Common::Xml::toXmlString;

namespace {

const std::string kCadUri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";
const std::string kOtherUri = "urn:brisvale:other";

// A start tag without attributes, with the end of the start tag.
void start(XmlStream& stream, const std::string& uri, const std::string& name, bool leaf = false)
{
    stream << stream.writeOpenElement(uri, name);
    stream << stream.writeOpenElementClose(uri, leaf);
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Writes random elements the way any caller may: unprefixed, under the
// parent's prefix, under a prefix of its own choosing, under one used
// before (in scope or not, whatever URI is passed with it) or under one
// just asked for; with prefixes asked for at odd moments, leaves, text
// elements, nested children and a URI that needs escaping. Knows the
// namespace each element must be read in.
class RandomWriter
{
public:
    explicit RandomWriter(unsigned seed) : fRandom(seed) {}

    // Writes an element and returns the outline a reader must make of it.
    std::string element(XmlStream& stream, const std::string& parentPrefix, int depth)
    {
        const std::string uri = kUris[pick(4)];
        std::string prefix;
        switch (pick(5)) {
        case 1: prefix = parentPrefix; break;
        case 2: prefix = "c" + std::to_string(pick(3)); break;
        case 3: prefix = askFor(stream, kUris[pick(3)]); break;
        case 4: prefix = fBound.empty() ? "" : std::next(fBound.begin(), pick(fBound.size()))->first; break;
        }
        if (fBound.count(prefix) == 0 && !prefix.empty() && uri.empty())
            prefix.clear();  // an unknown prefix would be bound to no namespace
        if (!prefix.empty())
            fBound.emplace(prefix, uri);
        const std::string name = prefix.empty() ? "e" : prefix + ":e";
        if (pick(4) == 0)
            askFor(stream, kUris[pick(3)]);

        stream << stream.writeOpenElement(uri, name);
        for (int i = pick(3); i > 0; --i)
            stream << stream.writeAttribute("a" + std::to_string(i), "v");
        const bool leaf = depth > 5 || pick(3) == 0;
        stream << stream.writeOpenElementClose(uri, leaf);
        const std::string outline = "{" + (prefix.empty() ? uri : fBound.at(prefix)) + "}e";
        if (leaf)
            return outline;
        const std::string own = uri.empty() ? std::string() : askFor(stream, uri);
        std::string children;
        for (int i = pick(4); i > 0; --i) {
            if (!own.empty() && pick(3) == 0) {
                stream << "<" << own << ":value>t</" << own << ":value>";
                children += " {" + uri + "}value";
            }
            children += " " + element(stream, own, depth + 1);
        }
        if (pick(4) == 0)
            askFor(stream, kUris[pick(3)]);
        stream << stream.writeCloseElement(uri, name);
        return children.empty() ? outline : outline + "[" + children.substr(1) + "]";
    }

private:
    inline static const std::string kUris[] = {"urn:a", "urn:b", "urn:a&b\"c<d", ""};

    std::size_t pick(std::size_t count) { return fRandom() % count; }

    std::string askFor(XmlStream& stream, const std::string& uri)
    {
        const std::string prefix = stream.getNamespacePrefix(uri);
        fBound.emplace(prefix, uri);
        return prefix;
    }

    std::mt19937 fRandom;
    std::map<std::string, std::string> fBound;  // every prefix and the URI it is bound to
};

} // namespace

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
            EXPECT_EQ(expected, stream.writeAttribute(name.c_str(), toXmlString(value)));
            std::string tight = escaped;
            tight.shrink_to_fit();
            EXPECT_EQ(expected, stream.writeAttribute(name, std::move(tight)));
        }
    }
}

// The stream gathers a text of up to 256 bytes on the stack before it makes
// the string it returns, and builds a longer one another way: texts on
// either side of that size come out whole.
TEST(XmlStreamText, TextsAroundTheGatheredSizeComeOutWhole)
{
    for (std::size_t size = 250; size <= 262; ++size)
    {
        XmlStream stream;
        const std::string uri = "urn:" + std::string(size / 2 - 15, 'u');
        const std::string name = size % 2 == 0 ? "ee" : "e";
        EXPECT_EQ("<" + name + " xmlns=\"" + uri + "\" xmlns:ns1=\"" + uri + "\"",
                  stream.writeOpenElement(uri, name));
        const std::string text(size - 5, 't');
        EXPECT_EQ(" a=\"" + text + "\"", stream.writeAttribute("a", text));
        stream << stream.writeOpenElementClose(uri, false);
        const std::string child = "ns1:" + std::string(size - 7, 'c');
        stream << stream.writeOpenElement(uri, child) << stream.writeOpenElementClose(uri, false);
        EXPECT_EQ("</" + child + ">", stream.writeCloseElement(uri, child));
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

TEST(XmlStreamNamespaces, RandomlyWrittenDocumentsAreReadInTheirNamespaces)
{
    for (unsigned seed = 1; seed <= 300; ++seed)
    {
        XmlStream stream;
        const std::string expected = RandomWriter(seed).element(stream, std::string(), 0);
        try
        {
            EXPECT_EQ(expected, Brisvale::Testing::outline(*parseXmlDocument(stream.str())))
                << "seed " << seed << "\n" << stream.str();
        }
        catch (Brisvale::Soa::Common::Exceptions::DomException& error)
        {
            ADD_FAILURE() << "seed " << seed << ": " << error.getMessage() << "\n" << stream.str();
        }
    }
}

// Deep nesting declares no more than it must: in the first of two chains
// of elements, each level in one of seven namespaces under its stable
// prefix, the first seven levels declare the prefixes and the deeper ones
// find them in scope; closing the chain ends them, so that the second
// chain declares them again. Where the default namespace changes at every
// level, every level declares it, and each scope restores the one around
// it.
TEST(XmlStreamNamespaces, DeepScopesDeclareOnlyWhatIsNotInScope)
{
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
        for (int level = 0; !node->getChildren().empty(); ++level, node = node->getChildren()[0])
            EXPECT_EQ("urn:level" + std::to_string(level % 7), node->getNamespaceUri()) << level;
    }

    const int defaults = 20000;
    XmlStream deep;
    for (int i = 0; i < defaults; ++i)
        start(deep, i % 2 == 0 ? "urn:even" : "urn:odd", "e");
    for (int i = defaults - 1; i >= 0; --i)
        deep << deep.writeCloseElement(i % 2 == 0 ? "urn:even" : "urn:odd", "e");
    EXPECT_EQ(static_cast<std::size_t>(defaults), count(deep.str(), "xmlns=\""));
}

// The stream keeps the names it has checked in a table of its own, which
// starts again when it fills up: far more names than it holds are written
// and checked alike.
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
    for (int round = 0; round < 2; ++round)
    {
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(" n" + std::to_string(i) + "=\"v\"", stream.writeAttribute("n" + std::to_string(i), "v"));
    }
    EXPECT_THROW(stream.writeAttribute("n 1", "v"), std::invalid_argument);
}

// The stream's quick checks take names and texts in overlapping words: a
// mark in an attribute's text, a byte no name holds, or an end tag that
// differs from its start tag in one byte is found wherever it stands.
TEST(XmlStreamChecks, FaultsAreFoundWhereverTheyStand)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "Root") << stream.writeOpenElementClose(kCadUri, false);
    for (std::size_t length = 1; length <= 40; ++length)
    {
        const std::string name(length, 'n');
        stream << stream.writeOpenElement(kCadUri, name);
        EXPECT_EQ(" " + name + "=\"v\"", stream.writeAttribute(name, "v"));
        for (std::size_t at = 0; at < length; ++at)
        {
            for (const char mark : {'<', '"', '&'})
            {
                std::string text(length, 'v');
                text[at] = mark;
                EXPECT_THROW(stream.writeAttribute("a", text), std::invalid_argument) << length << " " << at;
            }
            std::string other = name;
            other[at] = ' ';
            EXPECT_THROW(stream.writeAttribute(other, "v"), std::invalid_argument) << length << " " << at;
            other[at] = 'm';
            EXPECT_THROW(stream.writeCloseElement(kCadUri, other), std::invalid_argument) << length << " " << at;
        }
        stream << stream.writeOpenElementClose(kCadUri, false) << stream.writeCloseElement(kCadUri, name);
    }
    stream << stream.writeCloseElement(kCadUri, "Root");
    EXPECT_NO_THROW(parseXmlDocument(stream.str()));
}

// Whatever attribute text the stream lets through, a reader reads.
TEST(XmlStreamChecks, AttributeTextIsWrittenOnlyWhenEscaped)
{
    XmlStream open;
    open << open.writeOpenElement(kCadUri, "Root");
    for (const char* bare : {"say \"hi\"", "a<b", "a & b", "&", "&amp", "&nbsp;", "&#;", "&#x;", "&#0;", "&#x110000;",
                             "&#xD800;", "&#99999999999999999999;", "&#12a;", "&AMP;", "ok &lt; &"})
        EXPECT_THROW(open.writeAttribute("a", std::string(bare)), std::invalid_argument) << bare;
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

// Insertion writes what the standard operator writes, field width
// included, into whatever buffer is in use: a buffer the caller put in
// place of the stream's own, or one that refuses.
TEST(XmlStreamChecks, InsertionWritesWhatTheStandardOperatorWrites)
{
    XmlStream stream;
    std::ostringstream expected;
    const std::string text = "<ns1:a b=\"c\">";
    stream << text << "x" << std::string() << text;
    expected << text << "x" << std::string() << text;
    stream.width(6);
    expected.width(6);
    stream << std::string("ab") << "cd";
    expected << std::string("ab") << "cd";
    EXPECT_EQ(expected.str(), stream.str());

    std::stringbuf buffer;
    static_cast<std::ios&>(stream).rdbuf(&buffer);
    const std::string longText(1 << 17, 'e');
    stream << "<a" << std::string(9, 'd') << longText << std::string("/>");
    EXPECT_EQ("<a" + std::string(9, 'd') + longText + "/>", buffer.str());
    std::stringbuf readOnly(std::ios::in);
    static_cast<std::ios&>(stream).rdbuf(&readOnly);
    EXPECT_THROW(stream << stream.writeOpenElement(kCadUri, "Root"), std::ios_base::failure);
}

// Seen as the standard string stream it is, the stream holds the text written
// into it: its string and its buffer give the same text as the stream itself.
TEST(XmlStreamChecks, AStringStreamViewGivesTheTextWritten)
{
    XmlStream stream;
    std::string written;
    const std::string value(300, 'v');
    for (int i = 0; i < 200; ++i)
    {
        for (const std::string& text : {stream.writeOpenElement(kCadUri, "e"), stream.writeAttribute("a", value),
                                        stream.writeOpenElementClose(kCadUri, true)})
        {
            stream << text;
            written += text;
        }
    }
    std::stringstream& base = stream;
    EXPECT_EQ(written, base.str());
    std::ostringstream copy;
    copy << base.rdbuf();
    EXPECT_EQ(written, copy.str());
}

// The stream's own fields are a map from string to string and a queue,
// after its string-stream base, and nothing more: a class laid out so has
// its size.
TEST(XmlStreamLayout, IsAStringStreamThenAMapThenAQueue)
{
    struct PlainEntry
    {
        void* pointer;
    };
    struct LaidOutSo : std::stringstream
    {
        std::map<std::string, std::string> table;
        std::deque<PlainEntry> queue;
    };
    EXPECT_EQ(sizeof(LaidOutSo), sizeof(XmlStream));
}
