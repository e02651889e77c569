#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>

#include <chrono>
#include <cstddef>
#include <utility>

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

// Makes room for one more element, growing as push_back does, so that
// moving one in cannot throw.
template <class Element>
void reserveOneMore(std::vector<Element>& elements)
{
    if (elements.size() == elements.capacity())
        elements.reserve(elements.empty() ? 8 : 2 * elements.size());
}

} // namespace

MarkRecorder::MarkRecorder() = default;

MarkRecorder::~MarkRecorder() = default;

// Each mark is recorded whole or not at all: whatever may throw comes
// before the changes that cannot be undone, and the event, which moves in
// without allocating, comes last.
void MarkRecorder::markStart(const std::string& name)
{
    const std::thread::id thread = std::this_thread::get_id();
    Event event{EventKind::Start, name, thread};
    std::lock_guard<std::mutex> lock(fLock);
    reserveOneMore(fEvents);
    open(thread, name);
    fEvents.push_back(std::move(event));
}

void MarkRecorder::open(std::thread::id thread, const std::string& name)
{
    const auto [found, made] = fThreads.try_emplace(thread);
    ThreadRecord& record = found->second;
    try
    {
        record.openMarks.push_back(OpenMark{Mark(name, nowNanoseconds(),
                                                 static_cast<std::int32_t>(record.openMarks.size())),
                                            record.completed});
    }
    catch (...)
    {
        if (made)
            fThreads.erase(found);
        throw;
    }
}

void MarkRecorder::markEnd(const std::string& name)
{
    const std::int64_t endNanoseconds = nowNanoseconds();
    const std::thread::id thread = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(fLock);
    const auto found = fThreads.find(thread);
    std::size_t match = found == fThreads.end() ? 0 : found->second.openMarks.size();
    while (match > 0 && found->second.openMarks[match - 1].mark.name() != name)
        --match;
    if (match == 0)
    {
        fEvents.push_back(Event{EventKind::UnmatchedEnd, name, thread});
        return;
    }
    ThreadRecord& record = found->second;
    Event event{EventKind::End, name, thread};
    reserveOneMore(fEvents);
    fExecutionTimes.push_back(ThreadExecutionTime(timeOf(record, match - 1, endNanoseconds), thread));
    fEvents.push_back(std::move(event));
    // The mark ends, and those left open above it are discarded.
    ++record.completed;
    record.openMarks.erase(record.openMarks.begin() + static_cast<std::ptrdiff_t>(match - 1), record.openMarks.end());
    // A thread with no open mark needs no record: the next mark starts a
    // new one, and a thread that has ended leaves nothing behind.
    if (record.openMarks.empty())
        fThreads.erase(found);
}

ExecutionTime MarkRecorder::timeOf(const ThreadRecord& record, std::size_t index, std::int64_t endNanoseconds)
{
    const OpenMark& start = record.openMarks[index];
    const std::string enclosing = index > 0 ? record.openMarks[index - 1].mark.name() : std::string();
    return ExecutionTime(start.mark.name(), enclosing, start.mark.depth(),
                         static_cast<std::int32_t>(record.openMarks.size() - 1 - index),
                         static_cast<std::int32_t>(record.completed - start.completedAtStart),
                         start.mark.startNanoseconds(), endNanoseconds);
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
        for (const OpenMark& mark : record.openMarks)
            open.push_back(ThreadMark(mark.mark, thread));
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
