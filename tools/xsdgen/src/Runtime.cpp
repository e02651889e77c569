#include "Runtime.hpp"

namespace Xsdgen {
namespace Runtime {

std::string Name::unqualified() const
{
    const std::string name = qualified;
    return name.substr(name.rfind("::") + 2);
}

std::vector<std::string> Name::namespaceSegments() const
{
    const std::string name = qualified;
    std::vector<std::string> segments;
    for (std::string::size_type start = 2, end; (end = name.find("::", start)) != std::string::npos; start = end + 2)
        segments.push_back(name.substr(start, end - start));
    return segments;
}

std::vector<Name> classes()
{
    return {baseObject, handle, nullHandleError, xmlStream, xmlNode, monitor, domException, dateTime};
}

} // namespace Runtime
} // namespace Xsdgen
