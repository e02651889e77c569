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
    const std::thread::id thread = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(fLock);
    fEvents.push_back(Event{EventKind::Start, name, thread});
    ThreadRecord& record = fThreads[thread];
    record.openMarks.push_back(Mark(name, nowNanoseconds(),
                                    static_cast<std::int32_t>(record.openMarks.size())));
    record.completedAtStart.push_back(record.completed);
}

void MarkRecorder::markEnd(const std::string& name)
{
    const std::int64_t endNanoseconds = nowNanoseconds();
    const std::thread::id thread = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(fLock);
    const auto found = fThreads.find(thread);
    std::size_t match = found == fThreads.end() ? 0 : found->second.openMarks.size();
    while (match > 0 && found->second.openMarks[match - 1].name() != name)
        --match;
    if (match == 0)
    {
        fEvents.push_back(Event{EventKind::UnmatchedEnd, name, thread});
        return;
    }
    fEvents.push_back(Event{EventKind::End, name, thread});
    fExecutionTimes.push_back(ThreadExecutionTime(close(found->second, match - 1, endNanoseconds), thread));
    // A thread with no open mark needs no record: the next mark starts a
    // new one, and a thread that has ended leaves nothing behind.
    if (found->second.openMarks.empty())
        fThreads.erase(found);
}

ExecutionTime MarkRecorder::close(ThreadRecord& record, std::size_t index, std::int64_t endNanoseconds)
{
    const Mark& start = record.openMarks[index];
    const std::string enclosing = index > 0 ? record.openMarks[index - 1].name() : std::string();
    const ExecutionTime time(
        start.name(), enclosing, start.depth(),
        static_cast<std::int32_t>(record.openMarks.size() - 1 - index),
        static_cast<std::int32_t>(record.completed - record.completedAtStart[index]),
        start.startNanoseconds(), endNanoseconds);
    ++record.completed;
    record.openMarks.erase(record.openMarks.begin() + static_cast<std::ptrdiff_t>(index), record.openMarks.end());
    record.completedAtStart.resize(index);
    return time;
}

std::vector<MarkRecorder::Event> MarkRecorder::events() const
{
    std::lock_guard<std::mutex> lock(fLock);
    return fEvents;
}

std::vector<MarkRecorder::ThreadExecutionTime> MarkRecorder::executionTimes() const
{
    std::lock_guard<std::mutex> lock(fLock);
    return fExecutionTimes;
}

std::vector<MarkRecorder::ThreadMark> MarkRecorder::openMarks() const
{
    std::lock_guard<std::mutex> lock(fLock);
    std::vector<ThreadMark> open;
    for (const auto& [thread, record] : fThreads)
        for (const Mark& mark : record.openMarks)
            open.push_back(ThreadMark(mark, thread));
    return open;
}

void MarkRecorder::clear()
{
    std::lock_guard<std::mutex> lock(fLock);
    fEvents.clear();
    fExecutionTimes.clear();
    fThreads.clear();
}

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale
