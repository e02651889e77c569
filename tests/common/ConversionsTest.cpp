#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/DateTime.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

#include "TestDocuments.hpp"

using Brisvale::Soa::Common::DateTime;
using Brisvale::Soa::Common::Xml::BadLexicalCast;
using Brisvale::Soa::Common::Xml::lexical_cast;
using Brisvale::Soa::Common::Xml::toXmlString;

TEST(LexicalCast, Bool)
{
    EXPECT_EQ("true", lexical_cast<std::string>(true));
    EXPECT_EQ("false", lexical_cast<std::string>(false));
    EXPECT_TRUE(lexical_cast<bool>(std::string("true")));
    EXPECT_TRUE(lexical_cast<bool>(std::string("1")));
    EXPECT_FALSE(lexical_cast<bool>(std::string("false")));
    EXPECT_FALSE(lexical_cast<bool>(std::string("0")));
    for (const char* bad : {"", "TRUE", " true", "true ", "yes", "2"})
        EXPECT_THROW(lexical_cast<bool>(std::string(bad)), BadLexicalCast) << bad;
}

TEST(LexicalCast, IntRoundTripsAtItsLimits)
{
    for (int value : {INT_MIN, -1, 0, 1, INT_MAX})
        EXPECT_EQ(value, lexical_cast<int>(lexical_cast<std::string>(value)));
    EXPECT_EQ("-2147483648", lexical_cast<std::string>(INT_MIN));
    EXPECT_EQ(5, lexical_cast<int>(std::string("+5")));
    EXPECT_EQ(7, lexical_cast<int>(std::string("007")));
}

TEST(LexicalCast, IntRefusesJunkAndOverflow)
{
    for (const char* bad : {"", " 1", "1 ", "1x", "x1", "+", "-", "+-1", "--1", "0x10", "1.0",
                            "1e3", "2147483648", "-2147483649", "99999999999999999999"})
        EXPECT_THROW(lexical_cast<int>(std::string(bad)), BadLexicalCast) << bad;
}

TEST(LexicalCast, DoubleRoundTripsExactly)
{
    const std::vector<double> values = {0.1, 1.0 / 3, 1e308, DBL_MAX, 5e-324, DBL_MIN,
                                        -2.5, 123456789.125, 0.0, 1e21, 1e-7};
    for (double value : values)
        EXPECT_EQ(value, lexical_cast<double>(lexical_cast<std::string>(value))) << value;
    EXPECT_EQ("0.1", lexical_cast<std::string>(0.1));

    const double negativeZero = lexical_cast<double>(lexical_cast<std::string>(-0.0));
    EXPECT_EQ(0.0, negativeZero);
    EXPECT_TRUE(std::signbit(negativeZero));
}

