#include "SourceEmitter.hpp"

#include <algorithm>
#include <set>
#include <string>

#include "Accessors.hpp"
#include "CodeText.hpp"
#include "Printer.hpp"
#include "Runtime.hpp"

namespace Xsdgen {

namespace {

class SourceWriter
{
public:
    SourceWriter(const CppType& type, SourceShare share)
        : fType(type)
        , fShare(share)
        , fPrinter()
        , fNames{{"class", type.className},
                 {"impl", type.implName},
                 {"uri", CodeText::literal(type.type->name.namespaceUri)},
                 {"outputMark", CodeText::literal(type.qualifiedClassName + "::outputXML")},
                 {"parseMark", CodeText::literal(type.qualifiedClassName + "::parse")}}
    {
    }

    std::string write()
    {
        fPrinter.print(CodeText::generatedNotice(fType.schemaFileName));
        fPrinter.print("#include <$header$>\n\n", {{"header", fType.headerPath}});
        writeIncludesAndUsings();
        fPrinter.print("\n");

        fPrinter.print("// $impl$\n\n", fNames);
        if (writesCommonShare())
        {
            writeDefaultConstructor();
            writeFieldConstructor();
        }
        if (writesMessageShare())
        {
            writeCopyConstructor();
            fPrinter.print("$impl$::~$impl$() = default;\n", fNames);
        }
        if (writesCommonShare())
        {
            fPrinter.print("\n$impl$* $impl$::reallyClone()\n"
                           "{\n"
                           "    return new $impl$(*this);\n"
                           "}\n",
                           fNames);
            writeImplementationAccessors();
            writeOutputXml();
            writeParse();
        }

        fPrinter.print("\n// $class$\n\n", fNames);
        if (writesCommonShare())
            writePublicDefaultConstructor();
        if (writesMessageShare())
        {
            writePublicConstructors();
            writeForwardingAccessors();
            writeForwardingXml();
        }
        fPrinter.print("\n");
        CodeText::closeNamespaces(fPrinter, fType.namespaceSegments);
        if (writesMessageShare())
            writeHandleInstance();
        return fPrinter.text();
    }

private:
    bool writesMessageShare() const { return fShare != SourceShare::CommonLibrary; }
    bool writesCommonShare() const { return fShare != SourceShare::MessageLibrary; }

    void writeHandleInstance()
    {
        const std::string handle = "template class " + std::string(Runtime::handle.qualified) + "<";
        const std::string impl = "::" + fType.qualifiedClassName + "Impl>;";
        fPrinter.print("\n// Emits every member of this handle instance into the library.\n"
                       "$handle$$break$$impl$\n",
                       {{"handle", handle},
                        {"break", handle.size() + impl.size() > CodeText::lineLimit ? "\n    " : ""},
                        {"impl", impl}});
    }

    bool writesStrings() const
    {
        for (const CppField& field : fType.fields)
            if (field.field->kind == ValueKind::String)
                return true;
        return false;
    }

    bool convertsValues() const
    {
        for (const CppField& field : fType.fields)
        {
            const ValueKind kind = field.field->kind;
            if (kind == ValueKind::Bool || kind == ValueKind::Int || kind == ValueKind::DateTime || kind == ValueKind::Double)
                return true;
        }
        return false;
    }

    void writeIncludesAndUsings()
    {
        std::vector<Runtime::Name> names{Runtime::xmlNode, Runtime::xmlStream, Runtime::monitor};
        if (!fType.type->isLeaf())
        {
            names.push_back(Runtime::domException);
        }
        if (writesStrings())
            names.push_back(Runtime::toXmlString);
        if (convertsValues())
            names.push_back(Runtime::lexicalCast);
        std::set<std::string> headers;
        std::set<std::string> usings;
        for (const Runtime::Name& name : names)
        {
            headers.insert(name.header);
            usings.insert(name.qualified);
        }

        for (const std::string& header : headers)
            fPrinter.print("#include <$header$>\n", {{"header", header}});
        fPrinter.print("\n");
        CodeText::openNamespaces(fPrinter, fType.namespaceSegments);
        fPrinter.print("\n");
        for (const std::string& name : usings)
            fPrinter.print("using $name$;\n", {{"name", name}});
    }

    // "    : BaseObject()\n    , fName()\n..." with the given initialiser per field.
    void writeInitialisers(const std::vector<std::pair<std::string, std::string>>& initialisers)
    {
        fPrinter.indent();
        for (std::size_t i = 0; i < initialisers.size(); ++i)
            fPrinter.print("$separator$ $member$($value$)\n", {{"separator", i == 0 ? ":" : ","},
                                                                {"member", initialisers[i].first},
                                                                {"value", initialisers[i].second}});
        fPrinter.outdent();
    }

