#ifndef XSDGEN_RUNTIME_HPP
#define XSDGEN_RUNTIME_HPP

#include <set>
#include <string>
#include <vector>

// The classes and functions of the runtime libraries that generated code
// names, each with the header that declares it. Nothing else in the
// generator spells a runtime name.
namespace Xsdgen {
namespace Runtime {

struct Name
{
    const char* qualified;      // "::Brisvale::Soa::Common::Xml::BaseObject"
    const char* header;         // "Brisvale/Soa/Common/Xml/BaseObject.hpp"

    // "BaseObject".
    std::string unqualified() const;
    // "Brisvale", "Soa", "Common", "Xml".
    std::vector<std::string> namespaceSegments() const;
};

const Name baseObject{"::Brisvale::Soa::Common::Xml::BaseObject", "Brisvale/Soa/Common/Xml/BaseObject.hpp"};
const Name handle{"::Brisvale::Soa::Common::Xml::Handle", "Brisvale/Soa/Common/Xml/Handle.hpp"};
const Name xmlNode{"::Brisvale::Soa::Common::Xml::XMLNode", "Brisvale/Soa/Common/Xml/XMLNode.hpp"};
const Name xmlStream{"::Brisvale::Soa::Common::Xml::XmlStream", "Brisvale/Soa/Common/Xml/XmlStream.hpp"};
const Name monitor{"::Brisvale::Soa::Internal::Common::Monitor", "Brisvale/Soa/Internal/Common/Monitor.hpp"};
const Name domException{"::Brisvale::Soa::Common::Exceptions::DomException",
                        "Brisvale/Soa/Common/Exceptions/DomException.hpp"};
const Name dateTime{"::Brisvale::Soa::Common::DateTime", "Brisvale/Soa/Common/DateTime.hpp"};
const Name toXmlString{"::Brisvale::Soa::Common::Xml::toXmlString", "Brisvale/Soa/Common/Xml/Conversions.hpp"};
const Name lexicalCast{"::Brisvale::Soa::Common::Xml::lexical_cast", "Brisvale/Soa/Common/Xml/Conversions.hpp"};
const Name nullHandleError{"::Brisvale::Soa::Common::Xml::TryingToCreateNullHandle",
                           "Brisvale/Soa/Common/Xml/TryingToCreateNullHandle.hpp"};

// The export macro of the message library and its header.
const char* const exportMacro = "BRISVALE_CAD_API";
const char* const exportHeader = "Brisvale/Soa/Common/Xml/CadExport.hpp";

// The runtime classes, which the class pairs use unqualified: a schema type
// may not take one of their names.
std::vector<Name> classes();

// The members that every class pair has from the runtime (BaseObject, Handle)
// or writes itself: an accessor may not take one of their names.
inline const std::set<std::string> classPairMembers{
    "getHandleObject", "askRefCount", "reallyClone", "outputXML", "parse", "init", "addRef", "removeRef"};

} // namespace Runtime
} // namespace Xsdgen

#endif
