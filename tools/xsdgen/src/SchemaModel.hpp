#ifndef XSDGEN_SCHEMAMODEL_HPP
#define XSDGEN_SCHEMAMODEL_HPP

#include <string>
#include <vector>

namespace Xsdgen {

// A qualified name of a type or a global element: namespace URI and local name.
struct QualifiedName
{
    std::string namespaceUri;
    std::string localName;

    bool operator==(const QualifiedName& other) const
    {
        return namespaceUri == other.namespaceUri && localName == other.localName;
    }
};

// Where a construct stands in a schema file, for messages.
struct SourceLocation
{
    std::string file;
    int line = 0;
};

enum class FieldForm
{
    Attribute,      // a scalar written as an XML attribute
    Element,        // one child element of a message type
    ElementArray,   // one child element per entry, no wrapper
    TextArray       // one raw text element per string or double value
};

enum class ValueKind
{
    String,
    Bool,
    Int,
    DateTime,
    Double,
    Message         // a complex type, named by Field::messageType
};

struct Field
{
    std::string xmlName;
    FieldForm form = FieldForm::Attribute;
    ValueKind kind = ValueKind::String;
    QualifiedName messageType;      // set when kind is Message
    QualifiedName elementReference; // the global element, for a reference
    bool optional = false;          // attribute with a "set" flag, written only when set
    bool startsFalse = false;       // bool attribute that a new message starts at false (gen:initial)
    bool globalReference = false;   // element ref to a global element, written unprefixed
    SourceLocation location;

    bool isChild() const { return form != FieldForm::Attribute; }
    bool isArray() const { return form == FieldForm::ElementArray || form == FieldForm::TextArray; }
};

struct ComplexType
{
    QualifiedName name;
    SourceLocation location;
    std::vector<Field> fields;      // attributes first, then child elements, each in schema order
    bool fieldConstructors = true;  // false: the classes get no field constructor (gen:fieldConstructors)
    bool commonLibrary = false;     // the common library provides most of the implementation class (gen:commonLibrary)

    // A leaf has no child fields: its element closes itself after its attributes.
    bool isLeaf() const
    {
        for (const Field& field : fields)
            if (field.isChild())
                return false;
        return true;
    }
};

struct GlobalElement
{
    QualifiedName name;
    QualifiedName type;
};

// Every type and global element known from the folder's files and the
// schemas they import. Only the folder's own types are generated.
struct SchemaSet
{
    std::string baseUri;
    std::string targetNamespace;                  // the folder's namespace
    std::vector<std::string> folderFiles;         // the folder's .xsd files, sorted
    std::vector<std::string> readFiles;           // every file read: the folder's and those they name
    std::vector<ComplexType> types;               // every type, folder types first in file order
    std::vector<GlobalElement> elements;

    const ComplexType* findType(const QualifiedName& name) const;
    const GlobalElement* findElement(const QualifiedName& name) const;
    std::vector<const ComplexType*> folderTypes() const;
};

} // namespace Xsdgen

#endif
