#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "SchemaFolders.hpp"

namespace {

namespace fs = std::filesystem;
using Xsdgen::Testing::cadSchema;
using XsdgenSchemas = Xsdgen::Testing::SchemaFolders;

TEST_F(XsdgenSchemas, UnknownTypesAndReferencesAreRefusedWithFileLineAndType)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"PartInfo\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:element name=\"item\" type=\"base:Item\"/>\n"
                                   "      <xs:element ref=\"base:ResultData\"/>\n"
                                   "    </xs:sequence>\n"
                                   "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("Ops.xsd:10: type PartInfo: field \"item\": unknown type "
                            "{http://brisvale.example/Schemas/Soa/2006-03/Base}Item"), std::string::npos) << messages;
    EXPECT_NE(messages.find("Ops.xsd:11: type PartInfo: element reference \"ResultData\""), std::string::npos) << messages;
    EXPECT_FALSE(fs::exists(fRoot / "out")) << "a refused folder writes nothing";
}

TEST_F(XsdgenSchemas, ServiceDataMustBeLast)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"PartsResponse\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:element ref=\"base:ServiceData\"/>\n"
                                   "      <xs:element name=\"output\" type=\"base:ModelObject\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                   "    </xs:sequence>\n"
                                   "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("type PartsResponse: the element reference \"ServiceData\" must be the last"), std::string::npos)
        << messages;
}

TEST_F(XsdgenSchemas, NamespaceMustBeUnderTheBaseUri)
{
    std::string schema = cadSchema("  <xs:complexType name=\"PartInfo\"/>\n");
    const std::string from = "http://brisvale.example/Schemas/Cad";
    for (std::string::size_type at = schema.find(from); at != std::string::npos; at = schema.find(from, at))
        schema.replace(at, from.size(), "http://other.example/Schemas/Cad");
    write("cad/Ops.xsd", schema);
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("type PartInfo: namespace \"http://other.example/Schemas/Cad/2007-01/DataManagement\" is not"
                            " a path under the base URI"), std::string::npos) << messages;
}

TEST_F(XsdgenSchemas, RecursiveContainmentIsRefused)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"Node\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:element name=\"parent\" type=\"tns:Link\"/>\n"
                                   "    </xs:sequence>\n"
                                   "  </xs:complexType>\n"
                                   "  <xs:complexType name=\"Link\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:element name=\"nodes\" type=\"tns:Node\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                   "    </xs:sequence>\n"
                                   "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("type Node: recursive containment: Node -> Link -> Node"), std::string::npos) << messages;
}

TEST_F(XsdgenSchemas, NameClashesAreRefused)
{
    write("cad/First.xsd", cadSchema("  <xs:complexType name=\"PartInfo\"/>\n"
                                     "  <xs:complexType name=\"Part\"/>\n"));
    write("cad/Second.xsd", cadSchema("  <xs:complexType name=\"PartInfo\"/>\n"
                                      "  <xs:complexType name=\"PartImpl\"/>\n"
                                      "  <xs:complexType name=\"QueryInput\">\n"
                                      "    <xs:sequence>\n"
                                      "      <xs:element name=\"inputs\" type=\"xs:string\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                      "    </xs:sequence>\n"
                                      "    <xs:attribute name=\"inputArray\" type=\"xs:string\" use=\"required\"/>\n"
                                      "    <xs:attribute name=\"handleObject\" type=\"xs:string\" use=\"required\"/>\n"
                                      "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("Second.xsd:8: type PartInfo: class PartInfo is generated for type PartInfo too"),
              std::string::npos) << messages;
    EXPECT_NE(messages.find("type PartImpl: class PartImpl is generated for type Part too"), std::string::npos) << messages;
    EXPECT_NE(messages.find("type QueryInput: field \"inputs\": accessor getInputArray is also generated for field "
                            "\"inputArray\""), std::string::npos) << messages;
    EXPECT_NE(messages.find("field \"handleObject\": accessor getHandleObject would hide"), std::string::npos) << messages;
}

TEST_F(XsdgenSchemas, NamesMustMakeCppNames)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"partInfo\"/>\n"
                                   "  <xs:complexType name=\"PartInfo\">\n"
                                   "    <xs:attribute name=\"client-id\" type=\"xs:string\" use=\"required\"/>\n"
                                   "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("Ops.xsd:8: type partInfo: the name must start with an upper-case"), std::string::npos) << messages;
    EXPECT_NE(messages.find("Ops.xsd:10: type PartInfo: field \"client-id\": the name must start"), std::string::npos)
        << messages;
}

