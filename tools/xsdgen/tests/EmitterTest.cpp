#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "SchemaFolders.hpp"

namespace {

namespace fs = std::filesystem;
using Xsdgen::Testing::cadSchema;

const char* const operationSchema =
    "  <xs:complexType name=\"Entry\">\n"
    "    <xs:attribute name=\"key\" type=\"xs:int\" use=\"required\"/>\n"
    "    <xs:attribute name=\"today\" type=\"xs:boolean\" use=\"required\" gen:initial=\"false\"/>\n"
    "  </xs:complexType>\n"
    "  <xs:complexType name=\"EntriesInput\">\n"
    "    <xs:sequence>\n"
    "      <xs:element name=\"entries\" type=\"tns:Entry\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
    "    </xs:sequence>\n"
    "  </xs:complexType>\n"
    "  <xs:complexType name=\"EntriesResponse\">\n"
    "    <xs:sequence>\n"
    "      <xs:element ref=\"base:ServiceData\"/>\n"
    "    </xs:sequence>\n"
    "  </xs:complexType>\n";

class XsdgenEmitters : public Xsdgen::Testing::SchemaFolders
{
protected:
    std::string text(const std::string& type, const std::string& extension)
    {
        std::ifstream input(output(type, extension));
        std::stringstream content;
        content << input.rdbuf();
        return content.str();
    }

    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(XsdgenEmitters, FieldConstructorsOnlyForTypesWithSingleFields)
{
    write("cad/Ops.xsd", cadSchema(operationSchema));
    ASSERT_EQ(generate(), "");
    EXPECT_TRUE(has(text("Entry", ".hpp"), "    Entry(int key, bool today);\n"));
    EXPECT_FALSE(has(text("EntriesInput", ".hpp"), "EntriesInput(const std::vector"));
    EXPECT_TRUE(has(text("EntriesResponse", ".hpp"),
                    "    explicit EntriesResponse(const ::Brisvale::Schemas::Soa::_2006_03::Base::ServiceData& serviceData);\n"));
}

TEST_F(XsdgenEmitters, DefaultConstructorGivesEveryScalarAValueAndKeepsTheDocumentedOrder)
{
    write("cad/Ops.xsd", cadSchema(operationSchema));
    ASSERT_EQ(generate(), "");
    EXPECT_TRUE(has(text("Entry", ".cpp"), "EntryImpl::EntryImpl()\n"
                                           "    : ::Brisvale::Soa::Common::Xml::BaseObject()\n"
                                           "    , fKey(0)\n"
                                           "    , fToday(false)\n"
                                           "{\n"
                                           "    namespaceUri = \"http://brisvale.example/Schemas/Cad/2007-01/DataManagement\";\n"
                                           "    fToday = false;\n"
                                           "}\n"));
}

TEST_F(XsdgenEmitters, LeafAndResultBlockFollowTheWritingRules)
{
    write("cad/Ops.xsd", cadSchema(operationSchema));
    ASSERT_EQ(generate(), "");
    const std::string leaf = text("Entry", ".cpp");
    EXPECT_TRUE(has(leaf, "stream << stream.writeOpenElementClose(namespaceUri, true);\n"));
    EXPECT_FALSE(has(leaf, "getNamespacePrefix")) << "a leaf asks for no prefix";
    EXPECT_FALSE(has(leaf, "writeCloseElement")) << "a leaf closes itself";
    EXPECT_FALSE(has(leaf, "getChildren")) << "a leaf ignores child nodes";

    const std::string response = text("EntriesResponse", ".cpp");
    EXPECT_TRUE(has(response, "fServiceData.outputXML(stream, \"ServiceData\");\n"));
    EXPECT_TRUE(has(response, "Monitor::markStart(\"Brisvale::Schemas::Cad::_2007_01::Datamanagement::EntriesResponse::parse\");"))
        << "marks name the public class";
}

TEST_F(XsdgenEmitters, NoFieldConstructorsOption)
{
    write("cad/Ops.xsd", cadSchema(operationSchema));
    Xsdgen::GeneratorOptions options;
    options.baseUri = "http://brisvale.example";
    options.schemaDir = (fRoot / "cad").string();
    options.outputDir = (fRoot / "out").string();
    options.emitter.fieldConstructors = false;
    std::ostringstream messages;
    ASSERT_TRUE(Xsdgen::generate(options, messages)) << messages.str();
    EXPECT_FALSE(has(text("Entry", ".hpp"), "Entry(int key"));
    EXPECT_FALSE(has(text("Entry", ".cpp"), "Entry(int key"));
}

} // namespace
