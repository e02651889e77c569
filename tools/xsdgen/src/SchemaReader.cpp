#include "SchemaReader.hpp"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "XercesText.hpp"

namespace Xsdgen {

namespace {

namespace fs = std::filesystem;
using xercesc::DOMElement;
using xercesc::DOMNode;

const char* const schemaNamespace = "http://www.w3.org/2001/XMLSchema";
const char* const xmlnsNamespace = "http://www.w3.org/2000/xmlns/";
// Our own marks on schema components, for what XML Schema cannot say:
// gen:initial="false" gives a required bool attribute its starting value;
// on <xs:schema>, gen:optionalAttributes="true" lets the file's attributes be
// optional, with "set" flags, gen:fieldConstructors="false" gives its
// classes no field constructor, and gen:commonLibrary="true" says that the
// common library provides the implementation classes but for their
// destructors and copy constructors.
const char* const generatorNamespace = "http://brisvale.example/Schemas/Xsdgen";

// The line of every element's start tag, in document order, from a SAX pass
// over a file that the DOM parser read without fault: the DOM keeps no
// positions of its own.
class StartTagLines : public xercesc::DefaultHandler
{
public:
    explicit StartTagLines(const std::string& file)
    {
        std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
        reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
        reader->setFeature(xercesc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
        reader->setContentHandler(this);
        reader->setErrorHandler(this);
        reader->parse(file.c_str());
    }

    void setDocumentLocator(const xercesc::Locator* const locator) override { fLocator = locator; }
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const, const xercesc::Attributes&) override
    {
        fLines.push_back(fLocator == nullptr ? 0 : static_cast<int>(fLocator->getLineNumber()));
    }
    void fatalError(const xercesc::SAXParseException&) override {}

    const std::vector<int>& lines() const { return fLines; }

private:
    const xercesc::Locator* fLocator = nullptr;
    std::vector<int> fLines;
};

// The line of each element of a parsed document.
class ElementLines
{
public:
    ElementLines(const xercesc::DOMDocument* document, const std::string& file)
    {
        const std::vector<int> lines = StartTagLines(file).lines();
        std::size_t next = 0;
        const DOMNode* node = document == nullptr ? nullptr : document->getDocumentElement();
        while (node != nullptr)
        {
            if (node->getNodeType() == DOMNode::ELEMENT_NODE)
                fLines[node] = next < lines.size() ? lines[next++] : 0;
            node = nextInDocumentOrder(node);
        }
    }

    int lineOf(const DOMNode* node) const
    {
        const auto found = fLines.find(node);
        return found == fLines.end() ? 0 : found->second;
    }

private:
    static const DOMNode* nextInDocumentOrder(const DOMNode* node)
    {
        if (node->getFirstChild() != nullptr)
            return node->getFirstChild();
        for (; node != nullptr; node = node->getParentNode())
            if (node->getNextSibling() != nullptr)
                return node->getNextSibling();
        return nullptr;
    }

    std::map<const DOMNode*, int> fLines;
};

// Turns Xerces's parse errors into diagnostics.
class ParseErrorCollector : public xercesc::ErrorHandler
{
public:
    ParseErrorCollector(Diagnostics& diagnostics, const std::string& file)
        : fDiagnostics(diagnostics)
        , fFile(file)
        , fFailed(false)
    {
    }

    void warning(const xercesc::SAXParseException&) override {}
    void error(const xercesc::SAXParseException& exception) override { report(exception); }
    void fatalError(const xercesc::SAXParseException& exception) override { report(exception); }
    void resetErrors() override {}

    bool failed() const { return fFailed; }

private:
    void report(const xercesc::SAXParseException& exception)
    {
        fFailed = true;
        SourceLocation location{fFile, static_cast<int>(exception.getLineNumber())};
        fDiagnostics.error(location, "", "not well-formed XML: " + toUtf8(exception.getMessage()));
    }

