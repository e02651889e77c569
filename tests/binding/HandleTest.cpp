// Counting and sharing of Handle over BaseObject, on a minimal class pair
// that reports its own destruction.

#include <stdexcept>
#include <type_traits>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/BaseObject.hpp>
#include <Brisvale/Soa/Common/Xml/Handle.hpp>
#include <Brisvale/Soa/Common/Xml/TryingToCreateNullHandle.hpp>

namespace {

using Brisvale::Soa::Common::Xml::BaseObject;
using Brisvale::Soa::Common::Xml::Handle;
using Brisvale::Soa::Common::Xml::TryingToCreateNullHandle;

class ProbeImpl : public BaseObject
{
public:
    explicit ProbeImpl(int* destroyed) : fDestroyed(destroyed) {}
    ~ProbeImpl() override { ++*fDestroyed; }
    ProbeImpl* reallyClone() override { return new ProbeImpl(*this); }

private:
    int* fDestroyed;
};

class Probe : public Handle<ProbeImpl>
{
public:
    explicit Probe(ProbeImpl* impl) : Handle<ProbeImpl>(impl) {}
    ProbeImpl& impl() const { return getHandleObject(); }
    int count() const { return getHandleObject().askRefCount(); }
};

TEST(Handle, CopiesShareOneObjectAndTheLastOneDeletesIt)
{
    int destroyed = 0;
    {
        Probe first(new ProbeImpl(&destroyed));
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

TEST(Handle, AssignmentReleasesTheOldObjectAndSharesTheNew)
{
    int destroyedA = 0;
    int destroyedB = 0;
    Probe a(new ProbeImpl(&destroyedA));
    Probe b(new ProbeImpl(&destroyedB));
    Probe& alias = a;
    a = alias;
    EXPECT_EQ(a.count(), 1);
    a = b;
    EXPECT_EQ(destroyedA, 1);
    EXPECT_EQ(&a.impl(), &b.impl());
    EXPECT_EQ(b.count(), 2);
    a = b;
    EXPECT_EQ(b.count(), 2);
    EXPECT_EQ(destroyedB, 0);
}

TEST(Handle, NullObjectThrowsAnErrorOutsideStdException)
{
    EXPECT_THROW(Probe(static_cast<ProbeImpl*>(nullptr)), TryingToCreateNullHandle);
    static_assert(!std::is_base_of_v<std::exception, TryingToCreateNullHandle>);
}

} // namespace
