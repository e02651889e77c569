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

std::string textForMessage(const std::string& text)
{
    const std::size_t limit = 128;
    if (text.size() <= limit)
        return text;
    std::size_t cut = limit;
    // Back to the first byte of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

} // namespace Exceptions
} // namespace Common
} // namespace Soa
} // namespace Brisvale
