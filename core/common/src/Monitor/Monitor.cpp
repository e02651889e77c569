#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

namespace {

// Constant-initialised: nothing runs when the library is loaded.
MonitorListener* gListener = nullptr;

} // namespace

MonitorListener::~MonitorListener() = default;

void Monitor::markStart(const std::string& name)
{
    if (gListener != nullptr)
        gListener->markStart(name);
}

void Monitor::markEnd(const std::string& name)
{
    if (gListener != nullptr)
        gListener->markEnd(name);
}

void Monitor::setListener(MonitorListener* listener)
{
    gListener = listener;
}

MonitorListener* Monitor::getListener()
{
    return gListener;
}

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale
