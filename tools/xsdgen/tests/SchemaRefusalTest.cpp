#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Generator.hpp"

namespace {

namespace fs = std::filesystem;

// A Cad schema around the given body, whose first line is line 8 of the file.
std::string cadSchema(const std::string& body, const std::string& marks = "")
{
    return "<?xml version=\"1.0\"?>\n"
           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:gen=\"http://brisvale.example/Schemas/Xsdgen\"\n"
           "           xmlns:tns=\"http://brisvale.example/Schemas/Cad/2007-01/DataManagement\"\n"
           "           xmlns:base=\"http://brisvale.example/Schemas/Soa/2006-03/Base\" " + marks + "\n"
           "           targetNamespace=\"http://brisvale.example/Schemas/Cad/2007-01/DataManagement\"\n"
           "           elementFormDefault=\"qualified\" attributeFormDefault=\"unqualified\">\n"
           "  <xs:import namespace=\"http://brisvale.example/Schemas/Soa/2006-03/Base\" schemaLocation=\"../base/Base.xsd\"/>\n"
           + body + "</xs:schema>\n";
}

const char* const baseSchema = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:tns="http://brisvale.example/Schemas/Soa/2006-03/Base"
           targetNamespace="http://brisvale.example/Schemas/Soa/2006-03/Base"
           elementFormDefault="qualified" attributeFormDefault="unqualified">
  <xs:complexType name="ModelObject"><xs:attribute name="uid" type="xs:string" use="required"/></xs:complexType>
  <xs:complexType name="ServiceData"/>
  <xs:element name="ServiceData" type="tns:ServiceData"/>
</xs:schema>
)";

// Schema files of a Cad folder, and every message that the generator must give for them.
struct RefusedFolder
{
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> messages;
};

const std::string partInfo = "  <xs:complexType name=\"PartInfo\">\n";
const std::string end = "  </xs:complexType>\n";
const std::string sequence = "    <xs:sequence>\n";
const std::string sequenceEnd = "    </xs:sequence>\n";