    void writeDefaultConstructor()
    {
        std::vector<std::pair<std::string, std::string>> initialisers{{Runtime::baseObject.qualified, ""}};
        for (const CppField& field : fType.fields)
        {
            const ValueKind kind = field.field->kind;
            std::string initial;
            if (!field.field->isArray() && kind == ValueKind::Bool)
                initial = "false";
            else if (!field.field->isArray() && kind == ValueKind::Int)
                initial = "0";
            initialisers.emplace_back(field.member, initial);
            if (field.field->optional)
                initialisers.emplace_back(field.flagMember, "false");
        }

        fPrinter.print("$impl$::$impl$()\n", fNames);
        writeInitialisers(initialisers);
        fPrinter.print("{\n"
                       "    namespaceUri = $uri$;\n",
                       fNames);
        for (const CppField& field : fType.fields)
            if (field.field->startsFalse)
                fPrinter.print("    $member$ = false;\n", {{"member", field.member}});
        fPrinter.print("}\n\n");
    }

    void writeFieldConstructor()
    {
        if (!fType.hasFieldConstructor())
            return;
        std::vector<std::pair<std::string, std::string>> initialisers{{Runtime::baseObject.qualified, ""}};
        for (const CppField& field : fType.fields)
        {
            initialisers.emplace_back(field.member, field.field->isArray() ? "" : field.parameter);
            if (field.field->optional)
                initialisers.emplace_back(field.flagMember, "true");
        }

        const std::string head = fType.implName + "::" + fType.implName;
        fPrinter.print("$signature$\n", {{"signature", CodeText::callText(head, CodeText::constructorParameters(fType), 0)}});
        writeInitialisers(initialisers);
        fPrinter.print("{\n"
                       "    namespaceUri = $uri$;\n"
                       "}\n\n",
                       fNames);
    }

    void writeCopyConstructor()
    {
        std::vector<std::pair<std::string, std::string>> initialisers{{Runtime::baseObject.qualified, "other"}};
        for (const CppField& field : fType.fields)
        {
            initialisers.emplace_back(field.member, "other." + field.member);
            if (field.field->optional)
                initialisers.emplace_back(field.flagMember, "other." + field.flagMember);
        }
        fPrinter.print("$impl$::$impl$(const $impl$& other)\n", fNames);
        writeInitialisers(initialisers);
        fPrinter.print("{\n}\n\n", fNames);
    }

    void writeImplementationAccessors()
    {
        for (const CppField& field : fType.fields)
        {
            for (const Accessor& accessor : accessorsOf(field))
            {
                fPrinter.print("\n$signature$\n{\n", {{"signature", accessor.signature(fType.implName)}});
                fPrinter.indent();
                for (const std::string& statement : accessor.implementation)
                    fPrinter.print("$statement$\n", {{"statement", statement}});
                fPrinter.outdent();
                fPrinter.print("}\n");
            }
        }
    }

    void writeOutputXml()
    {
        fPrinter.print("\nvoid $impl$::outputXML(XmlStream& stream, const std::string& elementName) const\n"
                       "{\n",
                       fNames);
        fPrinter.indent();
        fPrinter.print("const bool root = stream.isRootElement();\n"
                       "if (root)\n"
                       "    Monitor::markStart($outputMark$);\n"
                       "\n"
                       "stream << stream.writeOpenElement(namespaceUri, elementName);\n",
                       fNames);
        for (const CppField& field : fType.fields)
            if (!field.field->isChild())
                writeAttributeOutput(field);

        const bool leaf = fType.type->isLeaf();
        fPrinter.print("stream << stream.writeOpenElementClose(namespaceUri, $leaf$);\n", {{"leaf", leaf ? "true" : "false"}});
        if (!leaf)
            writeChildrenOutput();

        fPrinter.print("\n"
                       "if (root)\n"
                       "    Monitor::markEnd($outputMark$);\n",
                       fNames);
        fPrinter.outdent();
        fPrinter.print("}\n");
    }

    void writeAttributeOutput(const CppField& field)
    {
        const std::string conversion = field.field->kind == ValueKind::String ? "toXmlString" : "lexical_cast<std::string>";
        const Printer::Variables variables{{"name", CodeText::literal(field.field->xmlName)},
                                           {"text", conversion + "(" + field.member + ")"},
                                           {"flag", field.flagMember}};
        if (field.field->optional)
        {
            fPrinter.print("if ($flag$)\n", variables);
            fPrinter.indent();
        }
        fPrinter.print("stream << stream.writeAttribute($name$, $text$);\n", variables);
        if (field.field->optional)
            fPrinter.outdent();
    }

