#ifndef XSDGEN_SCHEMACHECKER_HPP
#define XSDGEN_SCHEMACHECKER_HPP

#include "Diagnostics.hpp"
#include "SchemaModel.hpp"

namespace Xsdgen {

// The rules that need the whole schema set: every referenced type is known,
// every name makes a C++ name without clashes, and no type contains itself.
// Only the folder's own types are checked; imported ones are checked when
// their own folder is generated.
void checkSchemaSet(const SchemaSet& set, Diagnostics& diagnostics);

} // namespace Xsdgen

#endif
