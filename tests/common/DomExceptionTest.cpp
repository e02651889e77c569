#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

using Brisvale::Soa::Common::Exceptions::DomException;

TEST(DomException, CopiesKeepTheMessageAndChangeAlone)
{
    DomException original("Unexpected node name: x");
    DomException copy(original);
    DomException assigned("other");
    assigned = original;
    original.setMessage("changed");
    EXPECT_EQ("Unexpected node name: x", copy.getMessage());
    EXPECT_EQ("Unexpected node name: x", assigned.getMessage());
    EXPECT_EQ("changed", original.getMessage());
}
