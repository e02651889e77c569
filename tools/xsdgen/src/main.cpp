// xsdgen: generates the C++ message class pairs of one folder of schema files.

#include <cstring>
#include <iostream>
#include <string>

#include "Generator.hpp"

namespace {

const char* const usage =
    "usage: xsdgen --base-uri URI --output DIR [options] SCHEMA_DIR\n"
    "\n"
    "Writes a header and a source for every complexType of the .xsd files in\n"
    "SCHEMA_DIR, under DIR/<namespace path>/. Files whose content is unchanged\n"
    "are left alone.\n"
    "\n"
    "  --base-uri URI           scheme and host in front of every schema path\n"
    "  --output DIR             where the generated headers and sources go\n"
    "  --export-header PATH     header that defines the export macro\n"
    "                           (default Brisvale/Soa/Common/Xml/CadExport.hpp)\n"
    "  --export-macro NAME      the export macro (default BRISVALE_CAD_API)\n"
    "  --no-field-constructors  give the classes no field constructor\n"
    "  --optional-attributes    accept use=\"optional\" attributes, with \"set\" flags\n"
    "  --test-support DIR       also write the round-trip registry, samples and\n"
    "                           the roots schema of the folder into DIR\n";

int refuse(const std::string& message)
{
    std::cerr << "xsdgen: " << message << "\n" << usage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Xsdgen::GeneratorOptions options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h")
        {
            std::cout << usage;
            return 0;
        }
        if (argument == "--no-field-constructors")
            options.emitter.fieldConstructors = false;
        else if (argument == "--optional-attributes")
            options.check.allowOptionalAttributes = true;
        else if (argument == "--base-uri" && hasValue)
            options.baseUri = argv[++i];
        else if (argument == "--output" && hasValue)
            options.outputDir = argv[++i];
        else if (argument == "--export-header" && hasValue)
            options.emitter.exportHeader = argv[++i];
        else if (argument == "--export-macro" && hasValue)
            options.emitter.exportMacro = argv[++i];
        else if (argument == "--test-support" && hasValue)
            options.testSupportDir = argv[++i];
        else if (argument.compare(0, 2, "--") == 0)
            return refuse("unknown option or missing value: " + argument);
        else if (options.schemaDir.empty())
            options.schemaDir = argument;
        else
            return refuse("only one schema folder is read per run");
    }
    while (!options.baseUri.empty() && options.baseUri.back() == '/')
        options.baseUri.pop_back();
    if (options.baseUri.empty() || options.outputDir.empty() || options.schemaDir.empty())
        return refuse("--base-uri, --output and a schema folder are required");

    try
    {
        return Xsdgen::generate(options, std::cerr) ? 0 : 1;
    }
    catch (const std::exception& failure)
    {
        std::cerr << "xsdgen: " << failure.what() << "\n";
        return 1;
    }
}
