#ifndef BRISVALE_BENCH_BASELINEWRITER_HPP
#define BRISVALE_BENCH_BASELINEWRITER_HPP

#include <string>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>

namespace Brisvale {
namespace Bench {

// How the writers below escape attribute values.
enum class Escaping
{
    ThroughToXmlString,  // a new string per value from toXmlString
    InPlace              // appended to the text by hand, with no temporary
};

// The baselines for writing: append the very text that outputXML writes for
// a request (the same tags, namespace declarations, attribute order and
// escaping) straight to a std::string, with the element names and
// declarations known in advance. With Escaping::InPlace, into a string
// reserved to its final size, it is the hand-written limit: what the bytes
// themselves cost.
void appendRequestText(
    std::string& text,
    const ::Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsInput& request,
    const std::string& elementName, Escaping escaping = Escaping::ThroughToXmlString);

} // namespace Bench
} // namespace Brisvale

#endif