TEST(LexicalCast, DoubleUsesTheXmlSchemaSpecialValues)
{
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ("INF", lexical_cast<std::string>(infinity));
    EXPECT_EQ("-INF", lexical_cast<std::string>(-infinity));
    EXPECT_EQ("NaN", lexical_cast<std::string>(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(infinity, lexical_cast<double>(std::string("INF")));
    EXPECT_EQ(-infinity, lexical_cast<double>(std::string("-INF")));
    EXPECT_TRUE(std::isnan(lexical_cast<double>(std::string("NaN"))));
    EXPECT_EQ(0.5, lexical_cast<double>(std::string(".5")));
    EXPECT_EQ(150.0, lexical_cast<double>(std::string("+1.5E2")));
}

TEST(LexicalCast, DoubleRefusesOtherSpellings)
{
    for (const char* bad : {"", "inf", "-inf", "nan", "Infinity", " 1", "1 ", "1x", "1,5",
                            "--1", "+-1", "0x1p3", "1e400", "e5", "."})
        EXPECT_THROW(lexical_cast<double>(std::string(bad)), BadLexicalCast) << bad;
}

TEST(LexicalCast, DateTimeRoundTrips)
{
    EXPECT_EQ("0001-01-01T00:00:00", lexical_cast<std::string>(DateTime()));
    EXPECT_EQ("2024-02-29T23:59:59", lexical_cast<std::string>(DateTime(2024, 2, 29, 23, 59, 59)));
    EXPECT_TRUE(DateTime(2000, 2, 29, 7, 8, 9)
                == lexical_cast<DateTime>(std::string("2000-02-29T07:08:09")));
    EXPECT_TRUE(DateTime(9999, 12, 31, 23, 59, 59)
                == lexical_cast<DateTime>(std::string("9999-12-31T23:59:59")));
}

TEST(LexicalCast, DateTimeRefusesAnythingButTheExactForm)
{
    for (const char* bad :
         {"", "2024-01-01", "2024-01-01 00:00:00", "2024-01-01T00:00:00Z", "2024-01-01T00:00:00.5",
          "2024-1-01T00:00:00", " 2024-01-01T00:00:00", "0000-01-01T00:00:00",
          "2023-02-29T00:00:00", "1900-02-29T00:00:00", "2024-04-31T00:00:00",
          "2024-13-01T00:00:00", "2024-00-10T00:00:00", "2024-01-01T24:00:00",
          "2024-01-01T00:60:00", "2024-01-01T00:00:60", "-024-01-01T00:00:00"})
        EXPECT_THROW(lexical_cast<DateTime>(std::string(bad)), BadLexicalCast) << bad;
}

TEST(LexicalCast, DateTimeOutOfRangeIsNotWritten)
{
    for (const DateTime& bad : {DateTime(2023, 2, 29, 0, 0, 0), DateTime(10000, 1, 1, 0, 0, 0),
                                DateTime(0, 1, 1, 0, 0, 0), DateTime(2024, 1, 1, -1, 0, 0),
                                DateTime(2024, 6, 31, 0, 0, 0)})
        EXPECT_THROW(lexical_cast<std::string>(bad), BadLexicalCast);
}

TEST(LexicalCast, MessageNamesTheTextAndTheTargetType)
{
    try
    {
        lexical_cast<int>(std::string("12ab"));
        FAIL() << "no exception";
    }
    catch (const BadLexicalCast& error)
    {
        const std::string message = error.what();
        EXPECT_NE(std::string::npos, message.find("\"12ab\"")) << message;
        EXPECT_NE(std::string::npos, message.find("int")) << message;
    }
}

TEST(ToXmlString, EscapesMarkupQuotesAndWhitespaceControls)
{
    EXPECT_EQ("plain text", toXmlString("plain text"));
    EXPECT_EQ("&amp;&lt;&gt;&quot;&apos;&#9;&#10;&#13;", toXmlString("&<>\"'\t\n\r"));
}

TEST(ToXmlString, AwkwardValuesComeBackByteForByte)
{
    const std::vector<std::string> values = {
        "",
        "a & b < c > d",
        "\"double\" and 'single' quotes",
        "line one\nline two\r\nline three\rend",
        "\ttabbed\t",
        "  leading and trailing spaces  ",
        "Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x98\x80",
        "]]> and &amp; as text",
        "delete \x7F and next-line \xC2\x85",
    };
    for (const std::string& value : values)
    {
        const auto root = TestDocuments::roundTrip(toXmlString(value), {toXmlString(value)});
        EXPECT_EQ(value, root->getAttr("a"));
        ASSERT_EQ(1u, root->getChildren().size());
        EXPECT_EQ(value, root->getChildren()[0]->getText());
    }
}

TEST(ToXmlString, NumbersComeBackThroughADocument)
{
    const std::vector<double> doubles = {0.1, 1e308, 5e-324, -0.0, -1.0 / 3};
    std::vector<std::string> texts;
    for (double value : doubles)
        texts.push_back(lexical_cast<std::string>(value));
    const auto root = TestDocuments::roundTrip(lexical_cast<std::string>(INT_MIN), texts);

    EXPECT_EQ(INT_MIN, lexical_cast<int>(root->getAttr("a")));
    ASSERT_EQ(doubles.size(), root->getChildren().size());
    for (std::size_t i = 0; i < doubles.size(); ++i)
    {
        const double back = lexical_cast<double>(root->getChildren()[i]->getText());
        EXPECT_EQ(doubles[i], back);
        EXPECT_EQ(std::signbit(doubles[i]), std::signbit(back));
    }
}

TEST(ToXmlString, RefusesWhatXmlCannotCarry)
{
    const std::vector<std::string> refused = {
        std::string("nul\0inside", 10),
        "\x01",
        "bell\x07",
        "unit separator \x1F",
        "truncated \xC3",
        "overlong \xC0\x80",
        "overlong \xE0\x80\xAF",
        "surrogate \xED\xA0\x80",
        "beyond U+10FFFF \xF4\x90\x80\x80",
        "non-character \xEF\xBF\xBE",
        "non-character \xEF\xBF\xBF",
        "stray continuation \x80",
        "invalid byte \xFF",
    };
    for (const std::string& text : refused)
        EXPECT_THROW(toXmlString(text), std::invalid_argument) << text;
}
