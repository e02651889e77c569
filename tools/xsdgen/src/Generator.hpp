#ifndef XSDGEN_GENERATOR_HPP
#define XSDGEN_GENERATOR_HPP

#include <ostream>
#include <string>

#include "EmitterOptions.hpp"
#include "SchemaChecker.hpp"

namespace Xsdgen {

struct GeneratorOptions
{
    std::string baseUri;
    std::string schemaDir;
    std::string outputDir;
    std::string testSupportDir;     // empty: no test support files
    EmitterOptions emitter;
    CheckOptions check;
};

// Reads and checks the schema folder, then writes the header and source of
// every type (and the test support files, if asked) where they changed.
// Reports faults to the stream and returns false if the folder is refused;
// then nothing is written.
bool generate(const GeneratorOptions& options, std::ostream& messages);

} // namespace Xsdgen

#endif
