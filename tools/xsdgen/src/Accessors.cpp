#include "Accessors.hpp"

namespace Xsdgen {

namespace {

Accessor accessor(const std::string& returnType, const std::string& name, bool isConst,
                  std::vector<std::string> implementation)
{
    Accessor result;
    result.returnType = returnType;
    result.name = name;
    result.isConst = isConst;
    result.implementation = std::move(implementation);
    return result;
}

Accessor setter(const std::string& name, const std::string& parameterType, const std::string& parameterName,
                std::vector<std::string> implementation)
{
    Accessor result = accessor("void", name, false, std::move(implementation));
    result.parameterType = parameterType;
    result.parameterName = parameterName;
    return result;
}

void addArrayAccessors(const CppField& field, std::vector<Accessor>& accessors)
{
    const std::string& stem = field.stem;
    accessors.push_back(accessor("const " + field.memberType + "&", "get" + stem + "Array", true, {"return " + field.member + ";"}));
    accessors.push_back(setter("set" + stem + "Array", field.parameterType(), field.parameter,
                               {field.member + " = " + field.parameter + ";"}));
    accessors.push_back(setter(adderName(field), field.valueParameterType(), "entry", {field.member + ".push_back(entry);"}));
}

void addSingleAccessors(const CppField& field, std::vector<Accessor>& accessors)
{
    const std::string& name = field.name;
    if (field.passedByValue)
    {
        accessors.push_back(accessor(field.memberType, "get" + name, true, {"return " + field.member + ";"}));
    }
    else
    {
        accessors.push_back(accessor(field.memberType + "&", "get" + name, false, {"return " + field.member + ";"}));
        accessors.push_back(accessor("const " + field.memberType + "&", "get" + name, true, {"return " + field.member + ";"}));
    }

    std::vector<std::string> assignment{field.member + " = " + field.parameter + ";"};
    if (field.field->optional)
        assignment.push_back(field.flagMember + " = true;");
    accessors.push_back(setter(setterName(field), field.parameterType(), field.parameter, assignment));

    if (field.field->optional)
    {
        accessors.push_back(accessor("bool", "is" + name + "Set", true, {"return " + field.flagMember + ";"}));
        accessors.push_back(setter("setIs" + name + "Set", "bool", "isSet", {field.flagMember + " = isSet;"}));
    }
}

} // namespace

std::string Accessor::signature(const std::string& className) const
{
    std::string text = returnType + " " + (className.empty() ? "" : className + "::") + name + "(";
    if (!parameterType.empty())
        text += parameterType + " " + parameterName;
    text += ")";
    if (isConst)
        text += " const";
    return text;
}

std::string Accessor::call() const
{
    return name + "(" + parameterName + ")";
}

std::string setterName(const CppField& field)
{
    return "set" + field.name;
}

std::string adderName(const CppField& field)
{
    return "add" + field.stem;
}

std::vector<Accessor> accessorsOf(const CppField& field)
{
    std::vector<Accessor> accessors;
    if (field.field->isArray())
        addArrayAccessors(field, accessors);
    else
        addSingleAccessors(field, accessors);
    return accessors;
}

} // namespace Xsdgen
