#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Exceptions {

DomException::DomException(const std::string& message)
    : fMessage(message)
{
}

void DomException::setMessage(const std::string& message)
{
    fMessage = message;
}

const std::string& DomException::getMessage()
{
    return fMessage;
}
} // namespace Exceptions
} // namespace Common
} // namespace Soa
} // namespace Brisvale
