#ifndef BRISVALE_SOA_INTERNAL_COMMON_MONITOR_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MONITOR_HPP

#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Internal/Common/ExecutionTime.hpp>
#include <Brisvale/Soa/Internal/Common/Mark.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// Declared in MonitorListener.hpp, with what the stand-in offers beyond the
// monitor's marks.
class MonitorListener;

// The performance monitor: one listener for the whole process, which
// receives the marks of every thread. With none installed (the default) a
// mark costs one atomic load and takes no lock.
//
// Every member may be called from any thread at any time, and a mark never
// waits for setListener. A mark goes to the listener installed when it is
// made (one made while the listener changes, to the old or the new one),
// on the thread that made it, by several threads at once, so the listener
// must be safe for that (MarkRecorder is). The only marks passed to no
// listener, besides those made with none installed, are those that a
// thread makes while it is inside a listener (a listener that writes or
// parses a message, say): neither that listener nor one installed meanwhile
// receives them. Marks that other threads make, those of threads that a
// listener hands work to included, are passed on like any other.
class BRISVALE_SOA_COMMON_API Monitor
{
public:
    static void markStart(const std::string& name);
    static void markEnd(const std::string& name);

    // Installs a listener, which is not owned (null removes the listener),
    // and returns the one it replaces. Marks made from then on go to the
    // new listener; it then waits for the calls already inside the replaced
    // one to return, so that when it returns no thread is inside the
    // replaced listener any more and the caller may destroy it. Changes are
    // made one at a time. Called from inside a listener it would wait for
    // itself and throws std::logic_error; likewise a listener must not wait
    // for a thread that changes the listener.
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
