#include <Brisvale/Soa/Common/Xml/BaseObject.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Defined out of line so that the class's type information and virtual
// table live in the library.
BaseObject::~BaseObject() = default;

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
