#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/DateTime.hpp>

using Brisvale::Soa::Common::DateTime;

TEST(DateTime, ComparisonIsLexicographic)
{
    // Each value differs from the next in one field only, later fields
    // pulling the other way, so an order that looked at the wrong field
    // would be caught.
    const std::vector<DateTime> ascending = {
        DateTime(2023, 12, 31, 23, 59, 59), DateTime(2024, 1, 31, 23, 59, 59), DateTime(2024, 2, 1, 23, 59, 59),
        DateTime(2024, 2, 2, 0, 59, 59),    DateTime(2024, 2, 2, 1, 0, 59),    DateTime(2024, 2, 2, 1, 1, 0),
        DateTime(2024, 2, 2, 1, 1, 1),
    };
    for (std::size_t i = 0; i < ascending.size(); ++i) {
        for (std::size_t j = 0; j < ascending.size(); ++j) {
            const DateTime &a = ascending[i], &b = ascending[j];
            EXPECT_TRUE((i == j) == (a == b) && (i < j) == (a < b) && (i > j) == (a > b)) << i << " " << j;
            EXPECT_TRUE((i != j) == (a != b) && (i >= j) == (a >= b) && (i <= j) == (a <= b)) << i << " " << j;
        }
    }
}
