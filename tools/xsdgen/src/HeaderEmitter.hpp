#ifndef XSDGEN_HEADEREMITTER_HPP
#define XSDGEN_HEADEREMITTER_HPP

#include <string>

#include "CppType.hpp"

namespace Xsdgen {

// The header of one class pair: the implementation class that holds the
// fields, then the public handle class that forwards to it.
std::string emitHeader(const CppType& type);

} // namespace Xsdgen

#endif
