#ifndef XSDGEN_DIAGNOSTICS_HPP
#define XSDGEN_DIAGNOSTICS_HPP

#include <string>
#include <vector>

#include "SchemaModel.hpp"

namespace Xsdgen {

// Collects the reasons why a folder of schemas is refused, so that one run
// reports every fault it finds. Each message reads
// "file:line: type X: what is wrong" (without "type X: " outside a type).
class Diagnostics
{
public:
    void error(const SourceLocation& location, const std::string& typeName, const std::string& message);

    bool hasErrors() const { return !fMessages.empty(); }
    const std::vector<std::string>& messages() const { return fMessages; }

private:
    std::vector<std::string> fMessages;
};

} // namespace Xsdgen

#endif
