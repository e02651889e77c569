#ifndef BRISVALE_SOA_COMMON_XML_HANDLE_HPP
#define BRISVALE_SOA_COMMON_XML_HANDLE_HPP

#include <Brisvale/Soa/Common/Xml/BaseObject.hpp>
#include <Brisvale/Soa/Common/Xml/CadExport.hpp>
#include <Brisvale/Soa/Common/Xml/TryingToCreateNullHandle.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The base of every public message class. A handle holds one counted
// reference to one implementation object; copying or assigning a handle
// shares that object and never copies its data.
template <class Impl>
class BRISVALE_CAD_API Handle
{
public:
    Handle(const Handle& other)
        : object(other.object)
    {
        object->addRef();
    }

    Handle& operator=(const Handle& other)
    {
        if (this == &other || object == other.object)
            return *this;
        object->removeRef();
        object = other.object;
        object->addRef();
        return *this;
    }

    virtual ~Handle() { object->removeRef(); }

protected:
    explicit Handle(Impl* newObject)
        : object(newObject)
    {
        if (object == nullptr)
            throw TryingToCreateNullHandle();
        object->addRef();
    }

    Impl& getHandleObject() const { return *object; }

private:
    void init() { object->addRef(); }

    Impl* object;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
