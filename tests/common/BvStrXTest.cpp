#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/BvStrX.hpp>

using Brisvale::Soa::Common::Xml::BvStrX;

TEST(BvStrX, ConvertsToUtf8AndRefusesUnpairedSurrogates)
{
    EXPECT_STREQ("", BvStrX(nullptr).localForm());
    BvStrX text(u"Gr\u00FC\u00DFe \u20AC \U0001F600!");
    BvStrX copy(text);
    copy = BvStrX(u"two");
    EXPECT_EQ(std::string("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80!"), static_cast<const std::string&>(text));
    EXPECT_STREQ("two", copy.localForm());
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
    const char16_t loneLow[] = {0xDE00, 0};
    EXPECT_THROW(BvStrX{loneHigh}, std::invalid_argument);
    EXPECT_THROW(BvStrX{loneLow}, std::invalid_argument);
}

TEST(BvStrX, CopiesAreIndependentAndEmptyTextIsEmpty)
{
    const char16_t empty[] = {0};
    EXPECT_STREQ("", BvStrX(empty).localForm());
    BvStrX original(u"first");
    BvStrX copy(original);
    EXPECT_STREQ("first", copy.localForm());
    original = BvStrX(u"second");
    EXPECT_STREQ("first", copy.localForm());
    copy = BvStrX(empty);
    EXPECT_STREQ("second", original.localForm());
    EXPECT_EQ(std::string(), static_cast<const std::string&>(copy));
}
