#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

std::string elementForMessage(const XMLNode& node)
{
    return "element \"" + Exceptions::textForMessage(node.getName()) + "\"";
}

} // namespace

template <class Target>
Target readAttribute(const XMLNode& node, const std::string& name)
{
    const std::string text = node.getAttr(name);
    try
    {
        return lexical_cast<Target>(text);
    }
    catch (const BadLexicalCast& cause)
    {
        throw BadLexicalCast(cause, "attribute \"" + Exceptions::textForMessage(name) + "\" of "
                                        + elementForMessage(node));
    }
}

template BRISVALE_SOA_COMMON_API bool readAttribute<bool>(const XMLNode& node, const std::string& name);
template BRISVALE_SOA_COMMON_API int readAttribute<int>(const XMLNode& node, const std::string& name);
template BRISVALE_SOA_COMMON_API double readAttribute<double>(const XMLNode& node, const std::string& name);
template BRISVALE_SOA_COMMON_API DateTime readAttribute<DateTime>(const XMLNode& node, const std::string& name);

template <>
double readText<double>(const XMLNode& node)
{
    try
    {
        return lexical_cast<double>(node.getText());
    }
    catch (const BadLexicalCast& cause)
    {
        throw BadLexicalCast(cause, "the text of " + elementForMessage(node));
    }
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
