#ifndef BRISVALE_TESTING_MESSAGETYPEREGISTRY_HPP
#define BRISVALE_TESTING_MESSAGETYPEREGISTRY_HPP

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

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

void registerSoa200603Types(std::vector<MessageTypeEntry>& entries);
void registerDatamanagement200701Types(std::vector<MessageTypeEntry>& entries);
void registerStructuremanagement200701Types(std::vector<MessageTypeEntry>& entries);
void registerStructuremanagement200706Types(std::vector<MessageTypeEntry>& entries);

// A generated type and the schema folder it comes from ("soa_2006_03").
struct MessageTypeCase
{
    MessageTypeEntry entry;
    std::string folder;
};

// Test output names a case by its type's qualified name.
inline void PrintTo(const MessageTypeCase& typeCase, std::ostream* out)
{
    *out << typeCase.entry.qualifiedName;
}

// Every generated type of every schema folder.
inline std::vector<MessageTypeCase> allMessageTypes()
{
    const std::pair<const char*, void (*)(std::vector<MessageTypeEntry>&)> folders[] = {
        {"soa_2006_03", &registerSoa200603Types},
        {"datamanagement_2007_01", &registerDatamanagement200701Types},
        {"structuremanagement_2007_01", &registerStructuremanagement200701Types},
        {"structuremanagement_2007_06", &registerStructuremanagement200706Types},
    };
    std::vector<MessageTypeCase> cases;
    for (const auto& [folder, registerTypes] : folders) {
        std::vector<MessageTypeEntry> entries;
        registerTypes(entries);
        for (const MessageTypeEntry& entry : entries)
            cases.push_back({entry, folder});
    }
    return cases;
}

} // namespace Testing
} // namespace Brisvale

#endif
