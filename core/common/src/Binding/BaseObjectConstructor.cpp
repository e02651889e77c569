#include <Brisvale/Soa/Common/Xml/BaseObject.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A new object that no handle holds yet.
BaseObject::BaseObject()
    : refCount(0)
{
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
