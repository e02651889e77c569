// The text parser, through both of its readers: libxml2 under
// parseXmlDocument and Xerces-C under parseXmlDocumentWithXerces. Every test
// runs on both. What they make of well-formed documents is held to expat's
// reading by ExpatDifferentialTest; here are their limits, and what they
// refuse, with the place they name, that expat does not judge.

#include <sys/mman.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <expat.h>
#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "XmlTestSupport.hpp"

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Testing::utf16;

namespace {

using Reader = std::unique_ptr<XMLNode> (*)(const std::string&);

std::unique_ptr<XMLNode> readWithLibxml2(const std::string& text)
{
    return Brisvale::Soa::Common::Xml::parseXmlDocument(text);
}

std::unique_ptr<XMLNode> readWithXerces(const std::string& text)
{
    return Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces(text.data(), text.size());
}

std::string repeated(const std::string& part, std::size_t count)
{
    std::string text;
    text.reserve(part.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += part;
    return text;
}

std::string nested(std::size_t depth)
{
    return repeated("<e>", depth) + repeated("</e>", depth);
}

std::string withAttributes(std::size_t count)
{
    std::string text = "<r";
    for (std::size_t i = 0; i < count; ++i)
        text += " a" + std::to_string(i) + "=\"v" + std::to_string(i) + "\"";
    return text + "/>";
}

std::string entityBomb()
{
    std::string bomb = "<!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + repeated("&lol" + std::to_string(i - 1) + ";", 10) + "\">";
    return bomb + "]><lolz>&lol9;</lolz>";
}

const std::string kSmiley = "\xF0\x9F\x98\x80";  // U+1F600: four bytes, two UTF-16 code units
const std::string kEAcute = "\xC3\xA9";
const std::string kZeroWidthNoBreakSpace = "\xEF\xBB\xBF";  // U+FEFF, the character of a byte-order mark

// Documents that must be refused, each with what its refusal says. Lines
// end at LF, CRLF and a lone CR; columns count characters, whatever their
// bytes or UTF-16 code units, and never a byte-order mark. Where the
// parsers refuse, both stand just past the "&" that starts no reference.
const std::vector<std::pair<std::string, std::string>> kRefusals = {
    {"<?xml version=\"1.0\"?>\n<!-- a -->\n  <!DOCTYPE a><a/>", "at line 3, column 3: document type"},
    {utf16("<!DOCTYPE a><a/>", false), "at line 1, column 1: document type"},
    {utf16("<?xml version='1.0' encoding='UTF-16'?><!DOCTYPE a><a/>", true), "at line 1, column 40: document type"},
    {"\x4C\x6F\xA7\x94\x93\x40\xA5\x85\x99\xA2\x89\x96\x95\x7E\x7F\xF1\x4B\xF0\x7F\x6F\x6E"
     "\x4C\x5A\xC4\xD6\xC3\xE3\xE8\xD7\xC5\x40\x81\x6E\x4C\x81\x61\x6E", "EBCDIC text is not read"},
    {entityBomb(), "document type"},
    {"<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><a>&e;</a>", "document type"},
    {"<a>&e;</a>", "parse error at line 1, column 7:"},
    {nested(1001), "deeper than 1000 levels"},
    {std::string("<a/>\0<b/>", 9), "at line 1, column 5: a NUL character"},
    {"\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-16'?><a/>", "a UTF-8 byte-order mark on a document declared UTF-16"},
    {"<?xml version='1.1'?><a>\x01</a>", "XML version 1.1 is not read"},
    {"<?p?><!---->" + withAttributes(257), "at line 1, column 13: an element with more than 256 attributes"},
    {"<r>" + repeated("<a/>", 200000) + "</r>", "more memory than its reader allows"},
    {"<a>" + std::string(100000, 'x') + "\xFF</a>", "at line 1, column 100004: invalid UTF-8"},
    {"<p:a/>", "parse error at line 1, column"},
    {"<xmlns:a/>", "refused at line 1, column 1: an element name with the prefix xmlns"},
    {utf16("<r><!-- <xmlns:c> -->\n  <xmlns:c>t</xmlns:c></r>", true), "at line 2, column 3: an element name with the prefix xmlns"},
    {"<a/><b/>", "parse error at line 1, column 5:"},
    {"<a>\n  <b></a>", "parse error at line 2, column"},
    {"", "parse error at line 1, column 1:"},
    {"<?xml version='1.0' encoding='UT-F8'?><a v='\xF0\x84\x9D\x9E'/>", "the encoding UT-F8 is not read"},
    {utf16("<?xml version='1.0' encoding='ISO-8859-1'?><a/>", false), "declared ISO-8859-1 but is UTF-16LE"},
    {utf16("<?xml version='1.0' encoding='UTF-8'?><a/>", false), "declared UTF-8 but is UTF-16LE"},
    {utf16("<?xml version='1.0' encoding='UTF-16BE'?><a/>", false), "declared UTF-16BE but is UTF-16LE"},
    {utf16("<a/>", true) + std::string(1, '\0'), "at line 1, column 5: UTF-16 text that ends in half a character"},
    {"<?xml version='1.0' encoding='UTF-8'standalone='yes'?><a/>", "at line 1, column 37: a malformed XML declaration"},
    {"<?xml version='1.\xC3\xA9'?><a/>", "at line 1, column 18: a malformed XML declaration"},
    {"<?xml version='1.0' standalone='no' encoding='UTF-8'?><a/>", "at line 1, column 37: a malformed XML declaration"},
    {"<?xml version='1.0' encoding='-UTF-8'?><a/>", "at line 1, column 38: a malformed XML declaration"},
    {"<r>\n" + kEAcute + kEAcute + kEAcute + "\xFF</r>", "at line 2, column 4: invalid UTF-8"},
    {"<r>\n" + kSmiley + kSmiley + "\xFF</r>", "at line 2, column 3: invalid UTF-8"},
    {std::string("<r>\r\rab\0", 9), "at line 3, column 3: a NUL character"},
    {"<?xml version='1.0' encoding='US-ASCII'?>\r\n<r>ab\xE9</r>", "at line 2, column 6: a byte past ASCII"},
    {utf16("<r>\r\n" + kEAcute, false) + std::string("\x00\xD8<\0", 4), "at line 2, column 2: an unpaired surrogate"},
    {"\xEF\xBB\xBF<r>" + kEAcute + "& </r>", "parse error at line 1, column 6:"},
    {"<r>\r\n" + kSmiley + kEAcute + "& </r>", "parse error at line 2, column 4:"},
    {"<?xml\nversion='1.0'?><r>& </r>", "parse error at line 2, column 20:"},
    {utf16("<r>\r\n" + kSmiley + kEAcute + "& </r>", false), "parse error at line 2, column 4:"},
    {utf16("<?xml version='1.0' encoding='UTF-16'?>\r<r>" + kSmiley + "& </r>", true, false), "parse error at line 2, column 6:"},
    {"<?xml version='1.0' encoding='ISO-8859-1'?>\r<r>\xE9\xE9& </r>", "parse error at line 2, column 7:"},
    // The element past the depth limit has its ">" at column 3002; libxml2
    // refuses on it, Xerces just past it.
    {"<r>\r" + kSmiley + kEAcute + nested(1000), "at line 2, column 300"},
};

// UTF-8 text, all of whose characters ISO-8859-1 has, in ISO-8859-1.
std::string latin1(const std::string& utf8)
{
    std::string text;
    for (std::size_t at = 0; at < utf8.size();)
        text += static_cast<char>(Brisvale::Testing::decodeUtf8(utf8, at));
    return text;
}

// A document whose text after its declaration is the given UTF-8, declared
// and written in each encoding that has all its characters, by name.
std::vector<std::pair<std::string, std::string>> inEachEncoding(const std::string& utf8)
{
    const auto declared = [&](const char* encoding) {
        return "<?xml version='1.0' encoding='" + std::string(encoding) + "'?>\n" + utf8;
    };
    std::vector<std::pair<std::string, std::string>> documents = {
        {"UTF-8", declared("UTF-8")},
        {"UTF-16LE with a byte-order mark", utf16(declared("UTF-16"), false)},
        {"UTF-16BE without one", utf16(declared("UTF-16"), true, false)}};
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii)
        documents.push_back({"US-ASCII", declared("US-ASCII")});
    if (ascii || utf8.find("\xF0") == std::string::npos)
        documents.push_back({"ISO-8859-1", latin1(declared("ISO-8859-1"))});
    return documents;
}

class TextParser : public ::testing::TestWithParam<Reader>
{
protected:
    std::unique_ptr<XMLNode> read(const std::string& text) const { return GetParam()(text); }

    // The message of a refusal; fails the test if the document is read.
    std::string refusal(const std::string& text) const
    {
        try
        {
            read(text);
        }
        catch (DomException& error)
        {
            return error.getMessage();
        }
        ADD_FAILURE() << "accepted: " << text.substr(0, 100);
        return std::string();
    }

    std::unique_ptr<XMLNode> readWhole(const std::string& text) const
    {
        return Brisvale::Testing::readOrFail(GetParam(), text);
    }
};

INSTANTIATE_TEST_SUITE_P(Readers, TextParser, ::testing::Values(&readWithLibxml2, &readWithXerces),
                         [](const auto& info) { return info.index == 0 ? "Libxml2" : "Xerces"; });

TEST_P(TextParser, RefusesEveryDocumentSayingWhyAndWhere)
{
    for (const auto& [text, says] : kRefusals)
        EXPECT_NE(std::string::npos, refusal(text).find(says)) << says;
}

// Up to every limit, nothing is lost.
TEST_P(TextParser, ReadsWideLongDeepAndManyWhole)
{
    EXPECT_NO_THROW(read(nested(1000)));
    const auto wide = read(withAttributes(256));
    EXPECT_EQ(256u, wide->attrs().size());
    EXPECT_EQ("v255", wide->getAttr("a255"));
    const std::string signs(300, '=');
    EXPECT_EQ(signs, read("<r><!--" + signs + "--><?p " + signs + "?><![CDATA[" + signs + "]]></r>")->getText());
    const std::string longValue(70000, 'z');
    EXPECT_EQ(longValue, read("<r l=\"" + longValue + "\"/>")->getAttr("l"));
    // Characters past ASCII at every place among the eight units that the
    // Xerces reader converts together, in short text and in long.
    std::string mixed;
    for (int i = 0; i < 400; ++i)
    {
        mixed += std::string(i % 9, 'm') + kEAcute + kSmiley;
        if (i == 9 || i == 399)
        {
            for (const auto& [encoding, text] : inEachEncoding("<r v='" + mixed + "'>" + mixed + "</r>"))
            {
                const auto node = read(text);
                EXPECT_EQ(mixed, node->getAttr("v")) << encoding;
                EXPECT_EQ(mixed, node->getText()) << encoding;
            }
        }
    }
    const std::string longText(1 << 21, 't');
    EXPECT_EQ(longText, read("<r>" + longText + "</r>")->getText());
    const auto many = read("<r>" + repeated("<c n='1'>t</c>", 3000) + "</r>");
    ASSERT_EQ(3000u, many->getChildren().size());
    EXPECT_EQ("t", many->getChildren()[2999]->getText());
}

// Short elements cost far more as nodes than as text: a tree may take
// sixteen times the text, so an element with text reads from 14 bytes on,
// an empty one from 13, whatever the document's size; shorter ones are
// refused once the megabyte of slack is spent.
TEST_P(TextParser, DenseDocumentsReadAtEverySizeDownToTheirShortestElements)
{
    for (const std::size_t count : {std::size_t{100000}, std::size_t{300000}})
    {
        EXPECT_EQ(count, read("<r>" + repeated("<uids>x</uids>", count) + "</r>")->getChildren().size());
        EXPECT_EQ(count, read("<r>" + repeated("<abcdefghij/>", count) + "</r>")->getChildren().size());
    }
    EXPECT_NE(std::string::npos, refusal("<r>" + repeated("<uid>xy</uid>", 300000) + "</r>").find("more memory"));
    EXPECT_NE(std::string::npos, refusal("<r>" + repeated("<abcdefghi/>", 300000) + "</r>").find("more memory"));
}

// "line L, column C" of an error's message.
std::string placeIn(const std::string& message)
{
    const std::size_t line = message.find("line ");
    return line == std::string::npos ? message : message.substr(line, message.find(':', line) - line);
}

// Lines and columns count characters, so an error stands at the same place
// in every encoding, whatever text comes after it.
TEST_P(TextParser, NamesTheSamePlaceOfAnErrorInEveryEncoding)
{
    for (const std::string& letter : {std::string("e"), kEAcute, kSmiley})
    {
        for (const std::size_t after : {std::size_t{10}, std::size_t{100000}})
        {
            for (const std::string& error : {std::string("<a b='1' b='2'/>"), std::string("<a>& </a>"), nested(1001)})
            {
                const std::string body = "<r>" + repeated(letter, 3) + "\r\n" + repeated(letter, 2000) + error
                                         + repeated("t" + letter, after) + "</r>";
                const std::vector<std::pair<std::string, std::string>> documents = inEachEncoding(body);
                const std::string inUtf8 = placeIn(refusal(documents[0].second));
                EXPECT_EQ(0u, inUtf8.find("line 3, column ")) << inUtf8;
                for (const auto& [encoding, text] : documents)
                    EXPECT_EQ(inUtf8, placeIn(refusal(text))) << encoding << ", " << after << " after " << error.substr(0, 16);
            }
        }
    }
}

std::string declaration(const std::string& encoding)
{
    return "<?xml version='1.0' encoding='" + encoding + "'?>";
}

// `lead` and then `body` after a byte-order mark, in UTF-8 and in UTF-16 in
// both byte orders, each also with a declaration of its encoding between
// the two.
std::vector<std::pair<std::string, std::string>> afterEachByteOrderMark(const std::string& lead,
                                                                        const std::string& body)
{
    return {{"UTF-8", kZeroWidthNoBreakSpace + lead + body},
            {"UTF-8 declared", kZeroWidthNoBreakSpace + lead + declaration("UTF-8") + body},
            {"UTF-16LE", utf16(lead + body, false)},
            {"UTF-16LE declared", utf16(lead + declaration("UTF-16") + body, false)},
            {"UTF-16BE", utf16(lead + body, true)},
            {"UTF-16BE declared", utf16(lead + declaration("UTF-16") + body, true)}};
}

// Whether expat, which shares no code with our readers, refuses a document.
// ExpatReading leaves out of its scope a document where expat stops at a
// character that names may hold since the fifth edition of XML 1.0, as
// U+FEFF; where no name can stand, expat's own verdict still counts.
bool expatRefuses(const std::string& text)
{
    const XML_Parser parser = XML_ParserCreate(nullptr);
    const bool refused = XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) != XML_STATUS_OK;
    XML_ParserFree(parser);
    return refused;
}

// Only the first U+FEFF of a text is its byte-order mark; a second one is a
// character before the root element, the first one counted, whatever the
// encoding and whatever follows it. Inside the root it is text like any other.
TEST_P(TextParser, RefusesAZeroWidthNoBreakSpaceAfterTheByteOrderMarkAsItsFirstCharacter)
{
    const std::string inUtf8 = placeIn(refusal(kZeroWidthNoBreakSpace + kZeroWidthNoBreakSpace + "<r>x</r>"));
    EXPECT_EQ("line 1, column 1", inUtf8);
    auto documents = afterEachByteOrderMark(kZeroWidthNoBreakSpace, "<r>x</r>");
    documents.push_back(
        {"UTF-16LE declared UTF-8", utf16(kZeroWidthNoBreakSpace + declaration("UTF-8") + "<r>x</r>", false)});
    for (const auto& [encoding, text] : documents)
    {
        EXPECT_EQ(inUtf8, placeIn(refusal(text))) << encoding;
        EXPECT_TRUE(expatRefuses(text)) << encoding;
    }
    for (const auto& [encoding, text] : afterEachByteOrderMark("", "<r>" + kZeroWidthNoBreakSpace + "x</r>"))
    {
        const auto root = readWhole(text);
        EXPECT_TRUE(root && root->getText() == kZeroWidthNoBreakSpace + "x") << encoding;
    }
}

// The allowance counts the text as given or in UTF-8, whichever is longer,
// so the elements that always read in UTF-8 read in every encoding.
TEST_P(TextParser, DenseDocumentsReadInEveryEncoding)
{
    const std::size_t count = 300000;
    for (const std::string& element : {"<" + repeated(kEAcute, 10) + "/>", std::string("<abcdefghij/>"),
                                       std::string("<uids>x</uids>")})
    {
        for (const auto& [encoding, text] : inEachEncoding("<r>" + repeated(element, count) + "</r>"))
            EXPECT_EQ(count, read(text)->getChildren().size()) << encoding << " " << element;
    }
    for (const auto& [encoding, text] : inEachEncoding("<r>" + repeated("<a/>", count) + "</r>"))
        EXPECT_NE(std::string::npos, refusal(text).find("more memory")) << encoding;
}

// Equals signs in attribute values, in text and after a quoted ">" are no
// attributes; the 257th attribute is refused at its tag however many such
// signs come before it.
TEST_P(TextParser, CountsAsAttributesOnlyTheEqualsSignsOutsideQuotesInATag)
{
    const std::string signs(300, '=');
    const auto quoted = read("<r a=\"" + signs + "\" b='>" + signs + "'>" + signs + "<c/>" + signs + "</r>");
    EXPECT_EQ(signs, quoted->getAttr("a"));
    EXPECT_EQ(">" + signs, quoted->getAttr("b"));
    EXPECT_EQ(signs + signs, quoted->getText());
    const auto wide = [](int count) {
        std::string text = "<r>\n  <w";
        for (int i = 0; i < count; ++i)
            text += " a" + std::to_string(i) + (i % 2 == 0 ? "='=='" : "=\"=\"");
        return text + "/></r>";
    };
    EXPECT_EQ(256u, read(wide(256))->getChildren()[0]->attrs().size());
    EXPECT_NE(std::string::npos, refusal(wide(257)).find("at line 2, column 3: an element with more than 256"));
}

// Every declaration counts while its element is open, whichever prefix it
// binds again; every name counts once, whatever it names.
TEST_P(TextParser, BoundsNamespacesInScopeAndDistinctNames)
{
    const auto reason = [this](const std::string& text) {
        try { read(text); } catch (DomException& error) { return error.getMessage(); }
        return std::string();
    };
    std::string scopes;
    for (int i = 0; i < 257; ++i)
        scopes += "<e xmlns:p" + std::to_string(i) + "='urn:x'>";
    EXPECT_NE(std::string::npos, reason(scopes + repeated("</e>", 257)).find("namespace declarations in scope"));
    const std::string rebound = repeated("<e xmlns:p='urn:x'>", 256) + repeated("</e>", 256);
    EXPECT_EQ("", reason(rebound));
    EXPECT_EQ("", reason("<r>" + rebound + rebound + "</r>"));
    EXPECT_NE(std::string::npos, reason("<r xmlns='urn:y'>" + rebound + "</r>").find("in scope"));
    // Binding xml to its own namespace again changes nothing.
    const std::string xml = "<e xmlns:xml='http://www.w3.org/XML/1998/namespace'>";
    EXPECT_EQ("", reason(repeated(xml, 300) + repeated("</e>", 300)));

    // Exactly the limit, the root's name among them, is read; one more is
    // not. Comments keep the tree within its budget.
    std::string limit = "<r>";
    for (int i = 1; i < 16384; ++i)
        limit += "<n" + std::to_string(i) + " n" + std::to_string(i) + "=''/><!--" + std::string(20, ' ') + "-->";
    EXPECT_EQ("", reason(limit + "</r>"));
    EXPECT_NE(std::string::npos, reason(limit + "<more/></r>").find("distinct names"));
    using Part = std::string (*)(const std::string& number);
    for (const Part part : {+[](const std::string& n) { return "<n" + n + "/>"; },
                            +[](const std::string& n) { return "<e a" + n + "=''/>"; },
                            +[](const std::string& n) { return "<e xmlns:p" + n + "='urn:x'/>"; },
                            +[](const std::string& n) { return "<e xmlns='urn:" + n + "'/>"; },
                            +[](const std::string& n) { return "<?t" + n + "?>"; }})
    {
        std::string names = "<r>";
        for (int i = 0; i < 17000; ++i)
            names += part(std::to_string(i)) + "<!--" + std::string(20, ' ') + "-->";
        EXPECT_NE(std::string::npos, reason(names + "</r>").find("distinct names")) << part("0");
    }
}

// The longest name the readers take, in bytes of UTF-8 whatever the
// encoding of the text.
const std::size_t kLongestName = 10000000;

struct NamesAtTheLimit
{
    const char* letters;
    std::string longest;
    std::string tooLong;  // one byte more, in fewer characters than the longest has bytes
};

std::vector<NamesAtTheLimit> namesAtTheLimit()
{
    return {{"ASCII", std::string(kLongestName, 'n'), std::string(kLongestName + 1, 'n')},
            {"past ASCII", repeated(kEAcute, kLongestName / 2), repeated(kEAcute, kLongestName / 2) + "n"}};
}

// A place in a document where a name stands: the document with a given
// name there, and whether a tree holds what that document says.
struct NamePlace
{
    const char* what;
    std::string (*document)(const std::string& name);
    bool (*holds)(const XMLNode& root, const std::string& name);
};

