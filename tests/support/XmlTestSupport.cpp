#include "XmlTestSupport.hpp"

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>

namespace Brisvale {
namespace Testing {

using Soa::Common::Xml::XMLNode;

namespace {

std::string describe(const XMLNode& node)
{
    std::string path;
    for (const XMLNode* at = &node; at != nullptr; at = at->getParent())
        path = "/" + at->getName() + path;
    return path;
}

std::string attributeList(const XMLNode& node)
{
    std::string list;
    for (const auto& [name, value] : node.attrs())
        list += (list.empty() ? "" : " ") + name + "=\"" + value + "\"";
    return "[" + list + "]";
}

} // namespace

std::string firstTreeDifference(const XMLNode& actual, const XMLNode& expected, bool leafTextOnly)
{
    const std::string where = describe(actual) + ": ";
    if (actual.getName() != expected.getName() || actual.getNamespaceUri() != expected.getNamespaceUri())
        return where + "element {" + actual.getNamespaceUri() + "}" + actual.getName() + ", expected {"
               + expected.getNamespaceUri() + "}" + expected.getName();
    if (actual.attrs() != expected.attrs())
        return where + "attributes " + attributeList(actual) + ", expected " + attributeList(expected);
    const auto& actualChildren = actual.getChildren();
    const auto& expectedChildren = expected.getChildren();
    const bool leaves = actualChildren.empty() && expectedChildren.empty();
    if ((leaves || !leafTextOnly) && actual.getText() != expected.getText())
        return where + "text \"" + actual.getText() + "\", expected \"" + expected.getText() + "\"";
    if (actualChildren.size() != expectedChildren.size())
        return where + std::to_string(actualChildren.size()) + " children, expected "
               + std::to_string(expectedChildren.size());
    for (std::size_t i = 0; i < actualChildren.size(); ++i) {
        if (actualChildren[i]->getParent() != &actual)
            return where + "child " + std::to_string(i + 1) + " names another parent";
        std::string difference = firstTreeDifference(*actualChildren[i], *expectedChildren[i], leafTextOnly);
        if (!difference.empty())
            return difference;
    }
    return std::string();
}

::testing::AssertionResult sameXml(const std::string& actual, const std::string& expected)
{
    std::unique_ptr<XMLNode> roots[2];
    for (int i = 0; i < 2; ++i) {
        try {
            roots[i] = Soa::Common::Xml::parseXmlDocument(i == 0 ? actual : expected);
        } catch (Soa::Common::Exceptions::DomException& error) {
            return ::testing::AssertionFailure() << (i == 0 ? "written" : "expected") << " text does not parse: "
                                                 << error.getMessage() << "\n" << actual;
        }
    }
    const std::string difference = firstTreeDifference(*roots[0], *roots[1], true);
    if (!difference.empty())
        return ::testing::AssertionFailure() << difference << "\nwritten:\n" << actual;
    return ::testing::AssertionSuccess();
}

std::string outline(const XMLNode& node)
{
    std::string text = "{" + node.getNamespaceUri() + "}" + node.getName();
    for (std::size_t i = 0; i < node.getChildren().size(); ++i)
        text += (i == 0 ? "[" : " ") + outline(*node.getChildren()[i]);
    return node.getChildren().empty() ? text : text + "]";
}

void appendUtf8(std::string& text, char32_t c)
{
    int following = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    text += static_cast<char>(following == 0 ? c : ~(0xFFu >> (following + 1)) | c >> 6 * following);
    while (following-- > 0)
        text += static_cast<char>(0x80 | (c >> 6 * following & 0x3F));
}

void appendUtf16(std::string& text, char32_t c, bool bigEndian)
{
    if (c >= 0x10000) {
        appendUtf16(text, 0xD800 + ((c - 0x10000) >> 10), bigEndian);
        c = 0xDC00 + (c & 0x3FF);
    }
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c);
    text += bigEndian ? std::string{high, low} : std::string{low, high};
}

char32_t decodeUtf8(std::string_view text, std::size_t& at)
{
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(at) < 0xC0)
        return byte(at++);
    const int following = byte(at) < 0xE0 ? 1 : byte(at) < 0xF0 ? 2 : 3;
    char32_t c = byte(at++) & (0x3F >> following);
    for (int i = 0; i < following; ++i, ++at) {
        if (at >= text.size() || (byte(at) & 0xC0) != 0x80)
            return kNotUtf8;
        c = c << 6 | (byte(at) & 0x3F);
    }
    return c;
}

std::string utf16(const std::string& utf8, bool bigEndian, bool withMark)
{
    std::string text;
    if (withMark)
        appendUtf16(text, 0xFEFF, bigEndian);
    for (std::size_t at = 0; at < utf8.size();)
        appendUtf16(text, decodeUtf8(utf8, at), bigEndian);
    return text;
}

} // namespace Testing
} // namespace Brisvale
