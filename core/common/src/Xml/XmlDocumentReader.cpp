#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "Xml/DocumentReaders.hpp"
#include "Xml/DocumentScreen.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::unique_ptr<XMLNode> requireRoot(std::unique_ptr<XMLNode> root)
{
    if (!root)
        throw Exceptions::DomException("XML parse error: the document has no root element");
    return root;
}

} // namespace

std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text)
{
    return parseXmlDocument(text.data(), text.size());
}

std::unique_ptr<XMLNode> parseXmlDocument(const char* data, std::size_t length)
{
    screenDocument(data, length);
    return requireRoot(readWithLibxml2(data, length));
}

std::unique_ptr<XMLNode> parseXmlDocumentWithXerces(const char* data, std::size_t length)
{
    screenDocument(data, length);
    return requireRoot(readWithXerces(data, length));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
