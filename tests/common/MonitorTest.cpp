#include <gtest/gtest.h>

#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::Monitor;
using Kind = MarkRecorder::EventKind;

TEST(Monitor, OnlyAScopedListenerReceivesMarks)
{
    MarkRecorder recorder;
    {
        Brisvale::Soa::Internal::Common::ScopedMonitorListener installed(recorder);
        Monitor::markStart("X::outputXML");
    }
    Monitor::markEnd("X::outputXML");
    EXPECT_EQ(recorder.events(), std::vector<MarkRecorder::Event>({{Kind::Start, "X::outputXML"}}));
}

TEST(MarkRecorder, NestedMarksKnowTheirEnclosingMarkAndUnmatchedOnesDisturbNothing)
{
    MarkRecorder recorder;
    for (const char* name : {"outer", "inner", "failed"})  // an exception skipped the end of "failed"
        recorder.markStart(name);
    for (const char* name : {"inner", "outer", "never started"})
        recorder.markEnd(name);
    recorder.markStart("next");
    recorder.markEnd("next");
    EXPECT_EQ(MarkRecorder::Event({Kind::UnmatchedEnd, "never started"}), recorder.events()[5]);
    const auto& times = recorder.executionTimes();
    ASSERT_EQ(3u, times.size());
    EXPECT_TRUE(times[0].enclosingName() == "outer" && times[0].depth() == 1 && times[0].discardedMarks() == 1);
    EXPECT_TRUE(times[1].nestedMarks() == 1 && times[2].depth() == 0 && recorder.openMarks().empty());
}
