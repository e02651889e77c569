#include <Brisvale/Soa/Common/Xml/BvStrX.hpp>

#include "Xml/Text/Utf16.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

void BvStrX::transcode(const XMLCh* toTranscode, std::string& localForm)
{
    if (toTranscode != nullptr)
        appendUtf8(localForm, toTranscode, utf16Length(toTranscode));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
