#include "Generator.hpp"

#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "CppType.hpp"
#include "Diagnostics.hpp"
#include "HeaderEmitter.hpp"
#include "Naming.hpp"
#include "OutputFiles.hpp"
#include "SchemaChecker.hpp"
#include "SchemaReader.hpp"
#include "SourceEmitter.hpp"
#include "TestSupportEmitter.hpp"

namespace Xsdgen {

namespace {

namespace fs = std::filesystem;

// What one run over an accepted folder produces.
struct Plan
{
    std::vector<std::pair<fs::path, std::string>> files;   // path, content
    std::set<fs::path> ownedFolders;                         // folders whose generated files are all this folder's
    std::vector<std::string> inputs;
};

std::optional<Plan> makePlan(const GeneratorOptions& options, std::ostream& messages)
{
    Diagnostics diagnostics;
    SchemaReader reader(options.baseUri, diagnostics);
    const SchemaSet set = reader.readFolder(options.schemaDir);
    if (!diagnostics.hasErrors())
        checkSchemaSet(set, diagnostics);
    if (diagnostics.hasErrors())
    {
        for (const std::string& message : diagnostics.messages())
            messages << message << "\n";
        return std::nullopt;
    }

    Plan plan;
    plan.inputs = set.readFiles;
    const std::vector<std::string> segments = Naming::namespaceSegments(set.targetNamespace, set.baseUri);
    plan.ownedFolders.insert(fs::path(options.outputDir) / Naming::headerDirectory(segments));
    for (const ComplexType* type : set.folderTypes())
    {
        const CppType cpp = describeType(*type, set);
        const fs::path header = fs::path(options.outputDir) / cpp.headerPath;
        plan.files.emplace_back(header, emitHeader(cpp));
        plan.files.emplace_back(fs::path(header).replace_extension(".cpp"), emitSource(cpp));
    }
    if (!options.testSupportDir.empty())
    {
        const std::string folderName = fs::canonical(options.schemaDir).filename().string();
        for (const GeneratedFile& file : emitTestSupport(set, folderName))
            plan.files.emplace_back(fs::path(options.testSupportDir) / file.path, file.content);
        plan.ownedFolders.insert(fs::path(options.testSupportDir) / "samples");
    }
    return plan;
}

// Removes the generated files (.hpp, .cpp, .xml) of the owned folders that
// the plan does not produce: the outputs of types that left the schemas.
void removeStaleFiles(const Plan& plan)
{
    const std::set<fs::path> generatedExtensions{".hpp", ".cpp", ".xml"};
    std::set<fs::path> produced;
    for (const auto& file : plan.files)
        produced.insert(file.first);
    for (const fs::path& folder : plan.ownedFolders)
    {
        std::error_code failure;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, failure))
            if (entry.is_regular_file() && generatedExtensions.count(entry.path().extension()) != 0
                && produced.count(entry.path()) == 0)
                fs::remove(entry.path());
    }
}

bool printPaths(const std::optional<Plan>& plan, bool outputs, std::ostream& out)
{
    if (!plan)
        return false;
    if (outputs)
        for (const auto& file : plan->files)
            out << file.first.string() << "\n";
    else
        for (const std::string& input : plan->inputs)
            out << input << "\n";
    return true;
}

} // namespace

bool generate(const GeneratorOptions& options, std::ostream& messages)
{
    const std::optional<Plan> plan = makePlan(options, messages);
    if (!plan)
        return false;
    try
    {
        for (const auto& file : plan->files)
            writeFileIfChanged(file.first, file.second);
        removeStaleFiles(*plan);
    }
    catch (const std::exception& failure)
    {
        messages << failure.what() << "\n";
        return false;
    }
    return true;
}

bool listOutputs(const GeneratorOptions& options, std::ostream& out, std::ostream& messages)
{
    return printPaths(makePlan(options, messages), true, out);
}

bool listInputs(const GeneratorOptions& options, std::ostream& out, std::ostream& messages)
{
    return printPaths(makePlan(options, messages), false, out);
}

} // namespace Xsdgen
