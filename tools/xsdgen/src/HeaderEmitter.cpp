#include "HeaderEmitter.hpp"

#include <set>

#include "Accessors.hpp"
#include "CodeText.hpp"
#include "Naming.hpp"
#include "Printer.hpp"
#include "Runtime.hpp"

namespace Xsdgen {

namespace {

const int classBodyIndent = 4;

class HeaderWriter
{
public:
    explicit HeaderWriter(const CppType& type)
        : fType(type)
        , fPrinter()
    {
    }

    std::string write()
    {
        const std::string guard = Naming::includeGuard(fType.headerPath);
        fPrinter.print(CodeText::generatedNotice(fType.schemaFileName));
        fPrinter.print("#ifndef $guard$\n#define $guard$\n\n", {{"guard", guard}});
        writeIncludes();
        writeForwardDeclarations();
        CodeText::openNamespaces(fPrinter, fType.namespaceSegments);
        fPrinter.print("\n");
        writeImplementationClass();
        fPrinter.print("\n");
        writePublicClass();
        fPrinter.print("\n");
        CodeText::closeNamespaces(fPrinter, fType.namespaceSegments);
        fPrinter.print("\n#endif\n");
        return fPrinter.text();
    }

private:
    void writeIncludes()
    {
        fPrinter.print("#include <string>\n");
        if (fType.hasArrays())
            fPrinter.print("#include <vector>\n");
        fPrinter.print("\n");

        std::set<std::string> framework{Runtime::baseObject.header, Runtime::handle.header, Runtime::exportHeader};
        if (fType.uses(ValueKind::DateTime))
            framework.insert(Runtime::dateTime.header);
        for (const std::string& header : framework)
            fPrinter.print("#include <$header$>\n", {{"header", header}});

        std::set<std::string> children = fType.childHeaders;
        children.erase(fType.headerPath);
        if (!children.empty())
            fPrinter.print("\n");
        for (const std::string& header : children)
            fPrinter.print("#include <$header$>\n", {{"header", header}});
        fPrinter.print("\n");
    }

    void writeForwardDeclarations()
    {
        // XMLNode and XmlStream share one namespace.
        const std::vector<std::string> xmlNamespace = Runtime::xmlNode.namespaceSegments();
        CodeText::openNamespaces(fPrinter, xmlNamespace);
        fPrinter.print("\nclass $node$;\nclass $stream$;\n\n",
                       {{"node", Runtime::xmlNode.unqualified()}, {"stream", Runtime::xmlStream.unqualified()}});
        CodeText::closeNamespaces(fPrinter, xmlNamespace);
        fPrinter.print("\n");
    }

    void writeImplementationClass()
    {
        const Printer::Variables names{
            {"class", fType.className}, {"impl", fType.implName}, {"export", Runtime::exportMacro}, {"base", Runtime::baseObject.qualified}};
        fPrinter.print("// Holds the fields of $class$ messages and writes and reads their XML.\n"
                       "// All copies of one $class$ share one $impl$.\n"
                       "class $export$ $impl$ : public $base$\n"
                       "{\n"
                       "public:\n",
                       names);
        fPrinter.indent();
        fPrinter.print("$impl$();\n", names);
        writeFieldConstructorDeclaration(fType.implName);
        fPrinter.print("$impl$(const $impl$& other);\n"
                       "$impl$& operator=(const $impl$&) = delete;\n"
                       "virtual ~$impl$();\n"
                       "\n"
                       "// A new object with fresh strings, values and arrays; children and\n"
                       "// array entries are shared with this one.\n"
                       "$impl$* reallyClone() override;\n",
                       names);
        writeAccessorDeclarations();
        writeXmlDeclarations();
        fPrinter.outdent();

        if (!fType.fields.empty())
        {
            fPrinter.print("\nprivate:\n");
            fPrinter.indent();
            for (const CppField& field : fType.fields)
            {
                fPrinter.print("$type$ $member$;\n", {{"type", field.memberType}, {"member", field.member}});
                if (field.field->optional)
                    fPrinter.print("bool $flag$;\n", {{"flag", field.flagMember}});
            }
            fPrinter.outdent();
        }
        fPrinter.print("};\n");
    }

    void writePublicClass()
    {
        const Printer::Variables names{
            {"class", fType.className}, {"impl", fType.implName}, {"export", Runtime::exportMacro}, {"handle", Runtime::handle.qualified}};
        fPrinter.print("// The $class$ message. Copies share one $impl$,\n"
                       "// so a change made through one copy shows through every other.\n"
                       "class $export$ $class$ : public $handle$<$impl$>\n"
                       "{\n"
                       "public:\n",
                       names);
        fPrinter.indent();
        fPrinter.print("$class$();\n", names);
        writeFieldConstructorDeclaration(fType.className);
        fPrinter.print("$class$(const $class$& other);\n"
                       "$class$& operator=(const $class$& other);\n"
                       "~$class$() override;\n",
                       names);
        writeAccessorDeclarations();
        writeXmlDeclarations();
        fPrinter.outdent();
        fPrinter.print("};\n");
    }

    void writeFieldConstructorDeclaration(const std::string& className)
    {
        if (!fType.hasFieldConstructor())
            return;
        // Not explicit: a response converts from its ServiceData, as any
        // one-field message does from its field.
        const std::vector<std::string> parameters = CodeText::constructorParameters(fType);
        fPrinter.print("$declaration$;\n",
                       {{"declaration", CodeText::callText(className, parameters, classBodyIndent)}});
    }

    void writeAccessorDeclarations()
    {
        for (const CppField& field : fType.fields)
        {
            fPrinter.print("\n");
            for (const Accessor& accessor : accessorsOf(field))
                fPrinter.print("$signature$;\n", {{"signature", accessor.signature()}});
        }
    }

    void writeXmlDeclarations()
    {
        fPrinter.print("\n"
                       "// Writes this message as one element named elementName.\n"
                       "void outputXML($stream$& stream, const std::string& elementName) const;\n"
                       "// Reads the node's attributes and children into this message.\n"
                       "void parse(const $node$& node);\n",
                       {{"stream", Runtime::xmlStream.qualified}, {"node", Runtime::xmlNode.qualified}});
    }

    const CppType& fType;
    Printer fPrinter;
};

} // namespace

std::string emitHeader(const CppType& type)
{
    return HeaderWriter(type).write();
}

} // namespace Xsdgen
