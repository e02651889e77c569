#include "Diagnostics.hpp"

namespace Xsdgen {

void Diagnostics::error(const SourceLocation& location, const std::string& typeName, const std::string& message)
{
    std::string text = location.file;
    if (location.line > 0)
        text += ":" + std::to_string(location.line);
    text += ": ";
    if (!typeName.empty())
        text += "type " + typeName + ": ";
    fMessages.push_back(text + message);
}

} // namespace Xsdgen
