#include "Naming.hpp"

#include <cctype>

namespace Xsdgen {
namespace Naming {

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= path.size())
    {
        const std::string::size_type slash = path.find('/', start);
        const std::string::size_type end = slash == std::string::npos ? path.size() : slash;
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string namespaceSegment(const std::string& pathSegment, bool last)
{
    std::string segment = pathSegment;
    if (!segment.empty() && isAsciiDigit(segment[0]))
    {
        for (char& c : segment)
            if (c == '-')
                c = '_';
        segment = "_" + segment;
    }
    else if (last && !segment.empty())
    {
        for (char& c : segment)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        segment[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(segment[0])));
    }

    const bool startsWell = !segment.empty() && (isAsciiLetter(segment[0]) || segment[0] == '_');
    bool charactersWell = segment.find("__") == std::string::npos;
    for (char c : segment)
        charactersWell = charactersWell && (isAsciiLetter(c) || isAsciiDigit(c) || c == '_');
    if (!startsWell || !charactersWell || isCppKeyword(segment)
        || (segment.size() > 1 && segment[0] == '_' && !isAsciiDigit(segment[1])))
        throw NamingError("path segment \"" + pathSegment + "\" does not make a C++ namespace name");
    return segment;
}

} // namespace

std::vector<std::string> namespaceSegments(const std::string& namespaceUri, const std::string& baseUri)
{
    if (namespaceUri.compare(0, baseUri.size(), baseUri) != 0 || namespaceUri.size() <= baseUri.size() + 1
        || namespaceUri[baseUri.size()] != '/')
        throw NamingError("namespace \"" + namespaceUri + "\" is not a path under the base URI \"" + baseUri + "\"");

    const std::vector<std::string> parts = splitPath(namespaceUri.substr(baseUri.size() + 1));
    std::vector<std::string> segments{rootNamespace};
    for (std::size_t i = 0; i < parts.size(); ++i)
        segments.push_back(namespaceSegment(parts[i], i + 1 == parts.size()));
    return segments;
}

std::string qualifiedNamespace(const std::vector<std::string>& segments)
{
    std::string result;
    for (const std::string& segment : segments)
        result += (result.empty() ? "" : "::") + segment;
    return result;
}

std::string headerDirectory(const std::vector<std::string>& segments)
{
    std::string result;
    for (const std::string& segment : segments)
        result += (result.empty() ? "" : "/") + segment;
    return result;
}

std::string includeGuard(const std::string& headerPath)
{
    std::string guard;
    for (char c : headerPath)
    {
        const bool keep = isAsciiLetter(c) || isAsciiDigit(c);
        if (keep)
            guard += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else if (!guard.empty() && guard.back() != '_')
            guard += '_';
    }
    return guard;
}

std::string implementationName(const std::string& className)
{
    return className + "Impl";
}

std::string raiseFirst(const std::string& name)
{
    std::string result = name;
    if (!result.empty())
        result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
    return result;
}

std::string lowerFirst(const std::string& name)
{
    std::string result = name;
    if (!result.empty())
        result[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(result[0])));
    return result;
}

std::string arrayStem(const std::string& xmlName)
{
    std::string stem = raiseFirst(xmlName);
    if (stem.size() > 1 && stem.back() == 's')
        stem.pop_back();
    return stem;
}

std::string memberName(const std::string& xmlName)
{
    return "f" + raiseFirst(xmlName);
}

std::string flagMemberName(const std::string& xmlName)
{
    return "fIs" + raiseFirst(xmlName) + "Set";
}

std::string parameterName(const std::string& xmlName, const std::set<std::string>& typeNames)
{
    const std::string name = lowerFirst(xmlName);
    if (isCppKeyword(name) || name == "std" || typeNames.count(name) != 0)
        return name + "_";
    return name;
}

std::string folderCamelCase(const std::string& folderName)
{
    std::string result;
    bool raiseNext = true;
    for (char c : folderName)
    {
        if (!isAsciiLetter(c) && !isAsciiDigit(c))
        {
            raiseNext = true;
            continue;
        }
        result += raiseNext ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        raiseNext = false;
    }
    return result;
}

bool isCppKeyword(const std::string& name)
{
    static const std::set<std::string> keywords{
        "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break",
        "case", "catch", "char", "char8_t", "char16_t", "char32_t", "class", "compl", "concept",
        "const", "consteval", "constexpr", "constinit", "const_cast", "continue", "co_await",
        "co_return", "co_yield", "decltype", "default", "delete", "do", "double", "dynamic_cast",
        "else", "enum", "explicit", "export", "extern", "false", "float", "for", "friend", "goto",
        "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept", "not", "not_eq",
        "nullptr", "operator", "or", "or_eq", "private", "protected", "public", "register",
        "reinterpret_cast", "requires", "return", "short", "signed", "sizeof", "static",
        "static_assert", "static_cast", "struct", "switch", "template", "this", "thread_local",
        "throw", "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using",
        "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq"};
    return keywords.count(name) != 0;
}

bool isSafeIdentifier(const std::string& name)
{
    if (name.empty() || !isAsciiLetter(name[0]) || name.find("__") != std::string::npos)
        return false;
    for (char c : name)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_')
            return false;
    return true;
}

} // namespace Naming
} // namespace Xsdgen
