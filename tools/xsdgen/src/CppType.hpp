#ifndef XSDGEN_CPPTYPE_HPP
#define XSDGEN_CPPTYPE_HPP

#include <set>
#include <string>
#include <vector>

#include "SchemaModel.hpp"

namespace Xsdgen {

// How one field appears in C++.
struct CppField
{
    const Field* field = nullptr;
    std::string member;             // "fClientId"
    std::string flagMember;         // "fIsClientIdSet", for an optional attribute
    std::string name;               // "ClientId": getClientId, setClientId
    std::string stem;               // "AttrList": getAttrListArray, addAttrList (arrays)
    std::string valueType;          // the value, or the array's entry: "std::string", "AttributeInfo", ...
    std::string memberType;         // valueType, or std::vector of it
    std::string parameter;          // "clientId"
    bool passedByValue = false;     // bool, int and date values; everything else by const reference

    // The type of a parameter that takes the whole field.
    std::string parameterType() const;
    // The type of a parameter that takes one value or entry.
    std::string valueParameterType() const;
};

// How one schema type appears in C++: names, paths and fields.
struct CppType
{
    const ComplexType* type = nullptr;
    std::string className;          // "ItemInfo"
    std::string implName;           // "ItemInfoImpl"
    std::vector<std::string> namespaceSegments;
    std::string qualifiedClassName; // "Brisvale::Schemas::Cad::_2007_01::Datamanagement::ItemInfo"
    std::string headerPath;         // "Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp"
    std::string schemaFileName;     // "CreateOrUpdateParts.xsd"
    std::vector<CppField> fields;
    std::set<std::string> childHeaders;

    // A field constructor takes every single field; a type without one, or
    // marked gen:fieldConstructors="false", has none.
    bool hasFieldConstructor() const;
    bool uses(ValueKind kind) const;
    bool hasArrays() const;
};

// Builds the C++ view of a type that the checker accepted.
CppType describeType(const ComplexType& type, const SchemaSet& set);

// The names of a field in C++ (members, accessor name and stem), which need
// no knowledge of other types; describeType adds the types and parameter.
CppField namedField(const Field& field);

// "Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp" for a type name.
std::string headerPathOf(const QualifiedName& typeName, const std::string& baseUri);

} // namespace Xsdgen

#endif
