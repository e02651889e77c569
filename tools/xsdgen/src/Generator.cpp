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
    std::vector<fs::path> messageLibrarySources;             // of files, those each library compiles
    std::vector<fs::path> commonLibrarySources;
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
        if (!type->commonLibrary)
        {
            plan.files.emplace_back(fs::path(header).replace_extension(".cpp"), emitSource(cpp));
            plan.messageLibrarySources.push_back(plan.files.back().first);
            continue;
        }
        // The common library compiles both shares, the message library one.
        const fs::path messageShare = fs::path(header).replace_extension(".cpp");
        const fs::path commonShare = fs::path(header).replace_extension(".common.cpp");
        plan.files.emplace_back(messageShare, emitSource(cpp, SourceShare::MessageLibrary));
        plan.files.emplace_back(commonShare, emitSource(cpp, SourceShare::CommonLibrary));
        plan.messageLibrarySources.push_back(messageShare);
        plan.commonLibrarySources.insert(plan.commonLibrarySources.end(), {messageShare, commonShare});
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

enum class PathList { Outputs, MessageLibrarySources, CommonLibrarySources, Inputs };

bool printPaths(const std::optional<Plan>& plan, PathList list, std::ostream& out)
{
    if (!plan)
        return false;
    if (list == PathList::Outputs)
        for (const auto& file : plan->files)
            out << file.first.string() << "\n";
    else if (list == PathList::MessageLibrarySources)
        for (const fs::path& source : plan->messageLibrarySources)
            out << source.string() << "\n";
    else if (list == PathList::CommonLibrarySources)
        for (const fs::path& source : plan->commonLibrarySources)
            out << source.string() << "\n";
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
    return printPaths(makePlan(options, messages), PathList::Outputs, out);
}

bool listSources(const GeneratorOptions& options, Library library, std::ostream& out, std::ostream& messages)
{
    return printPaths(makePlan(options, messages),
                      library == Library::Messages ? PathList::MessageLibrarySources : PathList::CommonLibrarySources, out);
}

bool listInputs(const GeneratorOptions& options, std::ostream& out, std::ostream& messages)
{
    return printPaths(makePlan(options, messages), PathList::Inputs, out);
}

} // namespace Xsdgen
