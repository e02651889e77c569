#include "Printer.hpp"

#include <stdexcept>

namespace Xsdgen {

Printer::Printer(int indentWidth)
    : fText()
    , fIndentWidth(indentWidth)
    , fIndent(0)
    , fAtLineStart(true)
{
}

void Printer::print(const std::string& text, const Variables& variables)
{
    std::string::size_type position = 0;
    while (position < text.size())
    {
        const char c = text[position];
        if (c != '$')
        {
            put(c);
            ++position;
            continue;
        }

        const std::string::size_type end = text.find('$', position + 1);
        if (end == std::string::npos)
            throw std::logic_error("unterminated variable in template: " + text);
        const std::string name = text.substr(position + 1, end - position - 1);
        if (name.empty())
        {
            put('$');
        }
        else
        {
            const auto found = variables.find(name);
            if (found == variables.end())
                throw std::logic_error("template variable \"" + name + "\" has no value");
            for (char valueChar : found->second)
                put(valueChar);
        }
        position = end + 1;
    }
}

void Printer::indent()
{
    fIndent += fIndentWidth;
}

void Printer::outdent()
{
    if (fIndent < fIndentWidth)
        throw std::logic_error("outdent without a matching indent");
    fIndent -= fIndentWidth;
}

void Printer::put(char c)
{
    if (c == '\n')
    {
        fText += c;
        fAtLineStart = true;
        return;
    }
    if (fAtLineStart)
    {
        fText.append(static_cast<std::string::size_type>(fIndent), ' ');
        fAtLineStart = false;
    }
    fText += c;
}

} // namespace Xsdgen
