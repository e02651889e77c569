#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <functional>
#include <ios>
#include <stdexcept>

#include "Xml/XmlCharacters.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// The first character of a prefix entry's value in the namespace table.
const char kUndeclared = '-';  // not in scope
const char kPending = '?';     // to be declared on the next start tag
const char kDeclared = '+';    // declared on an open element

const char* const kXmlNamespaceUri = "http://www.w3.org/XML/1998/namespace";
const char* const kXmlnsNamespaceUri = "http://www.w3.org/2000/xmlns/";

// The stream's own storage slot (ios_base::iword) that numbers the
// generated prefixes. Allocated on first use.
int prefixCounterSlot()
{
    static const int slot = std::ios_base::xalloc();
    return slot;
}

bool hasPrefix(const std::string& name, std::size_t colon, const char* prefix)
{
    return name.compare(0, colon, prefix) == 0;
}

std::string makePrefixKey(const std::string& name, std::size_t colon)
{
    std::string key;
    key.reserve(colon + 1);
    key += ':';
    key.append(name, 0, colon);
    return key;
}

void appendDeclaration(std::string& out, const std::map<std::string, std::string>::value_type& binding)
{
    out += " xmlns:";
    out.append(binding.first, 1, std::string::npos);
    out += "=\"";
    appendXmlEscaped(out, binding.second.data() + 1, binding.second.size() - 1);
    out += '"';
}

std::size_t hashName(const std::string& name)
{
    return std::hash<std::string>()(name);
}

} // namespace

XmlStream::XmlStream()
{
    exceptions(std::ios::badbit | std::ios::failbit);
}

bool XmlStream::isRootElement() const
{
    return currentDepth() == 0;
}

std::string XmlStream::writeOpenElement(const std::string& namespaceUri,
                                        const std::string& elementName)
{
    const std::size_t colon = checkQualifiedName(elementName, "element");
    const bool inXmlNamespace = namespaceUri == kXmlNamespaceUri;
    if (namespaceUri == kXmlnsNamespaceUri)
        throw std::invalid_argument("XmlStream: no element can be in the namespace "
                                    + namespaceUri);

    const std::int32_t depth = currentDepth() + 1;
    const std::string* defaultNamespace = currentDefaultNamespace();

    std::string text;
    text.reserve(elementName.size() + 1);
    text += '<';
    text += elementName;

    // Prefixes asked for since the last start tag are declared here.
    for (auto pending = fScopes.rbegin();
         pending != fScopes.rend() && pending->kind == ScopeEntry::PendingDeclaration; ++pending)
        appendDeclaration(text, *pending->binding);

    Binding* nameBinding = nullptr;
    if (colon == std::string::npos)
    {
        if (namespaceUri.empty())
        {
            if (defaultNamespace != nullptr)
            {
                text += " xmlns=\"\"";
                defaultNamespace = nullptr;
            }
        }
        else if (defaultNamespace == nullptr || *defaultNamespace != namespaceUri)
        {
            if (inXmlNamespace)
                throw std::invalid_argument("XmlStream: the XML namespace cannot be the default "
                                            "namespace of element " + elementName);
            defaultNamespace = &rememberUri(namespaceUri);
            text += " xmlns=\"";
            appendXmlEscaped(text, namespaceUri);
            text += '"';
        }
    }
    else if (hasPrefix(elementName, colon, "xmlns"))
    {
        throw std::invalid_argument("XmlStream: element " + elementName
                                    + " uses the reserved prefix xmlns");
    }
    else if (!hasPrefix(elementName, colon, "xml"))
    {
        const std::string key = makePrefixKey(elementName, colon);
        const auto known = fNamespaces.find(key);
        if (known != fNamespaces.end())
        {
            nameBinding = &*known;
        }
        else
        {
            if (namespaceUri.empty() || inXmlNamespace)
                throw std::invalid_argument("XmlStream: the prefix of element " + elementName
                                            + " cannot be bound to the namespace \""
                                            + namespaceUri + "\"");
            nameBinding = &bindPrefix(key, namespaceUri);
        }
        if (nameBinding->second[0] == kUndeclared)
            appendDeclaration(text, *nameBinding);
        else
            nameBinding = nullptr;
    }

    // Inside the element, the URI given has its stable prefix in scope.
    Binding* ownBinding = nullptr;
    if (!namespaceUri.empty() && !inXmlNamespace)
    {
        Binding& own = stablePrefixOf(namespaceUri);
        if (own.second[0] == kUndeclared && &own != nameBinding)
        {
            ownBinding = &own;
            appendDeclaration(text, own);
        }
    }

    // Record the scope only now that nothing more can be refused.
    fScopes.push_back(ScopeEntry{ScopeEntry::ElementStart, depth, nullptr, defaultNamespace,
                                 hashName(elementName)});
    for (auto pending = fScopes.rbegin() + 1;
         pending != fScopes.rend() && pending->kind == ScopeEntry::PendingDeclaration; ++pending)
    {
        pending->kind = ScopeEntry::Declaration;
        pending->depth = depth;
        pending->defaultNamespace = defaultNamespace;
        pending->binding->second[0] = kDeclared;
    }
    if (nameBinding != nullptr)
        declare(*nameBinding, depth, defaultNamespace);
    if (ownBinding != nullptr)
        declare(*ownBinding, depth, defaultNamespace);
    return text;
}

