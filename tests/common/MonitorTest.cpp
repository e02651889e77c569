#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::Monitor;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;
using Kind = MarkRecorder::EventKind;

TEST(Monitor, OnlyAScopedListenerReceivesMarks)
{
    MarkRecorder recorder;
    {
        ScopedMonitorListener installed(recorder);
        Monitor::markStart("X::outputXML");
    }
    Monitor::markEnd("X::outputXML");
    EXPECT_EQ(recorder.events(),
              std::vector<MarkRecorder::Event>({{Kind::Start, "X::outputXML", std::this_thread::get_id()}}));
    EXPECT_EQ(Monitor::getListener(), nullptr);
}

// A listener that writes its marks somewhere makes marks of its own: they
// must not come back into it, and it cannot change the listener it is.
class MarkingListener : public MarkRecorder
{
public:
    void markStart(const std::string& name) override
    {
        MarkRecorder::markStart(name);
        Monitor::markStart("listener's own work");
        Monitor::markEnd("listener's own work");
        EXPECT_THROW(Monitor::setListener(nullptr), std::logic_error);
    }
};

TEST(Monitor, AListenerReceivesNoMarkOfItsOwnWorkAndCannotChangeTheListener)
{
    MarkingListener listener;
    {
        ScopedMonitorListener installed(listener);
        Monitor::markStart("X::parse");
        EXPECT_EQ(Monitor::getListener(), &listener);
    }
    EXPECT_EQ(listener.events(), std::vector<MarkRecorder::Event>({{Kind::Start, "X::parse", std::this_thread::get_id()}}));
}

TEST(MarkRecorder, NestedMarksKnowTheirEnclosingMarkAndUnmatchedOnesDisturbNothing)
{
    MarkRecorder recorder;
    recorder.markStart("outer");
    recorder.markStart("first");
    recorder.markEnd("first");
    for (const char* name : {"inner", "failed"})  // an exception skipped the end of "failed"
        recorder.markStart(name);
    for (const char* name : {"inner", "outer", "never started"})
        recorder.markEnd(name);
    recorder.markStart("next");
    recorder.markEnd("next");
    EXPECT_EQ(MarkRecorder::Event({Kind::UnmatchedEnd, "never started", std::this_thread::get_id()}),
              recorder.events()[7]);
    const auto times = recorder.executionTimes();
    ASSERT_EQ(4u, times.size());
    EXPECT_TRUE(times[1].enclosingName() == "outer" && times[1].depth() == 1 && times[1].discardedMarks() == 1);
    EXPECT_TRUE(times[1].nestedMarks() == 0 && times[2].nestedMarks() == 2);
    EXPECT_TRUE(times[3].depth() == 0 && times[3].nestedMarks() == 0 && recorder.openMarks().empty());
}

// While "call" is open on this thread, another thread's marks neither end
// it, nor nest in it, nor count in it.
TEST(MarkRecorder, PairsMarksWithinEachThread)
{
    MarkRecorder recorder;
    recorder.markStart("call");
    std::thread::id other;
    std::thread([&] {
        other = std::this_thread::get_id();
        recorder.markStart("work");
        recorder.markEnd("call");
        recorder.markEnd("work");
        recorder.markStart("left open");
    }).join();
    ASSERT_EQ(recorder.openMarks().size(), 2u);
    recorder.markEnd("call");

    const std::thread::id self = std::this_thread::get_id();
    EXPECT_EQ(recorder.events()[2], MarkRecorder::Event({Kind::UnmatchedEnd, "call", other}));
    const auto times = recorder.executionTimes();
    ASSERT_EQ(times.size(), 2u);
    EXPECT_TRUE(times[0].thread() == other && times[0].depth() == 0 && times[0].enclosingName().empty());
    EXPECT_TRUE(times[1].thread() == self && times[1].name() == "call" && times[1].nestedMarks() == 0);
    const auto open = recorder.openMarks();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_TRUE(open[0].thread() == other && open[0].name() == "left open" && open[0].depth() == 0);
}
