#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

using Brisvale::Soa::Common::DateTime;
using Brisvale::Soa::Common::Xml::BadLexicalCast;
using Brisvale::Soa::Common::Xml::lexical_cast;
using Brisvale::Soa::Common::Xml::toXmlString;

template <class Target>
void expectRefused(std::initializer_list<std::string> texts)
{
    for (const std::string& text : texts)
        EXPECT_THROW(lexical_cast<Target>(text), BadLexicalCast) << text;
}

TEST(LexicalCast, BoolAndInt)
{
    EXPECT_TRUE(lexical_cast<bool>(std::string("1")) && lexical_cast<bool>(std::string("true")));
    EXPECT_FALSE(lexical_cast<bool>(std::string("0")) || lexical_cast<bool>(std::string("false")));
    expectRefused<bool>({"", "TRUE", "t rue", "yes", "2"});
    for (int value : {INT_MIN, -1, 0, INT_MAX})
        EXPECT_EQ(value, lexical_cast<int>(lexical_cast<std::string>(value)));
    expectRefused<int>({"", "1x", "+", "+-1", "--1", "0x10", "1.0", "1e3", "2147483648", "-2147483649"});
}

TEST(LexicalCast, WhiteSpaceAroundABoolOrNumberIsCollapsedAndInsideItIsRefused)
{
    EXPECT_TRUE(lexical_cast<bool>(std::string(" true")) && !lexical_cast<bool>(std::string("0\r\n")));
    EXPECT_EQ(-7, lexical_cast<int>(std::string("\t -7 \n")));
    EXPECT_EQ(1.5, lexical_cast<double>(std::string(" +1.5\r")));
    EXPECT_EQ(std::numeric_limits<double>::infinity(), lexical_cast<double>(std::string("\nINF ")));
    expectRefused<bool>({" ", "tr ue", "\vtrue", "\xC2\xA0true"});
    expectRefused<int>({"\t", "1 2", "- 1", "+ 1", "1\f", "\xC2\xA0" "1"});
    expectRefused<double>({"\n", "1. 5", "- 1", "1e 3", "\v1"});
    try {
        lexical_cast<int>(std::string(" 1 2 "));
        FAIL() << "no exception";
    } catch (const BadLexicalCast& error) {
        EXPECT_STREQ(error.what(), "cannot convert \" 1 2 \" to int: not a decimal integer");
    }
}

TEST(LexicalCast, DoubleRoundTripsExactlyAndReadsTheNearestDouble)
{
    for (double value : {0.1, 1.0 / 3, DBL_MAX, 5e-324, DBL_MIN, -2.5, 1e21, -0.0, 1e-7}) {
        const double back = lexical_cast<double>(lexical_cast<std::string>(value));
        EXPECT_TRUE(back == value && std::signbit(back) == std::signbit(value)) << value;
    }
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ("-INF", lexical_cast<std::string>(-infinity));
    EXPECT_EQ("NaN", lexical_cast<std::string>(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(infinity, lexical_cast<double>(std::string("+INF")));
    EXPECT_TRUE(std::isnan(lexical_cast<double>(std::string("NaN"))));
    EXPECT_EQ(150.0, lexical_cast<double>(std::string("+1.5E2")));
    expectRefused<double>({"", "inf", "nan", "1,5", "+-1", "0x1p3", "1e400", "-1e309", "1e", "e5", "."});
    // Too small for a double: the nearest one.
    EXPECT_EQ(0.0, lexical_cast<double>(std::string("1e-400")));
    EXPECT_TRUE(std::signbit(lexical_cast<double>(std::string("-000.0001e-99999999999999999999"))));
    EXPECT_EQ(0.0, lexical_cast<double>(std::string("2.4703282292062327e-324")));
    EXPECT_EQ(5e-324, lexical_cast<double>(std::string("2.4703282292062328e-324")));
    EXPECT_EQ(0.0, lexical_cast<double>("0." + std::string(400, '0') + "1e+10"));
    expectRefused<double>({"1" + std::string(400, '0') + "e-10"});
}

TEST(LexicalCast, DateTimeOnlyInItsExactFormAndRange)
{
    EXPECT_TRUE(DateTime(2024, 2, 29, 7, 8, 9) == lexical_cast<DateTime>(std::string("2024-02-29T07:08:09")));
    EXPECT_EQ("9999-12-31T23:59:59", lexical_cast<std::string>(DateTime(9999, 12, 31, 23, 59, 59)));
    expectRefused<DateTime>({"", "2024-01-01", "2024-01-01 00:00:00", "2024-01-01T00:00:00Z", "2024-1-01T00:00:00",
                             "0000-01-01T00:00:00", "2023-02-29T00:00:00", "1900-02-29T00:00:00", "2024-04-31T00:00:00",
                             "2024-13-01T00:00:00", "2024-00-10T00:00:00", "2024-01-00T00:00:00", "2024-01-01T24:00:00",
                             "2024-01-01T00:60:00", "2024-01-01T00:00:60"});
    for (const DateTime& bad : {DateTime(2023, 2, 29, 0, 0, 0), DateTime(10000, 1, 1, 0, 0, 0),
                                DateTime(2024, 1, 1, -1, 0, 0), DateTime(2024, 6, 31, 0, 0, 0)})
        EXPECT_THROW(lexical_cast<std::string>(bad), BadLexicalCast);
}

TEST(ToXmlString, EscapesMarkupAndWhitespaceControlsAndRefusesWhatXmlCannotCarry)
{
    EXPECT_EQ("&amp;&lt;&gt;&quot;&apos;&#9;&#10;&#13;", toXmlString("&<>\"'\t\n\r"));
    EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 \x7F", toXmlString("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 \x7F"));
    for (const std::string& text : {std::string("nul\0inside", 10), std::string("\x01"), std::string("\x1F"),
                                   std::string("cut \xC3"), std::string("\xC0\x80"), std::string("\xED\xA0\x80"),
                                   std::string("\xF4\x90\x80\x80"), std::string("\xEF\xBF\xBE"), std::string("\xFF")})
        EXPECT_THROW(toXmlString(text), std::invalid_argument) << text;
}

namespace {

// The escaped form of a byte, worked out one byte at a time; empty for a
// byte that cannot stand alone in XML text.
std::string escapedByte(unsigned char byte)
{
    switch (byte)
    {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    default: return byte < 0x20 || byte >= 0x80 ? std::string() : std::string(1, static_cast<char>(byte));
    }
}

} // namespace

// The quick look for bytes to escape takes a text in overlapping words:
// every byte, at every place of texts of up to forty bytes, is escaped or
// refused as escaping byte by byte says.
TEST(ToXmlString, EveryByteIsEscapedOrRefusedWhereverItStands)
{
    for (std::size_t length = 1; length <= 40; ++length)
    {
        for (std::size_t at = 0; at < length; ++at)
        {
            for (int byte = 0; byte < 256; ++byte)
            {
                std::string text(length, 'x');
                text[at] = static_cast<char>(byte);
                const std::string escaped = escapedByte(static_cast<unsigned char>(byte));
                if (escaped.empty())
                    EXPECT_THROW(toXmlString(text), std::invalid_argument) << length << " " << at << " " << byte;
                else
                    EXPECT_EQ(std::string(at, 'x') + escaped + std::string(length - at - 1, 'x'), toXmlString(text))
                        << length << " " << at << " " << byte;
            }
        }
    }
}
