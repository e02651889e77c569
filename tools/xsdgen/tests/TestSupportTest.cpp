#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "SchemaFolders.hpp"

namespace {

namespace fs = std::filesystem;
using Xsdgen::Testing::cadSchema;
using XsdgenTestSupport = Xsdgen::Testing::SchemaFolders;

std::string readFile(const fs::path& path)
{
    std::ifstream input(path);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

TEST_F(XsdgenTestSupport, RootsSchemaIncludesEveryFileAndSkipsDeclaredElements)
{
    ASSERT_EQ(generate(false, "base", "ts"), "");
    const std::string roots = readFile(fRoot / "ts/base-roots.xsd");
    EXPECT_NE(roots.find("<xs:include schemaLocation=\"" + fs::canonical(fRoot / "base/Base.xsd").string() + "\"/>"),
              std::string::npos) << roots;
    EXPECT_NE(roots.find("<xs:element name=\"ModelObject\" type=\"tns:ModelObject\"/>"), std::string::npos) << roots;
    // Base.xsd declares the global element ServiceData already; a second one would not compile.
    EXPECT_EQ(roots.find("name=\"ServiceData\""), std::string::npos) << roots;

    const std::string registry = readFile(fRoot / "ts/baseRegistry.cpp");
    EXPECT_NE(registry.find("void registerBaseTypes(std::vector<MessageTypeEntry>& entries)"), std::string::npos);
    EXPECT_NE(registry.find("entries.push_back({\"Brisvale::Schemas::Soa::_2006_03::Base::ServiceData\", "
                            "\"http://brisvale.example/Schemas/Soa/2006-03/Base\", \"ServiceData\", &roundTripServiceData});"),
              std::string::npos) << registry;
}

TEST_F(XsdgenTestSupport, SamplesFillEveryFieldWithEscapedValues)
{
    write("cad/Ops.xsd", cadSchema("  <xs:complexType name=\"PartsResponse\">\n"
                                   "    <xs:sequence>\n"
                                   "      <xs:element name=\"objects\" type=\"base:ModelObject\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                   "      <xs:element name=\"weights\" type=\"xs:double\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                                   "      <xs:element ref=\"base:ServiceData\"/>\n"
                                   "    </xs:sequence>\n"
                                   "    <xs:attribute name=\"name\" type=\"xs:string\" use=\"required\"/>\n"
                                   "    <xs:attribute name=\"label\" type=\"xs:string\" use=\"required\"/>\n"
                                   "    <xs:attribute name=\"count\" type=\"xs:int\" use=\"required\"/>\n"
                                   "  </xs:complexType>\n"));
    ASSERT_EQ(generate(false, "cad", "ts"), "");
    const std::string sample = readFile(fRoot / "ts/samples/PartsResponse.xml");

    EXPECT_NE(sample.find("<tns:PartsResponse xmlns:tns=\"http://brisvale.example/Schemas/Cad/2007-01/DataManagement\""),
              std::string::npos) << sample;
    EXPECT_NE(sample.find("name=\"Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9D\x84\x9E\" label=\"&lt;&amp;&gt;&quot;&apos;\""
                          " count=\"-2147483648\""), std::string::npos) << sample;
    EXPECT_EQ(count(sample, "<tns:objects "), 2u) << sample;
    EXPECT_EQ(count(sample, "<tns:weights>"), 3u) << sample;
    // The reference keeps the namespace of the global element it names.
    EXPECT_NE(sample.find("<ns1:ServiceData/>"), std::string::npos) << sample;
}

} // namespace