const std::vector<RefusedFolder> refusedFolders{
    {{{"Ops.xsd", cadSchema(partInfo + sequence + "      <xs:element name=\"item\" type=\"base:Item\"/>\n"
                            "      <xs:element ref=\"base:ResultData\"/>\n" + sequenceEnd + end)}},
     {"Ops.xsd:10: type PartInfo: field \"item\": unknown type {http://brisvale.example/Schemas/Soa/2006-03/Base}Item",
      "Ops.xsd:11: type PartInfo: element reference \"ResultData\" names no known global element"}},
    {{{"Ops.xsd", cadSchema(partInfo + sequence + "      <xs:element ref=\"base:ServiceData\"/>\n"
                            "      <xs:element name=\"output\" type=\"base:ModelObject\"/>\n" + sequenceEnd + end)}},
     {"Ops.xsd:11: type PartInfo: the element reference \"ServiceData\" must be the last"}},
    {{{"Ops.xsd", cadSchema("  <xs:complexType name=\"Node\">\n" + sequence + "      <xs:element name=\"parent\" type=\"tns:Link\"/>\n"
                            + sequenceEnd + end + "  <xs:complexType name=\"Link\">\n" + sequence
                            + "      <xs:element name=\"nodes\" type=\"tns:Node\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                            + sequenceEnd + end)}},
     {"Ops.xsd:8: type Node: recursive containment: Node -> Link -> Node"}},
    {{{"First.xsd", cadSchema(partInfo + end + "  <xs:complexType name=\"Part\"/>\n")},
      {"Second.xsd", cadSchema("  <xs:complexType name=\"PartInfo\"/>\n  <xs:complexType name=\"PartImpl\"/>\n"
                               "  <xs:complexType name=\"QueryInput\">\n" + sequence
                               + "      <xs:element name=\"inputs\" type=\"xs:string\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                               + sequenceEnd + "    <xs:attribute name=\"inputArray\" type=\"xs:string\" use=\"required\"/>\n"
                               "    <xs:attribute name=\"handleObject\" type=\"xs:string\" use=\"required\"/>\n" + end)}},
     {"Second.xsd:8: type PartInfo: class PartInfo is generated for type PartInfo too",
      "Second.xsd:9: type PartImpl: class PartImpl is generated for type Part too",
      "Second.xsd:12: type QueryInput: field \"inputs\": accessor getInputArray is also generated for field \"inputArray\"",
      "Second.xsd:15: type QueryInput: field \"handleObject\": accessor getHandleObject would hide"}},
    {{{"Ops.xsd", cadSchema("  <xs:complexType name=\"partInfo\"/>\n  <xs:complexType name=\"XmlStream\"/>\n" + partInfo
                            + "    <xs:attribute name=\"client-id\" type=\"xs:string\" use=\"required\"/>\n" + end)}},
     {"Ops.xsd:8: type partInfo: the name must start with an upper-case", "Ops.xsd:9: type XmlStream: the name is taken",
      "Ops.xsd:11: type PartInfo: field \"client-id\": the name must start"}},
    {{{"Ops.xsd", cadSchema("  <xs:simpleType name=\"Code\"><xs:restriction base=\"xs:string\"/></xs:simpleType>\n"
                            + partInfo + sequence + "      <xs:choice/>\n      <xs:element name=\"note\" type=\"xs:string\"/>\n"
                            "      <xs:element name=\"counts\" type=\"xs:int\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                            "      <xs:element name=\"items\" type=\"base:ModelObject\" maxOccurs=\"5\"/>\n" + sequenceEnd
                            + "    <xs:attribute name=\"weight\" type=\"xs:double\" use=\"required\"/>\n"
                            "    <xs:attribute name=\"today\" type=\"xs:boolean\" use=\"required\" gen:initial=\"true\"/>\n"
                            "    <xs:attribute name=\"code\" type=\"xs:string\"/>\n"
                            "    <xs:attribute name=\"unitNo\" type=\"xs:int\" use=\"required\" fixed=\"1\"/>\n"
                            "    <xs:attribute name=\"label\" type=\"xs:string\" use=\"optional\"/>\n" + end,
                            "gen:fieldConstructors=\"no\"")}},
     {"Ops.xsd:6: gen:fieldConstructors must be \"true\" or \"false\"", "Ops.xsd:8: <xs:simpleType> is not supported in a schema",
      "Ops.xsd:11: type PartInfo: <xs:choice> is not supported in a sequence",
      "Ops.xsd:12: type PartInfo: element \"note\": a simple-typed element must be an array",
      "Ops.xsd:13: type PartInfo: element \"counts\": a simple-typed element must be an array",
      "Ops.xsd:14: type PartInfo: element \"items\": occurrences must be",
      "Ops.xsd:16: type PartInfo: attribute \"weight\": type \"xs:double\" is not supported",
      "Ops.xsd:17: type PartInfo: attribute \"today\": the only initial value allowed",
      "Ops.xsd:18: type PartInfo: attribute \"code\": needs use=\"required\"",
      "Ops.xsd:19: type PartInfo: attribute fixed on <xs:attribute name=\"unitNo\"> is not supported",
      "Ops.xsd:20: type PartInfo: attribute \"label\": use=\"optional\" needs gen:optionalAttributes=\"true\""}},
    {{{"Ops.xsd", cadSchema(partInfo + "  </xs:complexTyp>\n")}}, {"Ops.xsd:9: not well-formed XML"}}};

class XsdgenSchemas : public ::testing::Test
{
protected:
    XsdgenSchemas()
    {
        std::string pattern = (fs::temp_directory_path() / "xsdgen-test-XXXXXX").string();
        fRoot = mkdtemp(pattern.data());
        fs::create_directories(fRoot / "base");
        std::ofstream(fRoot / "base/Base.xsd") << baseSchema;
    }

    ~XsdgenSchemas() override { fs::remove_all(fRoot); }

    // Runs the generator on a Cad folder of the given files; returns its messages.
    std::string generate(const std::vector<std::pair<std::string, std::string>>& files)
    {
        fs::remove_all(fRoot / "cad");
        fs::create_directories(fRoot / "cad");
        for (const auto& file : files)
            std::ofstream(fRoot / "cad" / file.first) << file.second;
        Xsdgen::GeneratorOptions options{"http://brisvale.example", (fRoot / "cad").string(), (fRoot / "out").string(), ""};
        std::ostringstream messages;
        fSucceeded = Xsdgen::generate(options, messages);
        return messages.str();
    }

    // The sources the given library compiles of the Cad folder, by file name.
    std::vector<std::string> sources(Xsdgen::Library library)
    {
        Xsdgen::GeneratorOptions options{"http://brisvale.example", (fRoot / "cad").string(), (fRoot / "out").string(), ""};
        std::ostringstream out;
        std::ostringstream messages;
        EXPECT_TRUE(Xsdgen::listSources(options, library, out, messages)) << messages.str();
        std::vector<std::string> names;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);)
            names.push_back(fs::path(line).filename().string());
        return names;
    }

    fs::path fRoot;
    bool fSucceeded = false;
};

TEST_F(XsdgenSchemas, FoldersOutsideTheSubsetAreRefusedWithFileLineAndType)
{
    for (const RefusedFolder& folder : refusedFolders)
    {
        const std::string messages = generate(folder.files);
        EXPECT_FALSE(fSucceeded) << messages;
        for (const std::string& expected : folder.messages)
            EXPECT_NE(messages.find(expected), std::string::npos) << expected << "\n" << messages;
        EXPECT_FALSE(fs::exists(fRoot / "out")) << "a refused folder writes nothing";
    }
}

TEST_F(XsdgenSchemas, AFileOfTheCommonLibrarySplitsEachClassPairBetweenTheLibraries)
{
    const std::vector<std::string> whole{"PartInfo.cpp"};
    EXPECT_EQ(generate({{"Ops.xsd", cadSchema(partInfo + end)}}), "");
    EXPECT_EQ(sources(Xsdgen::Library::Messages), whole);
    EXPECT_TRUE(sources(Xsdgen::Library::Common).empty());

    EXPECT_EQ(generate({{"Ops.xsd", cadSchema(partInfo + end, "gen:commonLibrary=\"true\"")}}), "");
    EXPECT_EQ(sources(Xsdgen::Library::Messages), whole);
    EXPECT_EQ(sources(Xsdgen::Library::Common), std::vector<std::string>({"PartInfo.cpp", "PartInfo.common.cpp"}));
    for (const char* name : {"PartInfo.cpp", "PartInfo.common.cpp"})
        EXPECT_TRUE(fs::exists(fRoot / "out/Brisvale/Schemas/Cad/_2007_01/Datamanagement" / name)) << name;
}

TEST_F(XsdgenSchemas, OptionalAttributesAndForeignNamespacesFollowTheSchemaFile)
{
    const std::string optional = partInfo + "    <xs:attribute name=\"clientId\" type=\"xs:string\" use=\"optional\"/>\n" + end;
    EXPECT_EQ(generate({{"Ops.xsd", cadSchema(optional, "gen:optionalAttributes=\"true\"")}}), "");

    std::string elsewhere = cadSchema(partInfo + end);
    for (std::string::size_type at; (at = elsewhere.find("brisvale.example/Schemas/Cad")) != std::string::npos;)
        elsewhere.replace(at, 8, "other");
    EXPECT_NE(generate({{"Ops.xsd", elsewhere}}).find("type PartInfo: namespace \"http://other.example/Schemas/Cad/2007-01/"
                                                      "DataManagement\" is not a path under the base URI"), std::string::npos);
}

} // namespace
