#ifndef BRISVALE_SOA_INTERNAL_COMMON_MONITOR_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MONITOR_HPP

#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Internal/Common/ExecutionTime.hpp>
#include <Brisvale/Soa/Internal/Common/Mark.hpp>
#include <Brisvale/Soa/Internal/Common/MonitorListener.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// The performance monitor: one listener for the whole process, which
// receives the marks of every thread. With none installed (the default) a
// mark costs one atomic load and takes no lock.
//
// Every member may be called from any thread at any time. The listener is
// called on the thread that made the mark, by several threads at once, so
// it must be safe for that (MarkRecorder is). A mark that the listener's
// own work makes on the thread it was called on (a listener that writes or
// parses a message, say) is not passed to it.
class BRISVALE_SOA_COMMON_API Monitor
{
public:
    static void markStart(const std::string& name);
    static void markEnd(const std::string& name);

    // Installs a listener, which is not owned (null removes the listener),
    // and returns the one it replaces. When it returns, no thread is inside
    // the replaced listener any more, so the caller may destroy it. It
    // waits for calls already inside the replaced listener to return: a
    // listener must not wait for a thread that changes the listener, and
    // calling this from inside the listener throws std::logic_error.
    static MonitorListener* setListener(MonitorListener* listener);
    // The listener installed when it was read, or null.
    static MonitorListener* getListener();

    Monitor& operator=(const Monitor&) { return *this; }
};

// Installs a listener for its own lifetime and then puts the previous one
// back; once its destructor has returned, no thread is inside the listener
// any more. Scopes that overlap must end in the reverse order of their
// start (as they do on one thread), or a listener that has ended may be put
// back.
class BRISVALE_SOA_COMMON_API ScopedMonitorListener
{
public:
    explicit ScopedMonitorListener(MonitorListener& listener)
        : fPrevious(Monitor::setListener(&listener))
    {
    }

    ~ScopedMonitorListener() { Monitor::setListener(fPrevious); }

    ScopedMonitorListener(const ScopedMonitorListener&) = delete;
    ScopedMonitorListener& operator=(const ScopedMonitorListener&) = delete;

private:
    MonitorListener* fPrevious;
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