const NamePlace kNamePlaces[] = {
    {"an element's name", [](const std::string& name) { return "<" + name + "/>"; },
     [](const XMLNode& root, const std::string& name) { return root.getName() == name; }},
    {"the local name of an element in a namespace",
     [](const std::string& name) { return "<p:" + name + " xmlns:p='urn:p'/>"; },
     [](const XMLNode& root, const std::string& name) {
         return root.getName() == name && root.getNamespaceUri() == "urn:p";
     }},
    {"an attribute's name", [](const std::string& name) { return "<r " + name + "='v'/>"; },
     [](const XMLNode& root, const std::string& name) { return root.getAttr(name) == "v"; }},
    {"the local name of an attribute in a namespace",
     [](const std::string& name) { return "<r xmlns:p='urn:p' p:" + name + "='v'/>"; },
     [](const XMLNode& root, const std::string& name) { return root.getAttr("{urn:p}" + name) == "v"; }},
    {"a declared prefix", [](const std::string& name) { return "<r xmlns:" + name + "='urn:p'>t</r>"; },
     [](const XMLNode& root, const std::string&) { return root.getName() == "r" && root.getText() == "t"; }},
    {"an element's prefix", [](const std::string& name) { return "<" + name + ":r xmlns:" + name + "='urn:p'/>"; },
     [](const XMLNode& root, const std::string&) {
         return root.getName() == "r" && root.getNamespaceUri() == "urn:p";
     }},
    {"an attribute's prefix",
     [](const std::string& name) { return "<r xmlns:" + name + "='urn:p' " + name + ":a='v'/>"; },
     [](const XMLNode& root, const std::string&) { return root.getAttr("{urn:p}a") == "v"; }},
    {"a processing instruction's target", [](const std::string& name) { return "<r>t<?" + name + " d?></r>"; },
     [](const XMLNode& root, const std::string&) { return root.getName() == "r" && root.getText() == "t"; }},
};

// Every kind of name, ten million bytes long, is read; one byte more is
// refused, however few characters it takes.
TEST_P(TextParser, ReadsNamesUpToTheirLongestAndRefusesLongerOnes)
{
    for (const NamesAtTheLimit& names : namesAtTheLimit())
    {
        for (const NamePlace& place : kNamePlaces)
        {
            const auto root = readWhole(place.document(names.longest));
            EXPECT_TRUE(root && place.holds(*root, names.longest)) << place.what << ", " << names.letters;
            EXPECT_NE("", refusal(place.document(names.tooLong))) << place.what << ", " << names.letters;
        }
    }
}

// Values, text and comments are not names: one longer than the longest
// name is read.
TEST_P(TextParser, ReadsValuesLongerThanTheLongestName)
{
    const std::string value(kLongestName + 1, 'v');
    const auto attribute = readWhole("<r a='" + value + "'/>");
    EXPECT_TRUE(attribute && attribute->getAttr("a") == value);
    const auto uri = readWhole("<p:r xmlns:p='" + value + "'/>");
    EXPECT_TRUE(uri && uri->getNamespaceUri() == value);
    const auto cdata = readWhole("<r><![CDATA[" + value + "]]></r>");
    EXPECT_TRUE(cdata && cdata->getText() == value);
    const auto text = readWhole("<r>" + value + "</r>");
    EXPECT_TRUE(text && text->getText() == value);
    EXPECT_TRUE(readWhole("<r><?p " + value + "?><!--" + value + "--></r>"));
}

// A name's length counts in UTF-8: twice as long in UTF-16, half as long
// in ISO-8859-1 for letters past ASCII.
TEST_P(TextParser, CountsTheLengthOfANameInUtf8InEveryEncoding)
{
    for (const NamesAtTheLimit& names : namesAtTheLimit())
    {
        for (const auto& [encoding, text] : inEachEncoding("<" + names.longest + "/>"))
        {
            const auto root = readWhole(text);
            EXPECT_TRUE(root && root->getName() == names.longest) << encoding << ", " << names.letters;
        }
        for (const auto& [encoding, text] : inEachEncoding("<r " + names.tooLong + "='v'/>"))
            EXPECT_NE("", refusal(text)) << encoding << ", " << names.letters;
    }
}

// Untouched pages read as zeros: a reader that looked at them would refuse
// a NUL character instead.
TEST(TextReaders, RefuseTextsOf2GiBAndMoreUnread)
{
    const std::size_t length = std::size_t{1} << 31;
    void* const pages = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(MAP_FAILED, pages);
    using Reader = std::unique_ptr<XMLNode> (*)(const char*, std::size_t);
    for (const Reader reader : {Reader(Brisvale::Soa::Common::Xml::parseXmlDocument),
                                Reader(Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces)})
    {
        try
        {
            reader(static_cast<const char*>(pages), length);
            ADD_FAILURE() << "read";
        }
        catch (DomException& error)
        {
            EXPECT_EQ("XML document refused: texts of 2 GiB and more are not read", error.getMessage());
        }
    }
    munmap(pages, length);
}

} // namespace
