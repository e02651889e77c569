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
    "are left alone; files there that the folder no longer produces are removed.\n"
    "\n"
    "  --base-uri URI           scheme and host in front of every schema path\n"
    "  --output DIR             where the generated headers and sources go\n"
    "  --test-support DIR       also write the round-trip registry, samples and\n"
    "                           the roots schema of the folder into DIR\n"
    "  --list-outputs           write nothing; print the files a run writes\n"
    "  --list-inputs            write nothing; print the schema files a run reads\n"
    "  --list-sources LIBRARY   write nothing; print the written sources that\n"
    "                           LIBRARY (messages or common) compiles\n";

int refuse(const std::string& message)
{
    std::cerr << "xsdgen: " << message << "\n" << usage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Xsdgen::GeneratorOptions options;
    enum class Mode { Generate, ListOutputs, ListInputs, ListSources } mode = Mode::Generate;
    Xsdgen::Library library = Xsdgen::Library::Messages;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h")
        {
            std::cout << usage;
            return 0;
        }
        if (argument == "--list-outputs")
            mode = Mode::ListOutputs;
        else if (argument == "--list-inputs")
            mode = Mode::ListInputs;
        else if (argument == "--list-sources" && hasValue
                 && (argv[i + 1] == std::string("messages") || argv[i + 1] == std::string("common")))
        {
            mode = Mode::ListSources;
            library = argv[++i] == std::string("common") ? Xsdgen::Library::Common : Xsdgen::Library::Messages;
        }
        else if (argument == "--base-uri" && hasValue)
            options.baseUri = argv[++i];
        else if (argument == "--output" && hasValue)
            options.outputDir = argv[++i];
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
        bool accepted = false;
        if (mode == Mode::ListOutputs)
            accepted = Xsdgen::listOutputs(options, std::cout, std::cerr);
        else if (mode == Mode::ListInputs)
            accepted = Xsdgen::listInputs(options, std::cout, std::cerr);
        else if (mode == Mode::ListSources)
            accepted = Xsdgen::listSources(options, library, std::cout, std::cerr);
        else
            accepted = Xsdgen::generate(options, std::cerr);
        return accepted ? 0 : 1;
    }
    catch (const std::exception& failure)
    {
        std::cerr << "xsdgen: " << failure.what() << "\n";
        return 1;
    }
}
