#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

namespace {

// All four are constant-initialised and trivially destroyed: nothing runs
// when the library is loaded or unloaded.

std::atomic<MonitorListener*> gListener{nullptr};

// Held shared by every thread that is inside the listener, and exclusively
// while the listener changes: a change waits until no thread is inside the
// old listener any more.
std::shared_mutex gListenerCalls;

// A change holds the gate while it waits for gListenerCalls, and a call
// passes through the gate before it takes gListenerCalls shared. Calls that
// arrive during a change wait for it, so that a steady stream of calls on
// many threads cannot keep a change waiting for ever.
std::mutex gChangeGate;

// True while this thread is inside the listener.
thread_local bool tInsideListener = false;

class InsideListener
{
public:
    InsideListener() { tInsideListener = true; }
    ~InsideListener() { tInsideListener = false; }
    InsideListener(const InsideListener&) = delete;
    InsideListener& operator=(const InsideListener&) = delete;
};

// A mark that the listener's own work makes (a listener that writes its
// marks as XML, say) is not passed on: it would reach the listener inside
// its own call, and could do so without end.
void passToListener(void (MonitorListener::*mark)(const std::string&), const std::string& name)
{
    if (tInsideListener)
        return;
    {
        std::lock_guard<std::mutex> gate(gChangeGate);
    }
    std::shared_lock<std::shared_mutex> calling(gListenerCalls);
    MonitorListener* const listener = gListener.load(std::memory_order_relaxed);
    if (listener == nullptr)
        return;
    InsideListener inside;
    (listener->*mark)(name);
}

} // namespace

MonitorListener::~MonitorListener() = default;

// Without a listener a mark costs this one load. The listener is read again
// under the lock, which orders it after its installation; the load here only
// decides whether to look.
void Monitor::markStart(const std::string& name)
{
    if (gListener.load(std::memory_order_relaxed) != nullptr)
        passToListener(&MonitorListener::markStart, name);
}

void Monitor::markEnd(const std::string& name)
{
    if (gListener.load(std::memory_order_relaxed) != nullptr)
        passToListener(&MonitorListener::markEnd, name);
}

MonitorListener* Monitor::setListener(MonitorListener* listener)
{
    if (tInsideListener)
        throw std::logic_error("Monitor::setListener called by the listener: it would wait for itself");
    std::lock_guard<std::mutex> gate(gChangeGate);
    std::unique_lock<std::shared_mutex> noCalls(gListenerCalls);
    return gListener.exchange(listener, std::memory_order_acq_rel);
}

MonitorListener* Monitor::getListener()
{
    return gListener.load(std::memory_order_acquire);
}

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale
