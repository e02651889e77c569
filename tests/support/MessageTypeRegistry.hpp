#ifndef BRISVALE_TESTING_MESSAGETYPEREGISTRY_HPP
#define BRISVALE_TESTING_MESSAGETYPEREGISTRY_HPP

#include <string>
#include <vector>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

class XMLNode;
class XmlStream;

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

namespace Brisvale {
namespace Testing {

// One generated message type, for tests that go over every type. The
// generator writes a register<Folder>Types() function per schema folder
// (for instance registerDatamanagement200701Types) that appends one entry
// per type of the folder.
struct MessageTypeEntry
{
    std::string qualifiedName;      // "Brisvale::Schemas::Cad::_2007_01::Datamanagement::ItemInfo"
    std::string namespaceUri;       // the namespace URI of the type's schema
    std::string localName;          // "ItemInfo"

    // Parses the node into a new default message of the type and writes
    // that message into the stream as an element named elementName.
    void (*roundTrip)(const ::Brisvale::Soa::Common::Xml::XMLNode& in,
                      ::Brisvale::Soa::Common::Xml::XmlStream& out,
                      const std::string& elementName);
};

} // namespace Testing
} // namespace Brisvale

#endif
