#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/BaseObject.hpp>
#include <Brisvale/Soa/Common/Xml/Handle.hpp>
#include <Brisvale/Soa/Common/Xml/TryingToCreateNullHandle.hpp>

namespace {

using Brisvale::Soa::Common::Xml::BaseObject;
using Brisvale::Soa::Common::Xml::Handle;
using Brisvale::Soa::Common::Xml::TryingToCreateNullHandle;

// A minimal class pair that reports its own destruction.
class ProbeImpl : public BaseObject
{
public:
    explicit ProbeImpl(int* destroyed)
        : fDestroyed(destroyed)
    {
        namespaceUri = "urn:probe";
    }
    ProbeImpl(const ProbeImpl& other) = default;
    ~ProbeImpl() override { ++*fDestroyed; }
    ProbeImpl* reallyClone() override { return new ProbeImpl(*this); }

    const std::string& uri() const { return namespaceUri; }

private:
    int* fDestroyed;
};

class Probe : public Handle<ProbeImpl>
{
public:
    explicit Probe(int* destroyed)
        : Handle<ProbeImpl>(new ProbeImpl(destroyed))
    {
    }
    explicit Probe(ProbeImpl* impl)
        : Handle<ProbeImpl>(impl)
    {
    }

    ProbeImpl& impl() const { return getHandleObject(); }
    int count() const { return getHandleObject().askRefCount(); }
};

TEST(HandleCounting, CopiesShareOneObjectAndCountIt)
{
    int destroyed = 0;
    {
        Probe first(&destroyed);
        EXPECT_EQ(first.count(), 1);
        {
            Probe copy(first);
            EXPECT_EQ(&copy.impl(), &first.impl());
            EXPECT_EQ(first.count(), 2);
        }
        EXPECT_EQ(first.count(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(HandleAssignment, SelfAssignmentKeepsTheOnlyReference)
{
    int destroyed = 0;
    Probe only(&destroyed);
    Probe& alias = only;
    only = alias;
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(only.count(), 1);
}

TEST(HandleAssignment, AssigningTheSameObjectDoesNotRecount)
{
    int destroyed = 0;
    Probe first(&destroyed);
    Probe second(first);
    second = first;
    EXPECT_EQ(first.count(), 2);
    EXPECT_EQ(destroyed, 0);
}

TEST(HandleAssignment, ReleasesTheOldObjectBeforeTakingTheNew)
{
    int destroyedA = 0;
    int destroyedB = 0;
    Probe a(&destroyedA);
    Probe b(&destroyedB);
    a = b;
    EXPECT_EQ(destroyedA, 1);
    EXPECT_EQ(destroyedB, 0);
    EXPECT_EQ(&a.impl(), &b.impl());
    EXPECT_EQ(b.count(), 2);
}

TEST(HandleConstruction, NullObjectThrowsOutsideStdException)
{
    bool caughtAsStd = false;
    bool caughtAsNullHandle = false;
    try {
        try {
            Probe nothing(static_cast<ProbeImpl*>(nullptr));
        } catch (const std::exception&) {
            caughtAsStd = true;
        }
    } catch (const TryingToCreateNullHandle&) {
        caughtAsNullHandle = true;
    }
    EXPECT_FALSE(caughtAsStd);
    EXPECT_TRUE(caughtAsNullHandle);
}

TEST(BaseObjectCopy, StartsUncountedAndKeepsTheNamespace)
{
    int destroyed = 0;
    Probe original(&destroyed);
    Probe other(original);
    ProbeImpl* clone = original.impl().reallyClone();
    EXPECT_EQ(clone->askRefCount(), 0);
    EXPECT_EQ(clone->uri(), "urn:probe");
    Probe adopted(clone);
    EXPECT_EQ(adopted.count(), 1);
    EXPECT_EQ(original.count(), 2);
}

} // namespace
