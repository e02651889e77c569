#ifndef XSDGEN_TESTSUPPORTEMITTER_HPP
#define XSDGEN_TESTSUPPORTEMITTER_HPP

#include <string>
#include <vector>

#include "SchemaModel.hpp"

namespace Xsdgen {

struct GeneratedFile
{
    std::string path;       // relative to the output folder
    std::string content;
};

// What the round-trip tests need for one schema folder:
// - "<folder>Registry.cpp": register<Folder>Types(), one entry per type with
//   a function that parses a node into a new message and writes it back;
// - "samples/<Type>.xml": one instance document per type with every field
//   filled with awkward values;
// - "<folder>-roots.xsd": a schema that includes the folder's files and
//   declares a global element per type, to validate the samples.
std::vector<GeneratedFile> emitTestSupport(const SchemaSet& set, const std::string& folderName);

} // namespace Xsdgen

#endif
