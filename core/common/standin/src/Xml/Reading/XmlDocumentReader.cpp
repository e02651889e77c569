#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "Xml/Reading/DocumentReaders.hpp"
#include "Xml/Reading/DocumentScreen.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::string position(long long line, long long column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::unique_ptr<XMLNode> requireRoot(std::unique_ptr<XMLNode> root)
{
    if (!root)
        throw Exceptions::DomException("XML parse error: the document has no root element");
    return root;
}

} // namespace

Exceptions::DomException parseErrorAt(long long line, long long column, const std::string& what)
{
    return Exceptions::DomException("XML parse error at " + position(line, column) + ": " + what);
}

Exceptions::DomException refusalAt(long long line, long long column, const std::string& why)
{
    return Exceptions::DomException("XML document refused at " + position(line, column) + ": " + why);
}

std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text)
{
    return parseXmlDocument(text.data(), text.size());
}

std::unique_ptr<XMLNode> parseXmlDocument(const char* data, std::size_t length)
{
    const TextLayout layout = screenDocument(data, length);
    return requireRoot(readWithLibxml2(data, length, layout));
}

std::unique_ptr<XMLNode> parseXmlDocumentWithXerces(const char* data, std::size_t length)
{
    const TextLayout layout = screenDocument(data, length);
    return requireRoot(readWithXerces(data, length, layout));
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
