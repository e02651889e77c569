#ifndef BRISVALE_SOA_INTERNAL_COMMON_MARKRECORDER_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MARKRECORDER_HPP

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Internal/Common/ExecutionTime.hpp>
#include <Brisvale/Soa/Internal/Common/Mark.hpp>
#include <Brisvale/Soa/Internal/Common/MonitorListener.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// A listener that records every mark it receives, from every thread, in the
// order it receives them, and pairs start and end marks into execution
// times. Each event, open mark and execution time carries the thread that
// made it (std::this_thread::get_id() on that thread).
//
// Marks pair within one thread: an end mark ends the nearest open start
// mark of the same name on the same thread; start marks of that thread left
// open above that one (an exception skipped their end) are discarded and
// counted. An end mark that matches no open start mark of its thread is
// recorded as unmatched and changes nothing else. Depths, enclosing names
// and counts of nested marks are those of the mark's own thread. (A thread
// that ends with marks left open, and a new thread that the system gives
// the same id, share one stack of open marks.)
//
// Every member may be called from any thread at any time: the accessors
// return copies, taken at one moment under the recorder's lock. A mark
// that throws (std::bad_alloc) is not recorded at all.
class BRISVALE_SOA_COMMON_API MarkRecorder : public MonitorListener
{
public:
    enum class EventKind { Start, End, UnmatchedEnd };

    struct Event
    {
        EventKind kind;
        std::string name;
        std::thread::id thread;

        bool operator==(const Event& other) const
        {
            return kind == other.kind && name == other.name && thread == other.thread;
        }
    };

    // A mark or an execution time with the thread it was recorded on.
    template <class Recorded>
    class OnThread : public Recorded
    {
    public:
        OnThread(const Recorded& recorded, std::thread::id thread) : Recorded(recorded), fThread(thread) {}
        std::thread::id thread() const { return fThread; }

    private:
        std::thread::id fThread;
    };

    using ThreadMark = OnThread<Mark>;                    // a start mark still open on a thread
    using ThreadExecutionTime = OnThread<ExecutionTime>;  // a start and an end mark paired on a thread

    MarkRecorder();
    virtual ~MarkRecorder();
    MarkRecorder(const MarkRecorder&) = delete;
    MarkRecorder& operator=(const MarkRecorder&) = delete;

    virtual void markStart(const std::string& name);
    virtual void markEnd(const std::string& name);

    // Every event of every thread, in the order received.
    std::vector<Event> events() const;
    // Every execution time of every thread, in the order their end marks
    // were received.
    std::vector<ThreadExecutionTime> executionTimes() const;
    // The open start marks, thread by thread, the outermost first on each.
    std::vector<ThreadMark> openMarks() const;

    // Forgets every event, open mark and execution time of every thread.
    void clear();

private:
    struct OpenMark
    {
        Mark mark;
        // How many execution times the thread had completed when it started.
        std::size_t completedAtStart;
    };

    struct ThreadRecord
    {
        std::vector<OpenMark> openMarks;
        std::size_t completed = 0;
    };

    // The execution time of the record's open mark at index, ended now.
    static ExecutionTime timeOf(const ThreadRecord& record, std::size_t index, std::int64_t endNanoseconds);
    // Opens a mark on the thread's record, which it makes if need be.
    void open(std::thread::id thread, const std::string& name);

    mutable std::mutex fLock;
    std::vector<Event> fEvents;
    std::vector<ThreadExecutionTime> fExecutionTimes;
    // The threads that have open marks.
    std::map<std::thread::id, ThreadRecord> fThreads;
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
