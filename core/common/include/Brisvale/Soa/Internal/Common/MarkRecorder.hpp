#ifndef BRISVALE_SOA_INTERNAL_COMMON_MARKRECORDER_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MARKRECORDER_HPP

#include <cstddef>
#include <string>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Internal/Common/ExecutionTime.hpp>
#include <Brisvale/Soa/Internal/Common/Mark.hpp>
#include <Brisvale/Soa/Internal/Common/MonitorListener.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// A listener that records every mark it receives, in order, and pairs start
// and end marks into execution times.
//
// An end mark ends the nearest open start mark of the same name; start marks
// left open above that one (an exception skipped their end) are discarded
// and counted. An end mark that matches no open start mark is recorded as
// unmatched and changes nothing else.
class BRISVALE_SOA_COMMON_API MarkRecorder : public MonitorListener
{
public:
    enum class EventKind { Start, End, UnmatchedEnd };

    struct Event
    {
        EventKind kind;
        std::string name;

        bool operator==(const Event& other) const
        {
            return kind == other.kind && name == other.name;
        }
    };

    MarkRecorder();
    virtual ~MarkRecorder();

    virtual void markStart(const std::string& name);
    virtual void markEnd(const std::string& name);

    const std::vector<Event>& events() const { return fEvents; }
    const std::vector<ExecutionTime>& executionTimes() const { return fExecutionTimes; }
    const std::vector<Mark>& openMarks() const { return fOpenMarks; }

    // Forgets every event, open mark and execution time.
    void clear();

private:
    std::vector<Event> fEvents;
    std::vector<Mark> fOpenMarks;
    // For each open mark, how many execution times existed when it started.
    std::vector<std::size_t> fCompletedAtStart;
    std::vector<ExecutionTime> fExecutionTimes;
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
