// Text -> tree, by both readers, which must make the same tree or both
// refuse, and which must each agree with expat: its tree where it reads a document
// that they must read, a refusal where it refuses; then tree -> every
// response type -> text: what a response writes must read back and write the
// same text again. A type may refuse a tree; writing must not refuse what
// was read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "ExpatReading.hpp"
#include "MessageTypeRegistry.hpp"
#include "XmlTestSupport.hpp"

using namespace Brisvale::Soa::Common;
using Brisvale::Testing::MessageTypeEntry;

std::string roundTrip(const MessageTypeEntry& type, const Xml::XMLNode& root)
{
    Xml::XmlStream stream;
    type.roundTrip(root, stream, type.localName);
    return stream.str();
}

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

void checkAgainstExpat(const char* reader, const Brisvale::Testing::ExpatReading& expat, const Xml::XMLNode* root,
                       const std::string& refusal)
{
    if (const std::string difference = Brisvale::Testing::disagreementWithExpat(expat, root, refusal); !difference.empty())
        fail(std::string(reader) + " departs from expat: " + difference);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<Brisvale::Testing::MessageTypeCase> types = Brisvale::Testing::allMessageTypes();
    const char* text = reinterpret_cast<const char*>(data);
    std::unique_ptr<Xml::XMLNode> root, xercesRoot;
    std::string refusal = "(none)", xercesRefusal = "(none)";
    try {
        root = Xml::parseXmlDocument(text, size);
    } catch (Exceptions::DomException& error) {
        refusal = error.getMessage();
    }
    try {
        xercesRoot = Xml::parseXmlDocumentWithXerces(text, size);
    } catch (Exceptions::DomException& error) {
        xercesRefusal = error.getMessage();
    }
    const Brisvale::Testing::ExpatReading expat = Brisvale::Testing::readWithExpat(text, size);
    checkAgainstExpat("libxml2", expat, root.get(), refusal);
    checkAgainstExpat("Xerces", expat, xercesRoot.get(), xercesRefusal);
    if (root && !xercesRoot)
        fail("only Xerces refuses: " + xercesRefusal);
    if (!root && xercesRoot)
        fail("only libxml2 refuses: " + refusal);
    if (!root || !xercesRoot)
        return 0;
    if (const std::string difference = Brisvale::Testing::firstTreeDifference(*root, *xercesRoot); !difference.empty())
        fail("the readers make different trees: " + difference);
    for (const auto& [type, folder] : types) {
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
        if (roundTrip(type, *Xml::parseXmlDocument(written)) != written)
            fail(type.localName + " does not write back what it wrote:\n" + written);
    }
    return 0;
}