std::string XmlStream::writeAttribute(const std::string& name, const std::string& text) const
{
    const std::size_t colon = checkQualifiedName(name, "attribute");
    if (currentDepth() == 0)
        throw std::logic_error("XmlStream: attribute " + name + " written outside a start tag");
    if (colon == std::string::npos)
    {
        if (name == "xmlns")
            throw std::invalid_argument("XmlStream: namespace declarations are written by the "
                                        "stream itself, not as attributes");
    }
    else if (hasPrefix(name, colon, "xmlns"))
    {
        throw std::invalid_argument("XmlStream: namespace declarations are written by the "
                                    "stream itself, not as attribute " + name);
    }
    else if (!hasPrefix(name, colon, "xml"))
    {
        const auto binding = fNamespaces.find(makePrefixKey(name, colon));
        if (binding == fNamespaces.end() || binding->second[0] != kDeclared)
            throw std::invalid_argument("XmlStream: the prefix of attribute " + name
                                        + " is not declared");
    }
    if (text.find_first_of("<\"") != std::string::npos)
        throw std::invalid_argument("XmlStream: the text of attribute " + name
                                    + " is not escaped: " + text);

    std::string attribute;
    attribute.reserve(name.size() + text.size() + 4);
    attribute += ' ';
    attribute += name;
    attribute += "=\"";
    attribute += text;
    attribute += '"';
    return attribute;
}

std::string XmlStream::writeOpenElementClose(const std::string&, bool leaf)
{
    if (leaf)
    {
        closeElement(nullptr);
        return "/>";
    }
    if (currentDepth() == 0)
        throw std::logic_error("XmlStream: no start tag is open");
    return ">";
}

const std::string XmlStream::getNamespacePrefix(const std::string& namespaceUri)
{
    if (namespaceUri.empty())
        throw std::invalid_argument("XmlStream: the empty namespace name has no prefix");
    if (namespaceUri == kXmlNamespaceUri)
        return "xml";
    if (namespaceUri == kXmlnsNamespaceUri)
        throw std::invalid_argument("XmlStream: no prefix can be bound to " + namespaceUri);

    Binding& own = stablePrefixOf(namespaceUri);
    if (own.second[0] == kUndeclared)
    {
        fScopes.push_back(ScopeEntry{ScopeEntry::PendingDeclaration, currentDepth(), &own,
                                     currentDefaultNamespace(), 0});
        own.second[0] = kPending;
    }
    return own.first.substr(1);
}

std::string XmlStream::writeCloseElement(const std::string&, const std::string& elementName)
{
    closeElement(&elementName);
    std::string text;
    text.reserve(elementName.size() + 3);
    text += "</";
    text += elementName;
    text += '>';
    return text;
}

std::int32_t XmlStream::currentDepth() const
{
    return fScopes.empty() ? 0 : fScopes.back().depth;
}

