#include "SchemaModel.hpp"

namespace Xsdgen {

const ComplexType* SchemaSet::findType(const QualifiedName& name) const
{
    for (const ComplexType& type : types)
        if (type.name == name)
            return &type;
    return nullptr;
}

const GlobalElement* SchemaSet::findElement(const QualifiedName& name) const
{
    for (const GlobalElement& element : elements)
        if (element.name == name)
            return &element;
    return nullptr;
}

std::vector<const ComplexType*> SchemaSet::folderTypes() const
{
    std::vector<const ComplexType*> result;
    for (const ComplexType& type : types)
        if (type.name.namespaceUri == targetNamespace)
            result.push_back(&type);
    return result;
}

} // namespace Xsdgen
