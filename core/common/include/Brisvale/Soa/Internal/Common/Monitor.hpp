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

// The performance monitor. Marks go to the installed listener; with none
// installed (the default) they are dropped at the cost of one test.
//
// Like the rest of the library it assumes one thread: install or remove a
// listener only while no mark is being recorded.
class BRISVALE_SOA_COMMON_API Monitor
{
public:
    static void markStart(const std::string& name);
    static void markEnd(const std::string& name);

    // The listener is not owned; null removes it.
    static void setListener(MonitorListener* listener);
    static MonitorListener* getListener();

    Monitor& operator=(const Monitor&) { return *this; }
};

// Installs a listener for its own lifetime and then puts the previous one
// back.
class BRISVALE_SOA_COMMON_API ScopedMonitorListener
{
public:
    explicit ScopedMonitorListener(MonitorListener& listener)
        : fPrevious(Monitor::getListener())
    {
        Monitor::setListener(&listener);
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
