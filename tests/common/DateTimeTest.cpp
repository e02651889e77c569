#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/DateTime.hpp>

using Brisvale::Soa::Common::DateTime;

namespace {

void expectFields(const DateTime& value, int year, int month, int day, int hour, int minute,
                  int second)
{
    EXPECT_EQ(year, value.year());
    EXPECT_EQ(month, value.month());
    EXPECT_EQ(day, value.day());
    EXPECT_EQ(hour, value.hour());
    EXPECT_EQ(minute, value.minute());
    EXPECT_EQ(second, value.second());
}

} // namespace

TEST(DateTime, DefaultIsTheFirstInstantOfYearOne)
{
    expectFields(DateTime(), 1, 1, 1, 0, 0, 0);
}

TEST(DateTime, StoresFieldsAsGivenWithoutChecking)
{
    expectFields(DateTime(2024, 13, 40, -1, 99, 61), 2024, 13, 40, -1, 99, 61);
}

TEST(DateTime, AssignmentCopiesEveryField)
{
    DateTime target(1999, 12, 31, 23, 59, 58);
    const DateTime source(2001, 2, 3, 4, 5, 6);
    target = source;
    expectFields(target, 2001, 2, 3, 4, 5, 6);
    const DateTime copy(source);
    EXPECT_TRUE(copy == source);
}

TEST(DateTime, ComparisonIsLexicographicAndTheInlineOperatorsNegateTheOthers)
{
    // Each value differs from the next in one field only, later fields
    // pulling the other way, so an order that looked at the wrong field
    // would be caught.
    const std::vector<DateTime> ascending = {
        DateTime(2023, 12, 31, 23, 59, 59), DateTime(2024, 1, 31, 23, 59, 59),
        DateTime(2024, 2, 1, 23, 59, 59),   DateTime(2024, 2, 2, 0, 59, 59),
        DateTime(2024, 2, 2, 1, 0, 59),     DateTime(2024, 2, 2, 1, 1, 0),
        DateTime(2024, 2, 2, 1, 1, 1),
    };
    for (std::size_t i = 0; i < ascending.size(); ++i)
    {
        for (std::size_t j = 0; j < ascending.size(); ++j)
        {
            const DateTime& a = ascending[i];
            const DateTime& b = ascending[j];
            EXPECT_EQ(i == j, a == b) << i << " " << j;
            EXPECT_EQ(i < j, a < b) << i << " " << j;
            EXPECT_EQ(i > j, a > b) << i << " " << j;
            EXPECT_EQ(!(a == b), a != b);
            EXPECT_EQ(!(a < b), a >= b);
            EXPECT_EQ(!(a > b), a <= b);
        }
    }
}
