#include "Generator.hpp"

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "CppType.hpp"
#include "Diagnostics.hpp"
#include "HeaderEmitter.hpp"
#include "OutputFiles.hpp"
#include "SchemaReader.hpp"
#include "SourceEmitter.hpp"
#include "TestSupportEmitter.hpp"

namespace Xsdgen {

namespace fs = std::filesystem;

bool generate(const GeneratorOptions& options, std::ostream& messages)
{
    Diagnostics diagnostics;
    SchemaReader reader(options.baseUri, diagnostics);
    const SchemaSet set = reader.readFolder(options.schemaDir);
    if (!diagnostics.hasErrors())
        checkSchemaSet(set, options.check, diagnostics);
    if (diagnostics.hasErrors())
    {
        for (const std::string& message : diagnostics.messages())
            messages << message << "\n";
        return false;
    }

    std::vector<std::pair<fs::path, std::string>> files;
    for (const ComplexType* type : set.folderTypes())
    {
        const CppType cpp = describeType(*type, set);
        const fs::path header = fs::path(options.outputDir) / cpp.headerPath;
        files.emplace_back(header, emitHeader(cpp, options.emitter));
        files.emplace_back(fs::path(header).replace_extension(".cpp"), emitSource(cpp, options.emitter));
    }
    if (!options.testSupportDir.empty())
    {
        const std::string folderName = fs::canonical(options.schemaDir).filename().string();
        for (const GeneratedFile& file : emitTestSupport(set, folderName))
            files.emplace_back(fs::path(options.testSupportDir) / file.path, file.content);
    }

    try
    {
        for (const auto& file : files)
            writeFileIfChanged(file.first, file.second);
    }
    catch (const std::exception& failure)
    {
        messages << failure.what() << "\n";
        return false;
    }
    return true;
}

} // namespace Xsdgen
