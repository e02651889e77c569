// The cheaper steps of writing: attributes framed in the buffer of the text
// they carry, end tags compared with the exact start tag name, the scans of
// names and text eight bytes at a time and the direct copy into the stream's
// buffer. Each must give exactly what the plain way gives.

#include <stdexcept>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::toXmlString;

namespace {

const std::string kUri = "urn:brisvale:write";

// A buffer with a small put area of its own, grown by overflow one
// character at a time, as a caller's own buffer may be.
class SmallBuffer : public std::streambuf
{
public:
    SmallBuffer() { setp(fArea, fArea + sizeof fArea); }
    std::string text() const { return fSpilled + std::string(pbase(), pptr()); }

protected:
    int_type overflow(int_type c) override
    {
        fSpilled.append(pbase(), pptr());
        setp(fArea, fArea + sizeof fArea);
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }

private:
    char fArea[8];
    std::string fSpilled;
};

} // namespace

TEST(XmlWritePath, AttributeFromAnyTextIsTheSame)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kUri, "Root");
    const std::string longName(40, 'n');
    for (const std::string& value : {std::string(), std::string("A"), std::string(15, 'v'),
                                     std::string(16, 'v'), std::string(300, 'v'),
                                     std::string("left & right \"type B\" <rev A> with a long tail")})
    {
        for (const std::string& name : {std::string("id"), longName})
        {
            const std::string expected = " " + name + "=\"" + toXmlString(value) + "\"";
            const std::string escaped = toXmlString(value);
            EXPECT_EQ(expected, stream.writeAttribute(name, escaped));
            EXPECT_EQ(expected, stream.writeAttribute(name, toXmlString(value)));
            std::string tight = escaped;
            tight.shrink_to_fit();
            EXPECT_EQ(expected, stream.writeAttribute(name, std::move(tight)));
        }
    }
    // The checks come first whatever the text is given as.
    EXPECT_THROW(stream.writeAttribute("a", std::string("a<b")), std::invalid_argument);
    EXPECT_THROW(stream.writeAttribute("1a", std::string("b")), std::invalid_argument);
    EXPECT_THROW(stream.writeAttribute("xmlns", std::string("b")), std::invalid_argument);
}

TEST(XmlWritePath, EndTagsMatchTheExactStartTagName)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kUri, "a");
    stream << stream.writeOpenElementClose(kUri, false);
    stream << stream.writeOpenElement(kUri, "ab");
    stream << stream.writeOpenElementClose(kUri, true);
    stream << stream.writeOpenElement(kUri, "abc");
    stream << stream.writeOpenElementClose(kUri, false);
    EXPECT_THROW(stream.writeCloseElement(kUri, "ab"), std::invalid_argument);
    EXPECT_THROW(stream.writeCloseElement(kUri, "abcd"), std::invalid_argument);
    EXPECT_THROW(stream.writeCloseElement(kUri, "abd"), std::invalid_argument);
    stream << stream.writeCloseElement(kUri, "abc");
    EXPECT_THROW(stream.writeCloseElement(kUri, "abc"), std::invalid_argument);
    stream << stream.writeCloseElement(kUri, "a");
    EXPECT_TRUE(stream.isRootElement());
}

TEST(XmlWritePath, NameFaultsAreFoundAtAnyPosition)
{
    XmlStream stream;
    stream << stream.writeOpenElement(kUri, "Root");
    const std::string letters = "abcdefghijklmnopqrstu";
    for (std::size_t at = 1; at < letters.size(); ++at)
    {
        for (const char fault : {' ', '<', '\x01', '\xC3'})
        {
            std::string name = letters;
            name[at] = fault;
            EXPECT_THROW(stream.writeAttribute(name, "v"), std::invalid_argument) << at;
        }
        std::string prefixed = letters;
        prefixed[at] = ':';
        if (at + 1 < letters.size())
        {
            XmlStream other;
            EXPECT_EQ("<" + prefixed + " xmlns:" + letters.substr(0, at) + "=\"" + kUri + "\"",
                      other.writeOpenElement(kUri, prefixed)) << at;
        }
        prefixed[letters.size() - 1] = ':';
        XmlStream other;
        EXPECT_THROW(other.writeOpenElement(kUri, prefixed), std::invalid_argument) << at;
    }
}

TEST(XmlWritePath, SpecialBytesAreEscapedAtAnyPosition)
{
    const std::string plain(24, 'x');
    for (std::size_t at = 0; at < plain.size(); ++at)
    {
        std::string text = plain;
        text[at] = '&';
        EXPECT_EQ(plain.substr(0, at) + "&amp;" + plain.substr(at + 1), toXmlString(text)) << at;
        text[at] = '\x01';
        EXPECT_THROW(toXmlString(text), std::invalid_argument) << at;
    }
}

TEST(XmlWritePath, InsertionIntoAnotherBufferKeepsTheOrder)
{
    XmlStream stream;
    SmallBuffer buffer;
    std::ios& base = stream;
    base.rdbuf(&buffer);
    std::string expected;
    for (const std::string& text : {std::string("<a"), std::string(7, 'b'), std::string(8, 'c'),
                                    std::string(9, 'd'), std::string(1 << 17, 'e'), std::string("/>")})
    {
        stream << text;
        expected += text;
    }
    EXPECT_EQ(expected, buffer.text());
}