    Diagnostics& fDiagnostics;
    std::string fFile;
    bool fFailed;
};

std::string attributeOf(const DOMElement* element, const char* name)
{
    XercesString xmlName(name);
    return toUtf8(element->getAttribute(xmlName.get()));
}

bool hasAttribute(const DOMElement* element, const char* name)
{
    XercesString xmlName(name);
    return element->hasAttribute(xmlName.get());
}

bool isBlank(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Reads the constructs of one schema file into the set.
class SchemaFileReader
{
public:
    SchemaFileReader(const ElementLines& lines, const std::string& file, Diagnostics& diagnostics)
        : fLines(lines)
        , fFile(file)
        , fDiagnostics(diagnostics)
    {
    }

    // The child elements of an element, in document order. Comments and
    // blank text are skipped; other content is reported.
    std::vector<const DOMElement*> childElements(const DOMElement* parent, const std::string& typeName)
    {
        std::vector<const DOMElement*> children;
        for (const DOMNode* child = parent->getFirstChild(); child != nullptr; child = child->getNextSibling())
        {
            switch (child->getNodeType())
            {
            case DOMNode::ELEMENT_NODE:
                children.push_back(static_cast<const DOMElement*>(child));
                break;
            case DOMNode::COMMENT_NODE:
                break;
            case DOMNode::TEXT_NODE:
                if (!isBlank(toUtf8(child->getNodeValue())))
                    error(parent, typeName, "unexpected text inside " + describe(parent));
                break;
            default:
                error(parent, typeName, "unexpected content inside " + describe(parent));
                break;
            }
        }
        return children;
    }

    // The schema element's local name, or "" with a diagnostic for an
    // element outside the schema namespace.
    std::string schemaElementName(const DOMElement* element, const std::string& typeName)
    {
        if (toUtf8(element->getNamespaceURI()) != schemaNamespace)
        {
            error(element, typeName, "element <" + toUtf8(element->getTagName()) + "> is not an XML Schema element");
            return std::string();
        }
        return toUtf8(element->getLocalName());
    }

    // Reports every attribute outside the allowed ones (namespace declarations aside).
    void checkAttributes(const DOMElement* element, const std::set<std::string>& allowed, const std::string& typeName)
    {
        const xercesc::DOMNamedNodeMap* attributes = element->getAttributes();
        for (XMLSize_t i = 0; i < attributes->getLength(); ++i)
        {
            const DOMNode* attribute = attributes->item(i);
            const std::string namespaceUri = toUtf8(attribute->getNamespaceURI());
            if (namespaceUri == xmlnsNamespace)
                continue;
            const std::string name = namespaceUri == generatorNamespace
                                         ? "gen:" + toUtf8(attribute->getLocalName())
                                         : toUtf8(attribute->getNodeName());
            if ((!namespaceUri.empty() && namespaceUri != generatorNamespace) || allowed.count(name) == 0)
                error(element, typeName, "attribute " + name + " on " + describe(element) + " is not supported");
        }
    }

    // The value of a gen: mark, or nothing when the element does not carry it.
    static std::optional<std::string> mark(const DOMElement* element, const char* name)
    {
        const XercesString markNamespace(generatorNamespace);
        const XercesString markName(name);
        if (!element->hasAttributeNS(markNamespace.get(), markName.get()))
            return std::nullopt;
        return toUtf8(element->getAttributeNS(markNamespace.get(), markName.get()));
    }

    // The file-wide marks of the <xs:schema> element.
    void readSchemaMarks(const DOMElement* schema)
    {
        fFieldConstructors = booleanMark(schema, "fieldConstructors", true);
        fOptionalAttributes = booleanMark(schema, "optionalAttributes", false);
        fCommonLibrary = booleanMark(schema, "commonLibrary", false);
    }

    bool booleanMark(const DOMElement* element, const char* name, bool absent)
    {
        const std::optional<std::string> value = mark(element, name);
        if (value && *value != "true" && *value != "false")
            error(element, "", std::string("gen:") + name + " must be \"true\" or \"false\"");
        return value ? *value == "true" : absent;
    }

    std::optional<QualifiedName> resolve(const DOMElement* element, const std::string& qname, const std::string& typeName)
    {
        const std::string::size_type colon = qname.find(':');
        const std::string prefix = colon == std::string::npos ? std::string() : qname.substr(0, colon);
        const std::string localName = colon == std::string::npos ? qname : qname.substr(colon + 1);
        if (localName.empty() || localName.find(':') != std::string::npos)
        {
            error(element, typeName, "\"" + qname + "\" is not a qualified name");
            return std::nullopt;
        }
        const XMLCh* namespaceUri = nullptr;
        if (prefix.empty())
        {
            namespaceUri = element->lookupNamespaceURI(nullptr);
        }
        else
        {
            XercesString xmlPrefix(prefix);
            namespaceUri = element->lookupNamespaceURI(xmlPrefix.get());
            if (namespaceUri == nullptr)
            {
                error(element, typeName, "prefix \"" + prefix + "\" of \"" + qname + "\" is not declared");
                return std::nullopt;
            }
        }
        return QualifiedName{toUtf8(namespaceUri), localName};
    }

    void error(const DOMNode* node, const std::string& typeName, const std::string& message)
    {
        fDiagnostics.error(locationOf(node), typeName, message);
    }

    SourceLocation locationOf(const DOMNode* node) const { return SourceLocation{fFile, fLines.lineOf(node)}; }

    static std::string describe(const DOMElement* element)
    {
        std::string text = "<" + toUtf8(element->getTagName());
        if (hasAttribute(element, "name"))
            text += " name=\"" + attributeOf(element, "name") + "\"";
        return text + ">";
    }

    void readComplexType(const DOMElement* element, const std::string& targetNamespace, SchemaSet& set)
    {
        const std::string name = attributeOf(element, "name");
        if (name.empty())
        {
            error(element, "", "<xs:complexType> needs a name");
            return;
        }
        checkAttributes(element, {"name"}, name);

        ComplexType type;
        type.name = QualifiedName{targetNamespace, name};
        type.location = locationOf(element);
        type.fieldConstructors = fFieldConstructors;
        type.commonLibrary = fCommonLibrary;

        std::vector<Field> attributes;
        std::vector<Field> elements;
        bool sequenceSeen = false;
        for (const DOMElement* child : childElements(element, name))
        {
            const std::string kind = schemaElementName(child, name);
            if (kind == "attribute")
            {
                if (std::optional<Field> field = readAttribute(child, name))
                    attributes.push_back(*field);
            }
            else if (kind == "sequence")
            {
                if (sequenceSeen)
                    error(child, name, "a type has at most one <xs:sequence>");
                else if (!attributes.empty())
                    error(child, name, "<xs:sequence> must come before the attributes");
                sequenceSeen = true;
                elements = readSequence(child, name);
            }
            else if (!kind.empty())
            {
                error(child, name, "<xs:" + kind + "> is not supported in a type (only <xs:sequence> and <xs:attribute>)");
            }
        }

        type.fields = attributes;
        type.fields.insert(type.fields.end(), elements.begin(), elements.end());
        set.types.push_back(type);
    }

    std::optional<Field> readAttribute(const DOMElement* element, const std::string& typeName)
    {
        checkAttributes(element, {"name", "type", "use", "gen:initial"}, typeName);
        if (!childElements(element, typeName).empty())
            error(element, typeName, describe(element) + " must be empty");

        Field field;
        field.xmlName = attributeOf(element, "name");
        field.form = FieldForm::Attribute;
        field.location = locationOf(element);
        if (field.xmlName.empty())
        {
            error(element, typeName, "<xs:attribute> needs a name");
            return std::nullopt;
        }
        const std::string what = "attribute \"" + field.xmlName + "\": ";

        const std::optional<QualifiedName> type = resolve(element, attributeOf(element, "type"), typeName);
        if (!type)
            return std::nullopt;
        const std::map<std::string, ValueKind> attributeKinds{
            {"string", ValueKind::String}, {"boolean", ValueKind::Bool}, {"int", ValueKind::Int}, {"dateTime", ValueKind::DateTime}};
        const auto kind = attributeKinds.find(type->localName);
        if (type->namespaceUri != schemaNamespace || kind == attributeKinds.end())
        {
            error(element, typeName, what + "type \"" + attributeOf(element, "type")
                                         + "\" is not supported (xs:string, xs:boolean, xs:int or xs:dateTime)");
            return std::nullopt;
        }
        field.kind = kind->second;

        const std::string use = attributeOf(element, "use");
        if (use == "optional")
        {
            if (!fOptionalAttributes)
                error(element, typeName, what + "use=\"optional\" needs gen:optionalAttributes=\"true\" on the schema");
            field.optional = true;
        }
        else if (use != "required")
        {
            error(element, typeName, what + "needs use=\"required\"");
            return std::nullopt;
        }

        if (const std::optional<std::string> initial = mark(element, "initial"))
        {
            if (field.kind != ValueKind::Bool || *initial != "false" || field.optional)
            {
                error(element, typeName, what + "the only initial value allowed is gen:initial=\"false\" on a required xs:boolean");
                return std::nullopt;
            }
            field.startsFalse = true;
        }
        return field;
    }

    std::vector<Field> readSequence(const DOMElement* sequence, const std::string& typeName)
    {
        checkAttributes(sequence, {}, typeName);
        std::vector<Field> fields;
        for (const DOMElement* element : childElements(sequence, typeName))
        {
            const std::string kind = schemaElementName(element, typeName);
            if (kind.empty())
                continue;
            if (kind != "element")
            {
                error(element, typeName, "<xs:" + kind + "> is not supported in a sequence (only <xs:element>)");
                continue;
            }
            if (!fields.empty() && fields.back().globalReference)
                error(element, typeName, "the element reference \"" + fields.back().xmlName
                                             + "\" must be the last element of the sequence");
            if (std::optional<Field> field = readSequenceElement(element, typeName))
                fields.push_back(*field);
        }
        return fields;
    }

    std::optional<Field> readSequenceElement(const DOMElement* element, const std::string& typeName)
    {
        if (!childElements(element, typeName).empty())
            error(element, typeName, describe(element) + " must be empty (anonymous types are not supported)");

        Field field;
        field.location = locationOf(element);
        if (hasAttribute(element, "ref"))
        {
            checkAttributes(element, {"ref"}, typeName);
            const std::optional<QualifiedName> reference = resolve(element, attributeOf(element, "ref"), typeName);
            if (!reference)
                return std::nullopt;
            field.xmlName = reference->localName;
            field.form = FieldForm::Element;
            field.kind = ValueKind::Message;
            field.globalReference = true;
            field.elementReference = *reference;    // resolveReferences() sets messageType from it
            return field;
        }

        checkAttributes(element, {"name", "type", "minOccurs", "maxOccurs"}, typeName);
        field.xmlName = attributeOf(element, "name");
        if (field.xmlName.empty())
        {
            error(element, typeName, "<xs:element> needs a name or a ref");
            return std::nullopt;
        }
        const std::string what = "element \"" + field.xmlName + "\": ";

        const std::string minOccurs = hasAttribute(element, "minOccurs") ? attributeOf(element, "minOccurs") : "1";
        const std::string maxOccurs = hasAttribute(element, "maxOccurs") ? attributeOf(element, "maxOccurs") : "1";
        bool isArray = false;
        if (minOccurs == "0" && maxOccurs == "unbounded")
            isArray = true;
        else if (minOccurs != "1" || maxOccurs != "1")
        {
            error(element, typeName, what + "occurrences must be exactly one, or minOccurs=\"0\" maxOccurs=\"unbounded\"");
            return std::nullopt;
        }

        if (!hasAttribute(element, "type"))
        {
            error(element, typeName, what + "needs a type");
            return std::nullopt;
        }
        const std::optional<QualifiedName> type = resolve(element, attributeOf(element, "type"), typeName);
        if (!type)
            return std::nullopt;
        if (type->namespaceUri == schemaNamespace)
        {
            if (!isArray || (type->localName != "string" && type->localName != "double"))
            {
                error(element, typeName, what + "a simple-typed element must be an array of xs:string or xs:double"
                                                " (single simple values are attributes)");
                return std::nullopt;
            }
            field.form = FieldForm::TextArray;
            field.kind = type->localName == "string" ? ValueKind::String : ValueKind::Double;
            return field;
        }
        field.form = isArray ? FieldForm::ElementArray : FieldForm::Element;
        field.kind = ValueKind::Message;
        field.messageType = *type;
        return field;
    }

    void readGlobalElement(const DOMElement* element, const std::string& targetNamespace, SchemaSet& set)
    {
        checkAttributes(element, {"name", "type"}, "");
        if (!childElements(element, "").empty())
            error(element, "", describe(element) + " must be empty (anonymous types are not supported)");
        const std::string name = attributeOf(element, "name");
        if (name.empty() || !hasAttribute(element, "type"))
        {
            error(element, "", "a global <xs:element> needs a name and a type");
            return;
        }
        if (std::optional<QualifiedName> type = resolve(element, attributeOf(element, "type"), ""))
            set.elements.push_back(GlobalElement{QualifiedName{targetNamespace, name}, *type});
    }

private:
    const ElementLines& fLines;
    std::string fFile;
    Diagnostics& fDiagnostics;
    bool fFieldConstructors = true;
    bool fOptionalAttributes = false;
    bool fCommonLibrary = false;
};

} // namespace

SchemaReader::SchemaReader(const std::string& baseUri, Diagnostics& diagnostics)
    : fSession()
    , fBaseUri(baseUri)
    , fDiagnostics(diagnostics)
{
}

SchemaReader::~SchemaReader() = default;

SchemaSet SchemaReader::readFolder(const fs::path& folder)
{
    fSet = SchemaSet();
    fSet.baseUri = fBaseUri;
    fReadFiles.clear();

    std::error_code failure;
    fFolder = fs::canonical(folder, failure);
    if (failure || !fs::is_directory(fFolder))
    {
        fDiagnostics.error(SourceLocation{folder.string(), 0}, "", "not a folder");
        return fSet;
    }

    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(fFolder))
        if (entry.is_regular_file() && entry.path().extension() == ".xsd")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty())
        fDiagnostics.error(SourceLocation{folder.string(), 0}, "", "the folder holds no .xsd file");

