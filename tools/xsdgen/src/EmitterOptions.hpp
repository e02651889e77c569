#ifndef XSDGEN_EMITTEROPTIONS_HPP
#define XSDGEN_EMITTEROPTIONS_HPP

#include <string>

namespace Xsdgen {

struct EmitterOptions
{
    std::string exportHeader = "Brisvale/Soa/Common/Xml/CadExport.hpp";
    std::string exportMacro = "BRISVALE_CAD_API";
    bool fieldConstructors = true;
};

} // namespace Xsdgen

#endif
