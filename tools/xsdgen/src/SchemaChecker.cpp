#include "SchemaChecker.hpp"

#include <map>
#include <set>

#include "Accessors.hpp"
#include "CppType.hpp"
#include "Naming.hpp"
#include "Runtime.hpp"

namespace Xsdgen {

namespace {

class Checker
{
public:
    Checker(const SchemaSet& set, Diagnostics& diagnostics)
        : fSet(set)
        , fDiagnostics(diagnostics)
    {
    }

    void run()
    {
        const std::vector<const ComplexType*> types = fSet.folderTypes();
        if (!types.empty())
            checkNamespace(fSet.targetNamespace, types.front()->location, types.front()->name.localName);
        checkClassNames(types);
        for (const ComplexType* type : types)
            checkFields(*type);
        for (const ComplexType* type : types)
        {
            std::vector<const ComplexType*> path;
            checkContainment(*type, path);
        }
    }

private:
    void error(const SourceLocation& location, const std::string& typeName, const std::string& message)
    {
        fDiagnostics.error(location, typeName, message);
    }

    bool checkNamespace(const std::string& namespaceUri, const SourceLocation& location, const std::string& typeName)
    {
        try
        {
            Naming::namespaceSegments(namespaceUri, fSet.baseUri);
            return true;
        }
        catch (const Naming::NamingError& failure)
        {
            error(location, typeName, failure.what());
            return false;
        }
    }

    void checkClassNames(const std::vector<const ComplexType*>& types)
    {
        std::map<std::string, const ComplexType*> classes;
        for (const ComplexType* type : types)
        {
            const std::string& name = type->name.localName;
            if (!Naming::isSafeIdentifier(name) || Naming::isCppKeyword(name) || name[0] < 'A' || name[0] > 'Z')
                error(type->location, name, "the name must start with an upper-case ASCII letter and hold only letters,"
                                            " digits and single underscores");
            else if (isRuntimeClass(name))
                error(type->location, name, "the name is taken by the framework");
            for (const std::string& className : {name, Naming::implementationName(name)})
            {
                const auto inserted = classes.emplace(className, type);
                if (!inserted.second)
                    error(type->location, name, "class " + className + " is generated for type "
                                                    + inserted.first->second->name.localName + " too");
            }
        }
    }

    void checkFields(const ComplexType& type)
    {
        const std::string& typeName = type.name.localName;
        std::map<std::string, std::string> functions;   // member function name -> field that declares it
        std::map<std::string, std::string> members;     // data member name -> field
        for (const Field& field : type.fields)
        {
            if (!Naming::isSafeIdentifier(field.xmlName))
            {
                error(field.location, typeName, "field \"" + field.xmlName
                                                    + "\": the name must start with an ASCII letter and hold only letters,"
                                                      " digits and single underscores");
                continue;
            }
            if (field.globalReference && field.messageType.localName.empty())
                error(field.location, typeName, "element reference \"" + field.xmlName + "\" names no known global element");
            else if (field.kind == ValueKind::Message && fSet.findType(field.messageType) == nullptr)
                error(field.location, typeName, "field \"" + field.xmlName + "\": unknown type {"
                                                    + field.messageType.namespaceUri + "}" + field.messageType.localName);
            else if (field.kind == ValueKind::Message && field.messageType.namespaceUri != fSet.targetNamespace)
                checkNamespace(field.messageType.namespaceUri, field.location, typeName);

            const CppField names = namedField(field);
            std::set<std::string> fieldFunctions;  // a getter may come as a const and a non-const overload
            for (const Accessor& accessor : accessorsOf(names))
                fieldFunctions.insert(accessor.name);
            for (const std::string& function : fieldFunctions)
            {
                if (Runtime::classPairMembers.count(function) != 0)
                    error(field.location, typeName, "field \"" + field.xmlName + "\": accessor " + function
                                                        + " would hide a member that every class pair has");
                const auto inserted = functions.emplace(function, field.xmlName);
                if (!inserted.second)
                    error(field.location, typeName, "field \"" + field.xmlName + "\": accessor " + function
                                                        + " is also generated for field \"" + inserted.first->second + "\"");
            }
            for (const std::string& member : {names.member, names.flagMember})
            {
                if (member.empty())
                    continue;
                const auto inserted = members.emplace(member, field.xmlName);
                if (!inserted.second)
                    error(field.location, typeName, "field \"" + field.xmlName + "\": member " + member
                                                        + " is also generated for field \"" + inserted.first->second + "\"");
            }
        }
    }

    static bool isRuntimeClass(const std::string& name)
    {
        for (const Runtime::Name& runtimeClass : Runtime::classes())
            if (runtimeClass.unqualified() == name)
                return true;
        return false;
    }

    // A type may not hold itself, directly or through other types: its
    // default constructor would never end, and its headers would include
    // each other.
    void checkContainment(const ComplexType& type, std::vector<const ComplexType*>& path)
    {
        for (std::size_t i = 0; i < path.size(); ++i)
        {
            if (path[i] != &type)
                continue;
            if (i == 0)
            {
                std::string cycle;
                for (const ComplexType* step : path)
                    cycle += step->name.localName + " -> ";
                error(type.location, type.name.localName, "recursive containment: " + cycle + type.name.localName);
            }
            return;
        }
        if (fFinished.count(&type) != 0 && !path.empty())
            return;
        path.push_back(&type);
        for (const Field& field : type.fields)
            if (field.kind == ValueKind::Message)
                if (const ComplexType* child = fSet.findType(field.messageType))
                    checkContainment(*child, path);
        path.pop_back();
        if (path.empty())
            fFinished.insert(&type);
    }

    const SchemaSet& fSet;
    Diagnostics& fDiagnostics;
    std::set<const ComplexType*> fFinished;
};

} // namespace

void checkSchemaSet(const SchemaSet& set, Diagnostics& diagnostics)
{
    Checker(set, diagnostics).run();
}

} // namespace Xsdgen
