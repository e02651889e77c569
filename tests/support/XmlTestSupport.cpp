#include "XmlTestSupport.hpp"

#include <sstream>

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

::testing::AssertionResult compare(const XMLNode& actual, const XMLNode& expected)
{
    if (actual.getName() != expected.getName() || actual.getNamespaceUri() != expected.getNamespaceUri())
        return ::testing::AssertionFailure()
               << describe(actual) << ": element {" << actual.getNamespaceUri() << "}" << actual.getName()
               << ", expected {" << expected.getNamespaceUri() << "}" << expected.getName();
    if (actual.attrs() != expected.attrs()) {
        std::ostringstream message;
        message << describe(actual) << ": attributes differ\n  actual:  ";
        for (const auto& [name, value] : actual.attrs())
            message << name << "=\"" << value << "\" ";
        message << "\n  expected: ";
        for (const auto& [name, value] : expected.attrs())
            message << name << "=\"" << value << "\" ";
        return ::testing::AssertionFailure() << message.str();
    }
    if (expected.getChildren().empty() && actual.getChildren().empty() && actual.getText() != expected.getText())
        return ::testing::AssertionFailure()
               << describe(actual) << ": text \"" << actual.getText() << "\", expected \"" << expected.getText()
               << "\"";
    const auto& actualChildren = actual.getChildren();
    const auto& expectedChildren = expected.getChildren();
    for (std::size_t i = 0; i < actualChildren.size() && i < expectedChildren.size(); ++i) {
        ::testing::AssertionResult result = compare(*actualChildren[i], *expectedChildren[i]);
        if (!result)
            return result;
    }
    if (actualChildren.size() != expectedChildren.size())
        return ::testing::AssertionFailure() << describe(actual) << ": " << actualChildren.size()
                                             << " children, expected " << expectedChildren.size();
    return ::testing::AssertionSuccess();
}

} // namespace

std::string firstTreeDifference(const XMLNode& actual, const XMLNode& expected)
{
    const std::string where = describe(actual) + ": ";
    if (actual.getName() != expected.getName() || actual.getNamespaceUri() != expected.getNamespaceUri())
        return where + "element {" + actual.getNamespaceUri() + "}" + actual.getName() + ", expected {"
               + expected.getNamespaceUri() + "}" + expected.getName();
    if (actual.attrs() != expected.attrs())
        return where + "attributes " + attributeList(actual) + ", expected " + attributeList(expected);
    if (actual.getText() != expected.getText())
        return where + "text \"" + actual.getText() + "\", expected \"" + expected.getText() + "\"";
    const auto& actualChildren = actual.getChildren();
    const auto& expectedChildren = expected.getChildren();
    if (actualChildren.size() != expectedChildren.size())
        return where + std::to_string(actualChildren.size()) + " children, expected "
               + std::to_string(expectedChildren.size());
    for (std::size_t i = 0; i < actualChildren.size(); ++i) {
        std::string difference = firstTreeDifference(*actualChildren[i], *expectedChildren[i]);
        if (!difference.empty())
            return difference;
    }
    return std::string();
}

::testing::AssertionResult sameTree(const XMLNode& actual, const XMLNode& expected)
{
    return compare(actual, expected);
}

::testing::AssertionResult sameXml(const std::string& actual, const std::string& expected)
{
    std::unique_ptr<XMLNode> actualRoot;
    std::unique_ptr<XMLNode> expectedRoot;
    try {
        actualRoot = Soa::Common::Xml::parseXmlDocument(actual);
    } catch (Soa::Common::Exceptions::DomException& error) {
        return ::testing::AssertionFailure() << "written text does not parse: " << error.getMessage() << "\n"
                                             << actual;
    }
    try {
        expectedRoot = Soa::Common::Xml::parseXmlDocument(expected);
    } catch (Soa::Common::Exceptions::DomException& error) {
        return ::testing::AssertionFailure() << "expected text does not parse: " << error.getMessage();
    }
    ::testing::AssertionResult result = compare(*actualRoot, *expectedRoot);
    if (!result)
        result << "\nwritten:\n" << actual;
    return result;
}

} // namespace Testing
} // namespace Brisvale
