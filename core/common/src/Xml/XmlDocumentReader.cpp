#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "Xml/DocumentReaders.hpp"
#include "Xml/DocumentScreen.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text)
{
    return parseXmlDocument(text.data(), text.size());
}

std::unique_ptr<XMLNode> parseXmlDocument(const char* data, std::size_t length)
{
    screenDocument(data, length);
    return readWithLibxml2(data, length);
}

std::unique_ptr<XMLNode> parseXmlDocumentWithXerces(const char* data, std::size_t length)
{
    screenDocument(data, length);
    return readWithXerces(data, length);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