    for (const fs::path& file : files)
    {
        fSet.folderFiles.push_back(file.string());
        readFile(file, Role::Folder, fSet.targetNamespace);
    }
    resolveReferences();
    return fSet;
}

void SchemaReader::readFile(const fs::path& path, Role role, const std::string& expectedNamespace)
{
    const auto known = fReadFiles.find(path);
    if (known != fReadFiles.end())
    {
        if (known->second != role)
            fDiagnostics.error(SourceLocation{path.string(), 0}, "",
                               "a file of the folder cannot also be imported: it belongs to the folder's namespace");
        return;
    }
    fReadFiles[path] = role;
    fSet.readFiles.push_back(path.string());

    const std::string file = path.string();
    xercesc::XercesDOMParser parser;
    ParseErrorCollector errors(fDiagnostics, file);
    parser.setErrorHandler(&errors);
    parser.setDoNamespaces(true);
    parser.setValidationScheme(xercesc::XercesDOMParser::Val_Never);
    parser.setDoSchema(false);
    parser.setLoadExternalDTD(false);
    parser.setDisableDefaultEntityResolution(true);
    parser.setCreateEntityReferenceNodes(false);
    parser.parse(file.c_str());
    if (errors.failed())
        return;

    const xercesc::DOMDocument* document = parser.getDocument();
    const ElementLines lines(document, file);
    SchemaFileReader reader(lines, file, fDiagnostics);
    const DOMElement* schema = document == nullptr ? nullptr : document->getDocumentElement();
    if (schema == nullptr || document->getDoctype() != nullptr || reader.schemaElementName(schema, "") != "schema")
    {
        fDiagnostics.error(SourceLocation{file, 0}, "", "not an XML Schema document (or it has a DOCTYPE)");
        return;
    }
    reader.checkAttributes(schema, {"targetNamespace", "elementFormDefault", "attributeFormDefault", "version",
                                    "gen:fieldConstructors", "gen:optionalAttributes", "gen:commonLibrary"}, "");
    reader.readSchemaMarks(schema);

    const std::string targetNamespace = attributeOf(schema, "targetNamespace");
    if (targetNamespace.empty())
    {
        reader.error(schema, "", "the schema needs a targetNamespace");
        return;
    }
    if (!expectedNamespace.empty() && targetNamespace != expectedNamespace)
    {
        reader.error(schema, "", "targetNamespace \"" + targetNamespace + "\" differs from \"" + expectedNamespace + "\""
                                     + (role == Role::Folder ? " of the folder's other files" : " that names it"));
        return;
    }
    if (role == Role::Folder)
        fSet.targetNamespace = targetNamespace;
    if (attributeOf(schema, "elementFormDefault") != "qualified" || attributeOf(schema, "attributeFormDefault") != "unqualified")
        reader.error(schema, "", "the schema needs elementFormDefault=\"qualified\" and attributeFormDefault=\"unqualified\"");

    for (const DOMElement* child : reader.childElements(schema, ""))
    {
        const std::string kind = reader.schemaElementName(child, "");
        if (kind == "complexType")
        {
            reader.readComplexType(child, targetNamespace, fSet);
        }
        else if (kind == "element")
        {
            reader.readGlobalElement(child, targetNamespace, fSet);
        }
        else if (kind == "include" || kind == "import")
        {
            reader.checkAttributes(child, kind == "include" ? std::set<std::string>{"schemaLocation"}
                                                            : std::set<std::string>{"namespace", "schemaLocation"}, "");
            const std::string location = attributeOf(child, "schemaLocation");
            const std::string importedNamespace = attributeOf(child, "namespace");
            std::error_code failure;
            const fs::path target = location.empty() ? fs::path() : fs::canonical(path.parent_path() / location, failure);
            if (location.empty() || failure)
            {
                reader.error(child, "", "<xs:" + kind + "> needs the schemaLocation of an existing file");
                continue;
            }
            if (kind == "include")
            {
                // The folder's own files are all read anyway.
                if (role == Role::Folder && target.parent_path() != fFolder)
                    reader.error(child, "", "<xs:include> must name a file of the same folder");
                else if (role == Role::Imported)
                    readFile(target, Role::Imported, targetNamespace);
                continue;
            }
            if (importedNamespace.empty() || importedNamespace == targetNamespace)
            {
                reader.error(child, "", "<xs:import> needs the namespace of another schema");
                continue;
            }
            readFile(target, Role::Imported, importedNamespace);
        }
        else if (!kind.empty())
        {
            reader.error(child, "", "<xs:" + kind + "> is not supported in a schema");
        }
    }
}

void SchemaReader::resolveReferences()
{
    // An element that names no known global element keeps an empty type;
    // the checker reports it with the other unknown names.
    for (ComplexType& type : fSet.types)
        for (Field& field : type.fields)
            if (field.globalReference)
                if (const GlobalElement* element = fSet.findElement(field.elementReference))
                    field.messageType = element->type;
}

} // namespace Xsdgen
