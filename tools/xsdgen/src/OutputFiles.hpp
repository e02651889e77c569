#ifndef XSDGEN_OUTPUTFILES_HPP
#define XSDGEN_OUTPUTFILES_HPP

#include <filesystem>
#include <string>

namespace Xsdgen {

// Writes the file only when its content differs from what is there, so that
// an unchanged schema leaves generated files, and what depends on them,
// untouched. Creates missing folders; throws std::runtime_error when the
// file cannot be written.
void writeFileIfChanged(const std::filesystem::path& path, const std::string& content);

} // namespace Xsdgen

#endif