    void writeChildrenOutput()
    {
        bool prefixUsed = false;
        for (const CppField& field : fType.fields)
            prefixUsed = prefixUsed || (field.field->isChild() && !field.field->globalReference);

        // The names of child elements are built in one buffer, long enough
        // for the longest of them, so that no child costs an allocation.
        std::size_t longestChildName = 0;
        for (const CppField& field : fType.fields)
            if (field.field->isChild() && !field.field->globalReference
                && (field.field->form == FieldForm::Element || field.field->form == FieldForm::ElementArray))
                longestChildName = std::max(longestChildName, field.field->xmlName.size());

        fPrinter.print("\n");
        if (prefixUsed)
            fPrinter.print("const std::string prefix = stream.getNamespacePrefix(namespaceUri) + \":\";\n");
        if (longestChildName > 0)
            fPrinter.print("std::string childName;\n"
                           "childName.reserve(prefix.size() + $length$);\n",
                           {{"length", std::to_string(longestChildName)}});
        if (!prefixUsed)
            fPrinter.print("// Every element with content asks for its prefix, even when, as here, no child uses it.\n"
                           "stream.getNamespacePrefix(namespaceUri);\n");

        for (const CppField& field : fType.fields)
        {
            if (!field.field->isChild())
                continue;
            const Printer::Variables variables{{"member", field.member},
                                               {"name", CodeText::literal(field.field->xmlName)},
                                               {"tagName", CodeText::literal(field.field->xmlName + ">")},
                                               {"type", field.valueType}};
            if (field.field->globalReference)
            {
                fPrinter.print("$member$.outputXML(stream, $name$);\n", variables);
            }
            else if (field.field->form == FieldForm::Element)
            {
                fPrinter.print("$member$.outputXML(stream, childName.assign(prefix).append($name$));\n", variables);
            }
            else if (field.field->form == FieldForm::ElementArray)
            {
                // The entries share one element name, made once.
                fPrinter.print("if (!$member$.empty())\n"
                               "{\n"
                               "    childName.assign(prefix).append($name$);\n"
                               "    for (const $type$& entry : $member$)\n"
                               "        entry.outputXML(stream, childName);\n"
                               "}\n",
                               variables);
            }
            else
            {
                const bool isString = field.field->kind == ValueKind::String;
                fPrinter.print(isString ? "for (const std::string& value : $member$)\n" : "for (double value : $member$)\n",
                               variables);
                fPrinter.print(isString ? "    stream << \"<\" << prefix << $tagName$ << toXmlString(value) << \"</\" << prefix << $tagName$;\n"
                                        : "    stream << \"<\" << prefix << $tagName$ << lexical_cast<std::string>(value) << \"</\" << prefix << $tagName$;\n",
                               variables);
            }
        }
        fPrinter.print("stream << stream.writeCloseElement(namespaceUri, elementName);\n");
    }

    void writeParse()
    {
        fPrinter.print("\nvoid $impl$::parse(const XMLNode& node)\n"
                       "{\n",
                       fNames);
        fPrinter.indent();
        fPrinter.print("const bool root = node.getParent() == nullptr;\n"
                       "if (root)\n"
                       "    Monitor::markStart($parseMark$);\n",
                       fNames);

        bool first = true;
        for (const CppField& field : fType.fields)
        {
            if (field.field->isChild())
                continue;
            if (first)
                fPrinter.print("\n");
            first = false;
            writeAttributeParse(field);
        }
        if (!fType.type->isLeaf())
            writeChildrenParse();

        fPrinter.print("\n"
                       "if (root)\n"
                       "    Monitor::markEnd($parseMark$);\n",
                       fNames);
        fPrinter.outdent();
        fPrinter.print("}\n");
    }

    void writeAttributeParse(const CppField& field)
    {
        const std::string name = CodeText::literal(field.field->xmlName);
        std::string value = "node.getAttr(" + name + ")";
        if (field.field->kind == ValueKind::Bool)
            value = "lexical_cast<bool>(" + value + ")";
        else if (field.field->kind == ValueKind::Int)
            value = "lexical_cast<int>(" + value + ")";
        else if (field.field->kind == ValueKind::DateTime)
            value = "lexical_cast<" + std::string(Runtime::dateTime.qualified) + ">(" + value + ")";

        const Printer::Variables variables{{"name", CodeText::literal(field.field->xmlName)},
                                           {"setter", setterName(field)},
                                           {"value", value}};
        if (field.field->optional)
        {
            // An optional attribute that is missing keeps its value and its flag.
            fPrinter.print("if (node.hasAttr($name$))\n", variables);
            fPrinter.indent();
        }
        if (field.field->kind == ValueKind::String && !field.field->optional)
        {
            // The node hands out a copy of the text: move it into the field
            // rather than copy it once more through the setter.
            fPrinter.print("$member$ = $value$;\n", {{"member", field.member}, {"value", value}});
            return;
        }
        fPrinter.print("$setter$($value$);\n", variables);
        if (field.field->optional)
            fPrinter.outdent();
    }

