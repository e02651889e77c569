#ifndef XSDGEN_TESTS_SCHEMAFOLDERS_HPP
#define XSDGEN_TESTS_SCHEMAFOLDERS_HPP

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Generator.hpp"

namespace Xsdgen {
namespace Testing {

namespace fs = std::filesystem;

inline const char* const baseSchema = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema"
           xmlns:tns="http://brisvale.example/Schemas/Soa/2006-03/Base"
           targetNamespace="http://brisvale.example/Schemas/Soa/2006-03/Base"
           elementFormDefault="qualified" attributeFormDefault="unqualified">
  <xs:complexType name="ModelObject">
    <xs:attribute name="uid" type="xs:string" use="required"/>
  </xs:complexType>
  <xs:complexType name="ServiceData"/>
  <xs:element name="ServiceData" type="tns:ServiceData"/>
</xs:schema>
)";

// A Cad schema around the given body, whose first line is line 8 of the file.
inline std::string cadSchema(const std::string& body, const std::string& path = "/Schemas/Cad/2007-01/DataManagement")
{
    return "<?xml version=\"1.0\"?>\n"
           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:gen=\"http://brisvale.example/Schemas/Xsdgen\"\n"
           "           xmlns:tns=\"http://brisvale.example" + path + "\"\n"
           "           xmlns:base=\"http://brisvale.example/Schemas/Soa/2006-03/Base\"\n"
           "           targetNamespace=\"http://brisvale.example" + path + "\"\n"
           "           elementFormDefault=\"qualified\" attributeFormDefault=\"unqualified\">\n"
           "  <xs:import namespace=\"http://brisvale.example/Schemas/Soa/2006-03/Base\" schemaLocation=\"../base/Base.xsd\"/>\n"
           + body + "</xs:schema>\n";
}

// A scratch tree with a base schema folder and a Cad schema folder.
class SchemaFolders : public ::testing::Test
{
protected:
    SchemaFolders()
    {
        std::string pattern = (fs::temp_directory_path() / "xsdgen-test-XXXXXX").string();
        fRoot = mkdtemp(pattern.data());
        fs::create_directories(fRoot / "base");
        fs::create_directories(fRoot / "cad");
        write("base/Base.xsd", baseSchema);
    }

    ~SchemaFolders() override { fs::remove_all(fRoot); }

    void write(const std::string& relativePath, const std::string& content)
    {
        std::ofstream(fRoot / relativePath) << content;
    }

    // Runs the generator on the Cad folder; returns its messages.
    std::string generate()
    {
        Xsdgen::GeneratorOptions options;
        options.baseUri = "http://brisvale.example";
        options.schemaDir = (fRoot / "cad").string();
        options.outputDir = (fRoot / "out").string();
        std::ostringstream messages;
        fSucceeded = Xsdgen::generate(options, messages);
        return messages.str();
    }

    fs::path output(const std::string& typeName, const std::string& extension) const
    {
        return fRoot / "out/Brisvale/Schemas/Cad/_2007_01/Datamanagement" / (typeName + extension);
    }

    fs::path fRoot;
    bool fSucceeded = false;
};

} // namespace Testing
} // namespace Xsdgen

#endif
