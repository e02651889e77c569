#ifndef XSDGEN_CODETEXT_HPP
#define XSDGEN_CODETEXT_HPP

#include <string>
#include <vector>

#include "CppType.hpp"
#include "Printer.hpp"

// Small pieces of C++ text that both emitters write.
namespace Xsdgen {
namespace CodeText {

// Lines longer than this are broken, one parameter per line.
const std::string::size_type lineLimit = 110;

// The first line of every generated file.
std::string generatedNotice(const std::string& schemaFileName);

// "name(first, second)" on one line, or with every parameter on its own line
// aligned after the parenthesis when the line would pass the limit.
std::string callText(const std::string& head, const std::vector<std::string>& parameters, std::string::size_type indent);

// The field constructor's parameters: "const std::string& name", ...
std::vector<std::string> constructorParameters(const CppType& type);

// "namespace Brisvale {" ... and the matching closing lines.
void openNamespaces(Printer& printer, const std::vector<std::string>& segments);
void closeNamespaces(Printer& printer, const std::vector<std::string>& segments);

// A string literal for the text, with quotes and backslashes escaped.
std::string literal(const std::string& text);

} // namespace CodeText
} // namespace Xsdgen

#endif
