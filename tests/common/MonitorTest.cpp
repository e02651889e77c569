#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::Monitor;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;

namespace {

typedef MarkRecorder::EventKind Kind;

MarkRecorder::Event event(Kind kind, const std::string& name)
{
    return MarkRecorder::Event{kind, name};
}

// Starts a mark and throws before ending it, as a failing parse does.
void failInside(const std::string& name)
{
    Monitor::markStart(name);
    throw std::runtime_error("failure");
}

} // namespace

TEST(Monitor, WithoutListenerMarksGoNowhere)
{
    EXPECT_EQ(nullptr, Monitor::getListener());
    Monitor::markStart("a");
    Monitor::markEnd("a");
}

TEST(Monitor, ScopedListenerReceivesMarksAndIsRemovedAfterwards)
{
    MarkRecorder recorder;
    {
        ScopedMonitorListener installed(recorder);
        EXPECT_EQ(&recorder, Monitor::getListener());
        Monitor::markStart("X::outputXML");
        Monitor::markEnd("X::outputXML");
    }
    EXPECT_EQ(nullptr, Monitor::getListener());
    Monitor::markStart("ignored");

    const std::vector<MarkRecorder::Event> expected = {event(Kind::Start, "X::outputXML"),
                                                       event(Kind::End, "X::outputXML")};
    EXPECT_EQ(expected, recorder.events());
    ASSERT_EQ(1u, recorder.executionTimes().size());
    EXPECT_GE(recorder.executionTimes()[0].elapsedNanoseconds(), 0);
}

TEST(MarkRecorder, NestedMarksKnowTheirEnclosingMark)
{
    MarkRecorder recorder;
    recorder.markStart("outer");
    recorder.markStart("inner");
    recorder.markEnd("inner");
    recorder.markEnd("outer");

    ASSERT_EQ(2u, recorder.executionTimes().size());
    EXPECT_EQ("inner", recorder.executionTimes()[0].name());
    EXPECT_EQ("outer", recorder.executionTimes()[0].enclosingName());
    EXPECT_EQ(1, recorder.executionTimes()[0].depth());
    EXPECT_EQ("", recorder.executionTimes()[1].enclosingName());
    EXPECT_EQ(1, recorder.executionTimes()[1].nestedMarks());
}

TEST(MarkRecorder, UnmatchedStartMarkDoesNotDisturbLaterMarks)
{
    MarkRecorder recorder;
    ScopedMonitorListener installed(recorder);
    Monitor::markStart("outer");
    EXPECT_THROW(failInside("failed"), std::runtime_error);
    Monitor::markEnd("outer");
    Monitor::markStart("next");
    Monitor::markEnd("next");

    ASSERT_EQ(2u, recorder.executionTimes().size());
    EXPECT_EQ("outer", recorder.executionTimes()[0].name());
    EXPECT_EQ(1, recorder.executionTimes()[0].discardedMarks());
    EXPECT_EQ("next", recorder.executionTimes()[1].name());
    EXPECT_EQ(0, recorder.executionTimes()[1].depth());
    EXPECT_EQ(0, recorder.executionTimes()[1].discardedMarks());
    EXPECT_TRUE(recorder.openMarks().empty());
}

TEST(MarkRecorder, EndWithoutStartIsRecordedAndChangesNothingElse)
{
    MarkRecorder recorder;
    recorder.markStart("open");
    recorder.markEnd("never started");

    EXPECT_EQ(event(Kind::UnmatchedEnd, "never started"), recorder.events().back());
    ASSERT_EQ(1u, recorder.openMarks().size());
    EXPECT_EQ("open", recorder.openMarks()[0].name());
    EXPECT_TRUE(recorder.executionTimes().empty());

    recorder.clear();
    EXPECT_TRUE(recorder.events().empty());
    EXPECT_TRUE(recorder.openMarks().empty());
}
