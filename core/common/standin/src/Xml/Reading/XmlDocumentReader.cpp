#include <new>

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

std::unique_ptr<XMLNode> readWithLibxml2Once(const char* data, std::size_t length, const TextLayout& layout)
{
    return requireRoot(readWithLibxml2(data, length, layout));
}

// libxml2 does not always notice that one of its allocations failed: it
// takes a namespace or a name that it could not store for an empty or a
// missing one, and reports the document as malformed. Its verdict on a
// text is otherwise always the same, so a document error stands only when
// a second read finds it again; any other outcome of the second read means
// that an allocation failed in the first, which then ends in
// std::bad_alloc. Only malformed documents are read twice.
std::unique_ptr<XMLNode> readWithLibxml2Confirmed(const char* data, std::size_t length, const TextLayout& layout)
{
    try
    {
        return readWithLibxml2Once(data, length, layout);
    }
    catch (Exceptions::DomException& error)
    {
        try
        {
            readWithLibxml2Once(data, length, layout);
        }
        catch (Exceptions::DomException& again)
        {
            if (again.getMessage() == error.getMessage())
                throw;
        }
        throw std::bad_alloc();
    }
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
    return readWithLibxml2Confirmed(data, length, screenDocument(data, length));
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
