#ifndef XSDGEN_GENERATOR_HPP
#define XSDGEN_GENERATOR_HPP

#include <ostream>
#include <string>

namespace Xsdgen {

struct GeneratorOptions
{
    std::string baseUri;
    std::string schemaDir;
    std::string outputDir;
    std::string testSupportDir;     // empty: no test support files
};

// Reads and checks the schema folder, then writes the header and source of
// every type (and the test support files, if asked) where they changed, and
// removes the files of the folder's output folders that it no longer
// produces. Reports faults to the stream and returns false if the folder is
// refused; then nothing is written.
bool generate(const GeneratorOptions& options, std::ostream& messages);

// Reads and checks the schema folder like generate(), and prints to out, one
// per line, the path of every file that generate() writes (listOutputs) or
// of every schema file it reads, the folder's and those they include or
// import (listInputs). The build learns from them what to compile, install
// and watch.
bool listOutputs(const GeneratorOptions& options, std::ostream& out, std::ostream& messages);
bool listInputs(const GeneratorOptions& options, std::ostream& out, std::ostream& messages);

enum class Library { Messages, Common };

// Prints, like listOutputs, the written sources that one library compiles.
// The message library compiles X.cpp of every type; the common library
// compiles both shares, X.cpp and X.common.cpp, of every type of a file
// marked gen:commonLibrary="true", which gives it the whole class pair.
bool listSources(const GeneratorOptions& options, Library library, std::ostream& out, std::ostream& messages);

} // namespace Xsdgen

#endif
