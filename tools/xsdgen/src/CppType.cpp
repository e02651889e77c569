#include "CppType.hpp"

#include <filesystem>

#include "Naming.hpp"
#include "Runtime.hpp"

namespace Xsdgen {

namespace {

std::string classSpelling(const QualifiedName& typeName, const std::string& currentNamespace, const std::string& baseUri)
{
    if (typeName.namespaceUri == currentNamespace)
        return typeName.localName;
    return "::" + Naming::qualifiedNamespace(Naming::namespaceSegments(typeName.namespaceUri, baseUri))
           + "::" + typeName.localName;
}

std::string scalarType(ValueKind kind)
{
    switch (kind)
    {
    case ValueKind::String:
        return "std::string";
    case ValueKind::Bool:
        return "bool";
    case ValueKind::Int:
        return "int";
    case ValueKind::DateTime:
        return Runtime::dateTime.qualified;
    case ValueKind::Double:
        return "double";
    case ValueKind::Message:
        break;
    }
    return std::string();
}

std::set<std::string> typeNamesOf(const SchemaSet& set)
{
    std::set<std::string> names;
    for (const ComplexType& type : set.types)
        names.insert(type.name.localName);
    return names;
}

} // namespace

std::string CppField::parameterType() const
{
    if (passedByValue)
        return memberType;
    return "const " + memberType + "&";
}

std::string CppField::valueParameterType() const
{
    if (passedByValue)
        return valueType;
    return "const " + valueType + "&";
}

bool CppType::hasFieldConstructor() const
{
    if (!type->fieldConstructors)
        return false;
    for (const CppField& field : fields)
        if (!field.field->isArray())
            return true;
    return false;
}

bool CppType::uses(ValueKind kind) const
{
    for (const CppField& field : fields)
        if (field.field->kind == kind)
            return true;
    return false;
}

bool CppType::hasArrays() const
{
    for (const CppField& field : fields)
        if (field.field->isArray())
            return true;
    return false;
}

std::string headerPathOf(const QualifiedName& typeName, const std::string& baseUri)
{
    return Naming::headerDirectory(Naming::namespaceSegments(typeName.namespaceUri, baseUri)) + "/"
           + typeName.localName + ".hpp";
}

CppField namedField(const Field& field)
{
    CppField cpp;
    cpp.field = &field;
    cpp.member = Naming::memberName(field.xmlName);
    if (field.optional)
        cpp.flagMember = Naming::flagMemberName(field.xmlName);
    cpp.name = Naming::raiseFirst(field.xmlName);
    cpp.stem = Naming::arrayStem(field.xmlName);
    return cpp;
}

CppType describeType(const ComplexType& type, const SchemaSet& set)
{
    CppType result;
    result.type = &type;
    result.className = type.name.localName;
    result.implName = Naming::implementationName(type.name.localName);
    result.namespaceSegments = Naming::namespaceSegments(type.name.namespaceUri, set.baseUri);
    result.qualifiedClassName = Naming::qualifiedNamespace(result.namespaceSegments) + "::" + result.className;
    result.headerPath = headerPathOf(type.name, set.baseUri);
    result.schemaFileName = std::filesystem::path(type.location.file).filename().string();

    const std::set<std::string> typeNames = typeNamesOf(set);
    for (const Field& field : type.fields)
    {
        CppField cpp = namedField(field);
        cpp.parameter = Naming::parameterName(field.xmlName, typeNames);
        if (field.kind == ValueKind::Message)
        {
            cpp.valueType = classSpelling(field.messageType, type.name.namespaceUri, set.baseUri);
            result.childHeaders.insert(headerPathOf(field.messageType, set.baseUri));
        }
        else
        {
            cpp.valueType = scalarType(field.kind);
        }
        cpp.memberType = field.isArray() ? "std::vector<" + cpp.valueType + ">" : cpp.valueType;
        cpp.passedByValue = !field.isArray()
                            && (field.kind == ValueKind::Bool || field.kind == ValueKind::Int || field.kind == ValueKind::DateTime);
        result.fields.push_back(cpp);
    }
    return result;
}

} // namespace Xsdgen
