#ifndef XSDGEN_NAMING_HPP
#define XSDGEN_NAMING_HPP

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// Every rule that turns schema names into C++ names and file paths.
namespace Xsdgen {
namespace Naming {

// Thrown when a name cannot be turned into a C++ name.
class NamingError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The root namespace of every generated class.
const char* const rootNamespace = "Brisvale";

// The C++ namespace segments of a schema, from its namespace URI:
// "<base>/Schemas/Cad/2007-01/DataManagement" gives Brisvale, Schemas, Cad,
// _2007_01, Datamanagement. A segment that starts with a digit gets a
// leading "_" and its dashes become "_"; the last segment keeps only its
// first letter upper-case. Throws NamingError if the URI is not under the
// base URI or a segment is not a C++ identifier.
std::vector<std::string> namespaceSegments(const std::string& namespaceUri, const std::string& baseUri);

// "Brisvale::Schemas::Cad::_2007_01::Datamanagement" (no leading "::").
std::string qualifiedNamespace(const std::vector<std::string>& segments);

// "Brisvale/Schemas/Cad/_2007_01/Datamanagement".
std::string headerDirectory(const std::vector<std::string>& segments);

// "BRISVALE_SCHEMAS_CAD_2007_01_DATAMANAGEMENT_ITEMINFO_HPP" for
// "Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp".
std::string includeGuard(const std::string& headerPath);

// The implementation class of a pair: "ItemInfo" gives "ItemInfoImpl".
std::string implementationName(const std::string& className);

// "clientId" gives "ClientId".
std::string raiseFirst(const std::string& name);

// "ServiceData" gives "serviceData".
std::string lowerFirst(const std::string& name);

// The stem of an array's accessors: the element name with its first letter
// raised and one final "s" removed: "datasetFileInfos" gives "DatasetFileInfo",
// "classes" gives "Classe", "children" stays "Children".
std::string arrayStem(const std::string& xmlName);

// Member fields in Xerces style: "clientId" gives "fClientId".
std::string memberName(const std::string& xmlName);

// The flag of an optional attribute: "isNull" gives "fIsIsNullSet".
std::string flagMemberName(const std::string& xmlName);

// A parameter is named after its field, first letter lowered; a C++ keyword,
// "std" or one of the given type names gets a trailing "_".
std::string parameterName(const std::string& xmlName, const std::set<std::string>& typeNames);

// "PascalCase" of a folder name: "datamanagement_2007_01" gives "Datamanagement200701".
std::string folderCamelCase(const std::string& folderName);

bool isCppKeyword(const std::string& name);

// A name usable inside generated identifiers: ASCII letters, digits and
// single underscores, starting with a letter. It may still be a keyword.
bool isSafeIdentifier(const std::string& name);

} // namespace Naming
} // namespace Xsdgen

#endif
