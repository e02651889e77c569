#ifndef XSDGEN_SCHEMAREADER_HPP
#define XSDGEN_SCHEMAREADER_HPP

#include <filesystem>
#include <map>
#include <string>

#include "Diagnostics.hpp"
#include "SchemaModel.hpp"
#include "XercesText.hpp"

namespace Xsdgen {

// Reads the schema files of one folder, and every schema they import, into
// a SchemaSet. It knows the structure of the accepted schema subset and
// reports anything else to the diagnostics; the rules that need the whole
// set (known types, names, containment) are SchemaChecker's.
class SchemaReader
{
public:
    SchemaReader(const std::string& baseUri, Diagnostics& diagnostics);
    ~SchemaReader();

    SchemaReader(const SchemaReader&) = delete;
    SchemaReader& operator=(const SchemaReader&) = delete;

    SchemaSet readFolder(const std::filesystem::path& folder);

private:
    enum class Role
    {
        Folder,     // one of the folder's own files: its types are generated
        Imported    // read only to know the types and elements it defines
    };

    void readFile(const std::filesystem::path& path, Role role, const std::string& expectedNamespace);
    void resolveReferences();

    XercesSession fSession;
    std::string fBaseUri;
    Diagnostics& fDiagnostics;
    SchemaSet fSet;
    std::filesystem::path fFolder;
    std::map<std::filesystem::path, Role> fReadFiles;
};

} // namespace Xsdgen

#endif
