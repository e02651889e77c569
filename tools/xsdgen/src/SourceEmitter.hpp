#ifndef XSDGEN_SOURCEEMITTER_HPP
#define XSDGEN_SOURCEEMITTER_HPP

#include <string>

#include "CppType.hpp"

namespace Xsdgen {

// The source of one class pair: constructors, accessors, outputXML and
// parse of the implementation class, and the public class's forwarders.
std::string emitSource(const CppType& type);

} // namespace Xsdgen

#endif
