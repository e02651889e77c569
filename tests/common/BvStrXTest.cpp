#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/BvStrX.hpp>

using Brisvale::Soa::Common::Xml::BvStrX;

TEST(BvStrX, EmptyAndNullGiveEmptyStrings)
{
    const BvStrX empty(u"");
    EXPECT_STREQ("", empty.localForm());
    const BvStrX null(nullptr);
    EXPECT_STREQ("", null.localForm());
}

TEST(BvStrX, ConvertsToUtf8IncludingSurrogatePairs)
{
    BvStrX text(u"Gr\u00FC\u00DFe \u20AC \U0001F600!");
    EXPECT_EQ(std::string("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80!"),
              static_cast<const std::string&>(text));
}

TEST(BvStrX, RefusesUnpairedSurrogates)
{
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
    const char16_t loneLow[] = {0xDE00, 0};
    EXPECT_THROW(BvStrX{loneHigh}, std::invalid_argument);
    EXPECT_THROW(BvStrX{loneLow}, std::invalid_argument);
}

TEST(BvStrX, CopiesOwnTheirText)
{
    const BvStrX source(u"one");
    BvStrX copy(source);
    copy = BvStrX(u"two");
    EXPECT_STREQ("one", source.localForm());
    EXPECT_STREQ("two", copy.localForm());
}
