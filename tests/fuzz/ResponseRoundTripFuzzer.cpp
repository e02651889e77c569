// Text -> tree -> every response type -> text: what a response writes must
// read back and write the same text again. Text that does not read and trees
// that a type refuses are fine; writing must not refuse what was read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTypeRegistry.hpp"

namespace Brisvale::Testing {
void registerDatamanagement200701Types(std::vector<MessageTypeEntry>& entries);
void registerStructuremanagement200701Types(std::vector<MessageTypeEntry>& entries);
void registerStructuremanagement200706Types(std::vector<MessageTypeEntry>& entries);
} // namespace Brisvale::Testing

using namespace Brisvale::Soa::Common;
using Brisvale::Testing::MessageTypeEntry;

std::string roundTrip(const MessageTypeEntry& type, const Xml::XMLNode& root)
{
    Xml::XmlStream stream;
    type.roundTrip(root, stream, type.localName);
    return stream.str();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::vector<MessageTypeEntry> types;
    if (types.empty()) {
        Brisvale::Testing::registerDatamanagement200701Types(types);
        Brisvale::Testing::registerStructuremanagement200701Types(types);
        Brisvale::Testing::registerStructuremanagement200706Types(types);
    }
    std::unique_ptr<Xml::XMLNode> root;
    try {
        root = Xml::parseXmlDocument(reinterpret_cast<const char*>(data), size);
    } catch (Exceptions::DomException&) {
        return 0;
    }
    for (const MessageTypeEntry& type : types) {
        if (type.localName.find("Response") == std::string::npos)
            continue;
        std::string written;
        try {
            written = roundTrip(type, *root);
        } catch (Exceptions::DomException&) {  // a child that fits no field
            continue;
        } catch (const Xml::BadLexicalCast&) {  // an attribute that does not convert
            continue;
        }
        if (roundTrip(type, *Xml::parseXmlDocument(written)) != written) {
            std::fprintf(stderr, "%s does not write back what it wrote:\n%s\n", type.localName.c_str(), written.c_str());
            std::abort();
        }
    }
    return 0;
}
