#ifndef BRISVALE_SOA_COMMON_XML_TRYINGTOCREATENULLHANDLE_HPP
#define BRISVALE_SOA_COMMON_XML_TRYINGTOCREATENULLHANDLE_HPP

#include <Brisvale/Soa/Common/Xml/CadExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Thrown, by value, when a handle is made from a null implementation object.
// It deliberately has no base class and carries no text.
class BRISVALE_CAD_API TryingToCreateNullHandle
{
public:
    TryingToCreateNullHandle() = default;
    TryingToCreateNullHandle(const TryingToCreateNullHandle&) = default;
    ~TryingToCreateNullHandle() = default;

    TryingToCreateNullHandle& operator=(const TryingToCreateNullHandle&)
    {
        return *this;
    }
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
