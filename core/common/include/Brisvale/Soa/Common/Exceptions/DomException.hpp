#ifndef BRISVALE_SOA_COMMON_EXCEPTIONS_DOMEXCEPTION_HPP
#define BRISVALE_SOA_COMMON_EXCEPTIONS_DOMEXCEPTION_HPP

#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Exceptions {

// The error raised, by value, for a document or node tree that cannot be
// read: text that does not parse, a refused construct, or a node whose name
// fits no field. It deliberately has no base class; catch it by its own type.
class BRISVALE_SOA_COMMON_API DomException
{
public:
    explicit DomException(const std::string& message);

    DomException(const DomException& other)
        : fMessage(other.fMessage)
    {
    }

    DomException& operator=(const DomException& other)
    {
        fMessage = other.fMessage;
        return *this;
    }

    ~DomException() {}

    virtual void setMessage(const std::string& message);
    virtual const std::string& getMessage();

private:
    std::string fMessage;
};

} // namespace Exceptions
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
