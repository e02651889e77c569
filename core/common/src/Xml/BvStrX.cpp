#include <Brisvale/Soa/Common/Xml/BvStrX.hpp>

#include "Xml/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

BvStrX::BvStrX(const XMLCh* toTranscode)
{
    if (toTranscode != nullptr)
        appendUtf8(fLocalForm, toTranscode, utf16Length(toTranscode));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
