#include "OutputFiles.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace Xsdgen {

namespace {

bool holdsContent(const std::filesystem::path& path, const std::string& content)
{
    std::error_code failure;
    if (std::filesystem::file_size(path, failure) != content.size() || failure)
        return false;
    std::ifstream input(path, std::ios::binary);
    const std::string existing((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    return input.good() || input.eof() ? existing == content : false;
}

} // namespace

void writeFileIfChanged(const std::filesystem::path& path, const std::string& content)
{
    if (holdsContent(path, content))
        return;

    std::error_code failure;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), failure);
    if (failure)
        throw std::runtime_error(path.parent_path().string() + ": cannot create the folder: " + failure.message());

    // Written beside the target and renamed over it, so that an interrupted
    // run never leaves a half-written file that looks up to date.
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream output(temporary, std::ios::binary | std::ios::trunc);
        output.write(content.data(), static_cast<std::streamsize>(content.size()));
        output.close();
        if (!output)
            throw std::runtime_error(temporary.string() + ": cannot write the file");
    }
    std::filesystem::rename(temporary, path, failure);
    if (failure)
        throw std::runtime_error(path.string() + ": cannot replace the file: " + failure.message());
}

} // namespace Xsdgen
