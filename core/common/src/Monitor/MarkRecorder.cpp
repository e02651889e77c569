#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>

#include <chrono>
#include <cstddef>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

namespace {

std::int64_t nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

MarkRecorder::MarkRecorder() = default;

MarkRecorder::~MarkRecorder() = default;

void MarkRecorder::markStart(const std::string& name)
{
    fEvents.push_back(Event{EventKind::Start, name});
    fOpenMarks.push_back(Mark(name, nowNanoseconds(),
                              static_cast<std::int32_t>(fOpenMarks.size())));
    fCompletedAtStart.push_back(fExecutionTimes.size());
}

void MarkRecorder::markEnd(const std::string& name)
{
    const std::int64_t end = nowNanoseconds();

    std::size_t match = fOpenMarks.size();
    while (match > 0 && fOpenMarks[match - 1].name() != name)
        --match;
    if (match == 0)
    {
        fEvents.push_back(Event{EventKind::UnmatchedEnd, name});
        return;
    }
    const std::size_t index = match - 1;

    fEvents.push_back(Event{EventKind::End, name});
    const Mark& start = fOpenMarks[index];
    const std::string enclosing = index > 0 ? fOpenMarks[index - 1].name() : std::string();
    fExecutionTimes.push_back(ExecutionTime(
        name, enclosing, start.depth(),
        static_cast<std::int32_t>(fOpenMarks.size() - 1 - index),
        static_cast<std::int32_t>(fExecutionTimes.size() - fCompletedAtStart[index]),
        start.startNanoseconds(), end));

    fOpenMarks.erase(fOpenMarks.begin() + static_cast<std::ptrdiff_t>(index), fOpenMarks.end());
    fCompletedAtStart.resize(index);
}

void MarkRecorder::clear()
{
    fEvents.clear();
    fOpenMarks.clear();
    fCompletedAtStart.clear();
    fExecutionTimes.clear();
}

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale
