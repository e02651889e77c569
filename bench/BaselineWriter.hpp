#ifndef BRISVALE_BENCH_BASELINEWRITER_HPP
#define BRISVALE_BENCH_BASELINEWRITER_HPP

#include <string>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>

namespace Brisvale {
namespace Bench {

// The baseline for writing: appends the very text that outputXML writes for
// a request (the same tags, namespace declarations and attribute order, the
// same escaping through toXmlString) straight to a std::string, with the
// element names and declarations known in advance.
void appendRequestText(
    std::string& text,
    const ::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsInput& request,
    const std::string& elementName);

} // namespace Bench
} // namespace Brisvale

#endif
