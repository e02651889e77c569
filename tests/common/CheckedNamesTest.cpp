// The per-thread table of checked names on its own: whatever is put in, it
// stays searchable, finds exactly the names it holds and starts again
// before it fills.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Xml/Writing/CheckedNames.hpp"

using Brisvale::Soa::Common::Xml::CheckedNames;

namespace {

// A name of `size` bytes (at least 4) that differs from others of that
// size in its middle: the first and last eight bytes of all of them agree.
std::string nameWithMiddle(std::size_t size, int number)
{
    std::string name(size, 'n');
    const std::string digits = std::to_string(number);
    name.replace(size / 2 - digits.size() / 2, digits.size(), digits);
    return name;
}

} // namespace

TEST(CheckedNames, FindsWhatItHoldsAndNothingElse)
{
    CheckedNames names;
    std::size_t colon = 0;
    EXPECT_FALSE(names.find("a", colon));
    names.insert("a", std::string::npos);
    names.insert("p:local", 1);
    names.insert(nameWithMiddle(40, 1), std::string::npos);
    ASSERT_TRUE(names.find("a", colon));
    EXPECT_EQ(std::string::npos, colon);
    ASSERT_TRUE(names.find("p:local", colon));
    EXPECT_EQ(1u, colon);
    EXPECT_TRUE(names.find(nameWithMiddle(40, 1), colon));
    EXPECT_FALSE(names.find(nameWithMiddle(40, 2), colon));
    EXPECT_FALSE(names.find("b", colon));
    EXPECT_FALSE(names.find(std::string(), colon));
    EXPECT_TRUE(names.isConsistent());
}

// Long names whose bytes would overflow what is kept, many short ones that
// would take every slot, and names too long to keep, in one stream: after
// each insert the table is consistent, and the names inserted since it last
// started again are all found.
TEST(CheckedNames, StartsAgainBeforeItFillsAndStaysSearchable)
{
    CheckedNames names;
    std::vector<std::string> held;
    std::size_t restarts = 0;
    for (int i = 0; i < 2000; ++i)
    {
        const std::size_t size = i % 7 == 0 ? 120 : i % 5 == 0 ? CheckedNames::kLongestName + 1 : 4 + i % 30;
        const bool middleDiffers = size >= 20;
        const std::string name = middleDiffers ? nameWithMiddle(size, i) : "s" + std::to_string(i);
        const std::string absent = middleDiffers ? nameWithMiddle(size, i + 100000) : "t" + std::to_string(i);
        const std::size_t before = names.size();
        names.insert(name, std::string::npos);
        ASSERT_TRUE(names.isConsistent()) << i;
        if (names.size() <= before && name.size() <= CheckedNames::kLongestName)
        {
            ++restarts;
            held.clear();
        }
        if (name.size() <= CheckedNames::kLongestName)
            held.push_back(name);
        std::size_t colon = 0;
        for (const std::string& kept : held)
            ASSERT_TRUE(names.find(kept, colon)) << i << " " << kept;
        EXPECT_FALSE(names.find(absent, colon)) << i;
        EXPECT_LE(names.size(), CheckedNames::kMostNames);
        EXPECT_LE(names.middleBytesUsed(), CheckedNames::kMiddleBytes);
    }
    EXPECT_GT(restarts, 10u);

    // The bytes kept run out before the slots do.
    CheckedNames longNames;
    for (int i = 0; i < 50; ++i)
    {
        longNames.insert(nameWithMiddle(120, i), std::string::npos);
        ASSERT_TRUE(longNames.isConsistent()) << i;
    }
    EXPECT_EQ(50 - CheckedNames::kMiddleBytes / 104, longNames.size());
}