const std::string* XmlStream::currentDefaultNamespace() const
{
    return fScopes.empty() ? nullptr : fScopes.back().defaultNamespace;
}

// The table's own copy of a namespace URI, added on first use. The copy
// lives as long as the stream, so scope entries can point to it.
const std::string& XmlStream::rememberUri(const std::string& namespaceUri)
{
    const auto known = fNamespaces.find(namespaceUri);
    if (known != fNamespaces.end())
        return known->first;

    if (namespaceUri.empty() || namespaceUri[0] == ':')
        throw std::invalid_argument("XmlStream: \"" + namespaceUri + "\" is not a namespace URI");
    std::string checked;
    appendXmlEscaped(checked, namespaceUri);
    return fNamespaces.emplace(namespaceUri, std::string()).first->first;
}

// Binds a prefix the stream did not know to a URI, for the stream's life.
// The URI adopts it as its stable prefix if it has none yet.
XmlStream::Binding& XmlStream::bindPrefix(const std::string& prefixKey,
                                          const std::string& namespaceUri)
{
    rememberUri(namespaceUri);
    Binding& binding = *fNamespaces.emplace(prefixKey, kUndeclared + namespaceUri).first;
    std::string& stablePrefix = fNamespaces.find(namespaceUri)->second;
    if (stablePrefix.empty())
        stablePrefix.assign(prefixKey, 1, std::string::npos);
    return binding;
}

XmlStream::Binding& XmlStream::stablePrefixOf(const std::string& namespaceUri)
{
    rememberUri(namespaceUri);
    const auto uri = fNamespaces.find(namespaceUri);
    if (!uri->second.empty())
        return *fNamespaces.find(":" + uri->second);

    std::string prefix = nextGeneratedPrefix();
    Binding& binding = *fNamespaces.emplace(":" + prefix, kUndeclared + namespaceUri).first;
    uri->second = std::move(prefix);
    return binding;
}

std::string XmlStream::nextGeneratedPrefix()
{
    long& counter = iword(prefixCounterSlot());
    for (;;)
    {
        std::string prefix = "ns" + std::to_string(++counter);
        if (fNamespaces.find(":" + prefix) == fNamespaces.end())
            return prefix;
    }
}

void XmlStream::declare(Binding& binding, std::int32_t depth, const std::string* defaultNamespace)
{
    fScopes.push_back(ScopeEntry{ScopeEntry::Declaration, depth, &binding, defaultNamespace, 0});
    binding.second[0] = kDeclared;
}

// Ends the innermost element's scope. With a name, it must be the name the
// element was opened with. Prefixes asked for inside the element and not yet
// declared stay pending for the next start tag.
void XmlStream::closeElement(const std::string* elementName)
{
    const std::int32_t depth = currentDepth();
    if (depth == 0)
        throw std::logic_error("XmlStream: no element is open");

    // The element's entries are the last ones; its pending prefixes, if
    // any, come last of all.
    auto pendingBegin = fScopes.end();
    while (pendingBegin != fScopes.begin() && (pendingBegin - 1)->depth == depth
           && (pendingBegin - 1)->kind == ScopeEntry::PendingDeclaration)
        --pendingBegin;
    auto elementBegin = pendingBegin;
    while (elementBegin != fScopes.begin() && (elementBegin - 1)->depth == depth)
        --elementBegin;

    if (elementName != nullptr)
    {
        auto start = elementBegin;
        while (start->kind != ScopeEntry::ElementStart)
            ++start;
        if (start->nameHash != hashName(*elementName))
            throw std::invalid_argument("XmlStream: end tag " + *elementName
                                        + " does not match the open element");
    }

    const std::string* outerDefault =
        elementBegin == fScopes.begin() ? nullptr : (elementBegin - 1)->defaultNamespace;
    for (auto entry = elementBegin; entry != pendingBegin; ++entry)
    {
        if (entry->binding != nullptr)
            entry->binding->second[0] = kUndeclared;
    }
    for (auto entry = pendingBegin; entry != fScopes.end(); ++entry)
    {
        entry->depth = depth - 1;
        entry->defaultNamespace = outerDefault;
    }
    fScopes.erase(elementBegin, pendingBegin);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
