#ifndef BRISVALE_SOA_COMMON_XML_BASEOBJECT_HPP
#define BRISVALE_SOA_COMMON_XML_BASEOBJECT_HPP

#include <cstdint>
#include <string>

#include <Brisvale/Soa/Common/Xml/CadExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

template <class Impl> class Handle;

// The base of every implementation class: the namespace URI of the object's
// schema and an intrusive reference count that only handles change.
//
// The count is a plain integer. Objects that share an implementation object
// must be used by one thread at a time.
class BRISVALE_CAD_API BaseObject
{
protected:
    // Declared first: the destructor takes the first virtual slot and
    // reallyClone the second.
    virtual ~BaseObject();

    // Starts the count at zero. The common library's: the one member of
    // this class that the message library does not define itself.
    BaseObject();

    // Assigning one object to another never copies the count.
    BaseObject& operator=(const BaseObject& other)
    {
        namespaceUri = other.namespaceUri;
        return *this;
    }

    std::string namespaceUri;

public:
    // A copy takes the namespace URI but none of the count: the copy is a
    // new object that no handle holds yet.
    BaseObject(const BaseObject& other)
        : namespaceUri(other.namespaceUri)
        , refCount(0)
    {
    }

    int askRefCount() const { return refCount; }

    virtual BaseObject* reallyClone() = 0;

private:
    template <class Impl> friend class Handle;

    void addRef() { ++refCount; }

    void removeRef()
    {
        if (--refCount == 0)
            delete this;
    }

    std::int32_t refCount;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
