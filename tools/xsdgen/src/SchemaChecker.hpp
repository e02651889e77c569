#ifndef XSDGEN_SCHEMACHECKER_HPP
#define XSDGEN_SCHEMACHECKER_HPP

#include "Diagnostics.hpp"
#include "SchemaModel.hpp"

namespace Xsdgen {

struct CheckOptions
{
    // Optional attributes, with their "set" flags, belong to the base schema only.
    bool allowOptionalAttributes = false;
};

// The rules that need the whole schema set: every referenced type is known,
// every name makes a C++ name without clashes, and no type contains itself.
// Only the folder's own types are checked; imported ones are checked when
// their own folder is generated.
void checkSchemaSet(const SchemaSet& set, const CheckOptions& options, Diagnostics& diagnostics);

} // namespace Xsdgen

#endif
