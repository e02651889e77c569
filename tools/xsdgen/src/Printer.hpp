#ifndef XSDGEN_PRINTER_HPP
#define XSDGEN_PRINTER_HPP

#include <map>
#include <string>

namespace Xsdgen {

// Collects generated text. print() replaces "$name$" with the value of the
// variable "name" ("$$" gives one "$") and starts every non-empty line at
// the current indentation, so templates are written without leading spaces.
class Printer
{
public:
    using Variables = std::map<std::string, std::string>;

    explicit Printer(int indentWidth = 4);

    // Throws std::logic_error for an unknown or unterminated variable:
    // that is a fault of the generator, not of the schema.
    void print(const std::string& text, const Variables& variables = Variables());

    void indent();
    void outdent();

    const std::string& text() const { return fText; }

private:
    void put(char c);

    std::string fText;
    int fIndentWidth;
    int fIndent;
    bool fAtLineStart;
};

} // namespace Xsdgen

#endif