TEST_F(XsdgenSchemas, ConstructsOutsideTheSubsetAreRefused)
{
    write("cad/Ops.xsd", cadSchema("  <xs:simpleType name=\"Code\"><xs:restriction base=\"xs:string\"/></xs:simpleType>\n"
                                   "  <xs:complexType name=\"PartInfo\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:choice/>\n"
                                   "      <xs:element name=\"note\" type=\"xs:string\"/>\n"
                                   "      <xs:element name=\"counts\" type=\"xs:int\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                   "      <xs:element name=\"items\" type=\"base:ModelObject\" maxOccurs=\"5\"/>\n"
                                   "    </xs:sequence>\n"
                                   "    <xs:attribute name=\"weight\" type=\"xs:double\" use=\"required\"/>\n"
                                   "    <xs:attribute name=\"today\" type=\"xs:boolean\" use=\"required\" gen:initial=\"true\"/>\n"
                                   "    <xs:attribute name=\"code\" type=\"xs:string\"/>\n"
                                   "    <xs:attribute name=\"unitNo\" type=\"xs:int\" use=\"required\" fixed=\"1\"/>\n"
                                   "  </xs:complexType>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    for (const char* expected : {"Ops.xsd:8: <xs:simpleType> is not supported in a schema",
                                 "Ops.xsd:11: type PartInfo: <xs:choice> is not supported in a sequence",
                                 "Ops.xsd:12: type PartInfo: element \"note\": a simple-typed element must be an array",
                                 "Ops.xsd:13: type PartInfo: element \"counts\": a simple-typed element must be an array",
                                 "Ops.xsd:14: type PartInfo: element \"items\": occurrences must be",
                                 "Ops.xsd:16: type PartInfo: attribute \"weight\": type \"xs:double\" is not supported",
                                 "Ops.xsd:17: type PartInfo: attribute \"today\": the only initial value allowed",
                                 "Ops.xsd:18: type PartInfo: attribute \"code\": needs use=\"required\"",
                                 "Ops.xsd:19: type PartInfo: attribute fixed on <xs:attribute name=\"unitNo\"> is not supported"})
        EXPECT_NE(messages.find(expected), std::string::npos) << expected << "\n" << messages;
}

TEST_F(XsdgenSchemas, OptionalAttributesNeedTheMark)
{
    const std::string type = "  <xs:complexType name=\"PartInfo\">\n"
                             "    <xs:attribute name=\"clientId\" type=\"xs:string\" use=\"optional\"/>\n"
                             "  </xs:complexType>\n";
    write("cad/Ops.xsd", cadSchema(type));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("Ops.xsd:9: type PartInfo: attribute \"clientId\": use=\"optional\" needs"
                            " gen:optionalAttributes=\"true\""), std::string::npos) << messages;

    std::string marked = cadSchema(type);
    marked.replace(marked.find("elementFormDefault"), 0, "gen:optionalAttributes=\"true\" ");
    write("cad/Ops.xsd", marked);
    EXPECT_EQ(generate(), "");
    EXPECT_TRUE(fSucceeded);
}

TEST_F(XsdgenSchemas, MalformedFilesNameTheLine)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"PartInfo\">\n"
                                   "  </xs:complexTyp>\n"));
    const std::string messages = generate();
    EXPECT_FALSE(fSucceeded);
    EXPECT_NE(messages.find("Ops.xsd:9: not well-formed XML"), std::string::npos) << messages;
}

TEST_F(XsdgenSchemas, RewritesOnlyTheFilesThatChange)
{
    const std::string pair = "  <xs:complexType name=\"Pair\">\n"
                             "    <xs:attribute name=\"name\" type=\"xs:string\" use=\"required\"/>\n"
                             "  </xs:complexType>\n";
    write("cad/Ops.xsd", cadSchema(pair + "  <xs:complexType name=\"PairsResponse\">\n"
                                          "    <xs:sequence>\n"
                                          "      <xs:element name=\"pairs\" type=\"tns:Pair\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                          "      <xs:element ref=\"base:ServiceData\"/>\n"
                                          "    </xs:sequence>\n"
                                          "  </xs:complexType>\n"));
    ASSERT_EQ(generate(), "");
    ASSERT_TRUE(fs::exists(output("Pair", ".hpp")));
    ASSERT_TRUE(fs::exists(output("PairsResponse", ".cpp")));

    const fs::file_time_type old = fs::last_write_time(output("Pair", ".hpp")) - std::chrono::hours(1);
    for (const char* type : {"Pair", "PairsResponse"})
        for (const char* extension : {".hpp", ".cpp"})
            fs::last_write_time(output(type, extension), old);

    ASSERT_EQ(generate(), "");
    EXPECT_EQ(fs::last_write_time(output("Pair", ".hpp")), old);
    EXPECT_EQ(fs::last_write_time(output("PairsResponse", ".cpp")), old);

    std::string changed = pair;
    changed.replace(changed.find("  </xs:complexType>"), 0,
                    "    <xs:attribute name=\"value\" type=\"xs:string\" use=\"required\"/>\n");
    write("cad/Ops.xsd", cadSchema(changed));
    ASSERT_EQ(generate(), "");
    EXPECT_NE(fs::last_write_time(output("Pair", ".hpp")), old);
    EXPECT_NE(fs::last_write_time(output("Pair", ".cpp")), old);
}

} // namespace