    void writeChildrenParse()
    {
        fPrinter.print("\n"
                       "for (const XMLNode* child : node.getChildren())\n"
                       "{\n");
        fPrinter.indent();
        fPrinter.print("const std::string& childName = child->getName();\n");
        bool first = true;
        for (const CppField& field : fType.fields)
        {
            if (!field.field->isChild())
                continue;
            fPrinter.print("$else$if (childName == $name$)\n{\n",
                           {{"else", first ? "" : "else "}, {"name", CodeText::literal(field.field->xmlName)}});
            first = false;
            fPrinter.indent();
            const Printer::Variables variables{{"member", field.member}, {"type", field.valueType}, {"add", adderName(field)}};
            if (field.field->form == FieldForm::Element)
                fPrinter.print("$member$.parse(*child);\n", variables);
            else if (field.field->form == FieldForm::ElementArray)
                fPrinter.print("$type$ entry;\n"
                               "entry.parse(*child);\n"
                               "$add$(entry);\n",
                               variables);
            else if (field.field->kind == ValueKind::String)
                fPrinter.print("$add$(child->getText());\n", variables);
            else
                fPrinter.print("$add$(lexical_cast<double>(child->getText()));\n", variables);
            fPrinter.outdent();
            fPrinter.print("}\n");
        }
        fPrinter.print("else\n"
                       "{\n"
                       "    throw DomException(\"Unexpected node name: \" + childName);\n"
                       "}\n");
        fPrinter.outdent();
        fPrinter.print("}\n");
    }

    std::string handleName() const
    {
        return std::string(Runtime::handle.qualified) + "<" + fType.implName + ">";
    }

    void writePublicDefaultConstructor()
    {
        fPrinter.print("$class$::$class$()\n"
                       "    : $handle$(new $impl$())\n"
                       "{\n"
                       "}\n\n",
                       {{"class", fType.className}, {"impl", fType.implName}, {"handle", handleName()}});
    }

    void writePublicConstructors()
    {
        const std::string handle = handleName();
        const Printer::Variables variables{{"class", fType.className}, {"impl", fType.implName}, {"handle", handle}};

        if (fType.hasFieldConstructor())
        {
            std::vector<std::string> arguments;
            for (const CppField& field : fType.fields)
                if (!field.field->isArray())
                    arguments.push_back(field.parameter);
            const std::string head = fType.className + "::" + fType.className;
            fPrinter.print("$signature$\n", {{"signature", CodeText::callText(head, CodeText::constructorParameters(fType), 0)}});
            const std::string initialiser = "    : " + handle + "(";
            std::string creation = CodeText::callText("new " + fType.implName, arguments, 0);
            if (initialiser.size() + creation.size() + 1 > CodeText::lineLimit)
            {
                // Too long for one line: the creation goes on the next lines.
                const std::string indent = "          ";
                creation = "\n" + indent + CodeText::callText("new " + fType.implName, arguments, indent.size());
                std::string::size_type position = 0;
                while ((position = creation.find('\n', position + 1)) != std::string::npos)
                    creation.insert(position + 1, indent);
            }
            fPrinter.print("$initialiser$$creation$)\n{\n}\n\n", {{"initialiser", initialiser}, {"creation", creation}});
        }

        fPrinter.print("$class$::$class$(const $class$& other)\n"
                       "    : $handle$(other)\n"
                       "{\n"
                       "}\n\n"
                       "$class$& $class$::operator=(const $class$& other)\n"
                       "{\n"
                       "    $handle$::operator=(other);\n"
                       "    return *this;\n"
                       "}\n\n"
                       "$class$::~$class$() = default;\n",
                       variables);
    }

    void writeForwardingAccessors()
    {
        for (const CppField& field : fType.fields)
        {
            for (const Accessor& accessor : accessorsOf(field))
            {
                const std::string keyword = accessor.returnType == "void" ? "" : "return ";
                fPrinter.print("\n$signature$\n"
                               "{\n"
                               "    $return$getHandleObject().$call$;\n"
                               "}\n",
                               {{"signature", accessor.signature(fType.className)}, {"return", keyword}, {"call", accessor.call()}});
            }
        }
    }

    void writeForwardingXml()
    {
        fPrinter.print("\n"
                       "void $class$::outputXML(XmlStream& stream, const std::string& elementName) const\n"
                       "{\n"
                       "    getHandleObject().outputXML(stream, elementName);\n"
                       "}\n"
                       "\n"
                       "void $class$::parse(const XMLNode& node)\n"
                       "{\n"
                       "    getHandleObject().parse(node);\n"
                       "}\n",
                       fNames);
    }

    const CppType& fType;
    SourceShare fShare;
    Printer fPrinter;
    Printer::Variables fNames;
};

} // namespace

std::string emitSource(const CppType& type, SourceShare share)
{
    return SourceWriter(type, share).write();
}

} // namespace Xsdgen
