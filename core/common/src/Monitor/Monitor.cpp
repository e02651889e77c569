#include <Brisvale/Soa/Internal/Common/Monitor.hpp>
#include <Brisvale/Soa/Internal/Common/MonitorListener.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

namespace {

// All of these are constant-initialised and trivially destroyed: nothing
// runs when the library is loaded or unloaded.

// The installed listener and the parity of its installation, in one word,
// so that a call reads both at once. A listener holds a pointer, so its
// address is even and leaves the lowest bit for the parity.
static_assert(alignof(MonitorListener) >= 2, "the parity needs the lowest bit of a listener's address");
constexpr std::uintptr_t kParityBit = 1;
std::atomic<std::uintptr_t> gInstalled{0};

// The calls inside the listener, counted by the parity of the installation
// they entered. A change flips the parity as it installs its listener, so
// it waits only for the calls already inside the listener it replaced:
// calls that start meanwhile go to the new listener, in the other count.
std::atomic<int> gCallsInside[2] = {{0}, {0}};

// Changes are made one at a time: each waits until the count of the parity
// it replaced is empty before the next change may install with it again.
std::mutex gChangeLock;

// True while this thread is inside a listener.
thread_local bool tInsideListener = false;

MonitorListener* listenerOf(std::uintptr_t installed)
{
    return reinterpret_cast<MonitorListener*>(installed & ~kParityBit);
}

std::atomic<int>& callsInside(std::uintptr_t installed)
{
    return gCallsInside[installed & kParityBit];
}

// Counts this thread in the calls of the installation it read, then reads
// the installation again. If it is unchanged, the count came before any
// change that replaces it (every operation on gInstalled and the counts is
// sequentially consistent), so that change will wait for this call. If it
// has changed, the count is taken back and the new one is tried. Returns
// the installation counted in, or one without a listener (counted in none).
std::uintptr_t enter(std::uintptr_t installed)
{
    while (listenerOf(installed) != nullptr)
    {
        std::atomic<int>& calls = callsInside(installed);
        calls.fetch_add(1);
        const std::uintptr_t now = gInstalled.load();
        if (now == installed)
            return installed;
        calls.fetch_sub(1);
        installed = now;
    }
    return installed;
}

// This thread's call inside the listener of an installation it entered;
// leaves it when the call returns or throws.
class InsideListener
{
public:
    explicit InsideListener(std::uintptr_t entered) : fEntered(entered) { tInsideListener = true; }
    ~InsideListener()
    {
        tInsideListener = false;
        callsInside(fEntered).fetch_sub(1);
    }
    InsideListener(const InsideListener&) = delete;
    InsideListener& operator=(const InsideListener&) = delete;

private:
    const std::uintptr_t fEntered;
};

// A mark that a thread makes while it is inside a listener (a listener that
// writes its marks as XML, say) is not passed on: it would reach the
// listener inside its own call, and could do so without end.
void passToListener(void (MonitorListener::*mark)(const std::string&), const std::string& name,
                    std::uintptr_t installed)
{
    if (tInsideListener)
        return;
    const std::uintptr_t entered = enter(installed);
    MonitorListener* const listener = listenerOf(entered);
    if (listener == nullptr)
        return;
    InsideListener inside(entered);
    (listener->*mark)(name);
}

// Calls inside a listener are short as a rule: yields first, then sleeps.
void waitUntilNoCalls(const std::atomic<int>& calls)
{
    for (int round = 0; calls.load() != 0; ++round)
    {
        if (round < 100)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

} // namespace

MonitorListener::~MonitorListener() = default;

// Without a listener a mark costs this one load. The installation is read
// again before its listener is called, which orders the call after the
// installation; the load here only decides whether to look.
void Monitor::markStart(const std::string& name)
{
    const std::uintptr_t installed = gInstalled.load(std::memory_order_relaxed);
    if (listenerOf(installed) != nullptr)
        passToListener(&MonitorListener::markStart, name, installed);
}

void Monitor::markEnd(const std::string& name)
{
    const std::uintptr_t installed = gInstalled.load(std::memory_order_relaxed);
    if (listenerOf(installed) != nullptr)
        passToListener(&MonitorListener::markEnd, name, installed);
}

// Installs first, then waits: marks made while it waits go to the new
// listener and wait for nothing.
MonitorListener* Monitor::setListener(MonitorListener* listener)
{
    if (tInsideListener)
        throw std::logic_error("Monitor::setListener called by the listener: it would wait for itself");
    std::lock_guard<std::mutex> changing(gChangeLock);
    const std::uintptr_t replaced = gInstalled.load(std::memory_order_relaxed);
    const std::uintptr_t parity = (replaced & kParityBit) ^ kParityBit;
    gInstalled.store(reinterpret_cast<std::uintptr_t>(listener) | parity);
    waitUntilNoCalls(callsInside(replaced));
    return listenerOf(replaced);
}

MonitorListener* Monitor::getListener()
{
    return listenerOf(gInstalled.load(std::memory_order_acquire));
}

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale
