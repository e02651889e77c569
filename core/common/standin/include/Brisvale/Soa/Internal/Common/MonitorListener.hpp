#ifndef BRISVALE_SOA_INTERNAL_COMMON_MONITORLISTENER_HPP
#define BRISVALE_SOA_INTERNAL_COMMON_MONITORLISTENER_HPP

#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Internal {
namespace Common {

// Receives the marks that Monitor is given while the listener is installed,
// on the thread that made each mark: by several threads at once when they
// make marks at once.
class BRISVALE_SOA_COMMON_API MonitorListener
{
public:
    virtual void markStart(const std::string& name) = 0;
    virtual void markEnd(const std::string& name) = 0;
    virtual ~MonitorListener();
};

} // namespace Common
} // namespace Internal
} // namespace Soa
} // namespace Brisvale

#endif
