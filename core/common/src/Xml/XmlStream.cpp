#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <cstring>
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

const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespaceUri[] = "http://www.w3.org/2000/xmlns/";

// The stream's own storage slot (ios_base::iword) that numbers the
// generated prefixes. Allocated on first use.
int prefixCounterSlot()
{
    static const int slot = std::ios_base::xalloc();
    return slot;
}

// Compares the lengths first: namespace URIs are long and mostly differ in
// length from these two.
template <std::size_t N>
bool isUri(const std::string& namespaceUri, const char (&reserved)[N])
{
    return namespaceUri.size() == N - 1 && namespaceUri.compare(0, N - 1, reserved) == 0;
}

template <std::size_t N>
bool hasPrefix(const std::string& name, std::size_t colon, const char (&prefix)[N])
{
    return colon == N - 1 && name.compare(0, colon, prefix) == 0;
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
    out.reserve(out.size() + binding.first.size() + binding.second.size() + 9);
    out += " xmlns:";
    out.append(binding.first, 1, std::string::npos);
    out += "=\"";
    appendXmlEscaped(out, binding.second.data() + 1, binding.second.size() - 1);
    out += '"';
}

// A check value of an element name, to catch an end tag that does not match
// its start tag (FNV-1a: cheap for the short names written here).
std::size_t hashName(const std::string& name)
{
    std::size_t hash = 14695981039346656037ULL;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return hash;
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
    const bool inXmlNamespace = isUri(namespaceUri, kXmlNamespaceUri);
    if (isUri(namespaceUri, kXmlnsNamespaceUri))
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
        // The name's prefix is usually that of the element around it.
        Binding* outer = innermostElementBinding();
        if (outer != nullptr && outer->first.size() == colon + 1
            && outer->first.compare(1, colon, elementName, 0, colon) == 0)
        {
            nameBinding = outer;
        }
        else
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
        }
        if (nameBinding->second[0] == kUndeclared)
            appendDeclaration(text, *nameBinding);
        else
            nameBinding = nullptr;
    }

    // Inside the element, the URI given has its stable prefix in scope.
    Binding* ownBinding = nullptr;
    Binding* ownStable = nullptr;
    if (!namespaceUri.empty() && !inXmlNamespace)
    {
        Binding& own = stablePrefixOf(namespaceUri);
        ownStable = &own;
        if (own.second[0] == kUndeclared && &own != nameBinding)
        {
            ownBinding = &own;
            appendDeclaration(text, own);
        }
    }

    // Record the scope only now that nothing more can be refused.
    fScopes.push_back(ScopeEntry{ScopeEntry::ElementStart, depth, ownStable, defaultNamespace,
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
        if (name.size() == 5 && name == "xmlns")
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
    if (std::memchr(text.data(), '<', text.size()) != nullptr
        || std::memchr(text.data(), '"', text.size()) != nullptr)
        throw std::invalid_argument("XmlStream: the text of attribute " + name
                                    + " is not escaped: " + text);

    // Built in place: this runs once for every attribute written.
    std::string attribute(name.size() + text.size() + 4, '"');
    char* out = &attribute[0];
    *out++ = ' ';
    std::memcpy(out, name.data(), name.size());
    out += name.size();
    *out++ = '=';
    *out++ = '"';
    std::memcpy(out, text.data(), text.size());
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
    if (isUri(namespaceUri, kXmlNamespaceUri))
        return "xml";
    if (isUri(namespaceUri, kXmlnsNamespaceUri))
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
    // Most elements are in the namespace of the element around them, and a
    // message asks for the prefix of its own element's namespace: try the
    // innermost open element's before searching the table.
    Binding* own = innermostElementBinding();
    if (own != nullptr && own->second.size() == namespaceUri.size() + 1
        && std::memcmp(own->second.data() + 1, namespaceUri.data(), namespaceUri.size()) == 0)
        return *own;

    // The table's prefix keys start with ":", which no URI here may.
    if (namespaceUri.empty() || namespaceUri[0] == ':')
        throw std::invalid_argument("XmlStream: \"" + namespaceUri + "\" is not a namespace URI");
    auto uri = fNamespaces.find(namespaceUri);
    if (uri == fNamespaces.end())
    {
        rememberUri(namespaceUri);
        uri = fNamespaces.find(namespaceUri);
    }
    if (!uri->second.empty())
        return *fNamespaces.find(":" + uri->second);

    std::string prefix = nextGeneratedPrefix();
    Binding& binding = *fNamespaces.emplace(":" + prefix, kUndeclared + namespaceUri).first;
    uri->second = std::move(prefix);
    return binding;
}

// The stable prefix binding of the innermost open element's URI. Only the
// last few scope entries are looked at, so the cost stays the same however
// many prefixes an element declares; null when there is none to hand.
XmlStream::Binding* XmlStream::innermostElementBinding() const
{
    int looked = 0;
    for (auto entry = fScopes.rbegin(); entry != fScopes.rend() && looked < 4; ++entry, ++looked)
    {
        if (entry->kind == ScopeEntry::ElementStart)
            return entry->binding;
    }
    return nullptr;
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
        if (entry->kind != ScopeEntry::ElementStart && entry->binding != nullptr)
            entry->binding->second[0] = kUndeclared;
    }
    for (auto entry = pendingBegin; entry != fScopes.end(); ++entry)
    {
        entry->depth = depth - 1;
        entry->defaultNamespace = outerDefault;
    }
    fScopes.erase(elementBegin, pendingBegin);
}

namespace {

// The standard operator formats: it pads to the field width and flushes a
// tied stream first. Without either, inserting is a plain write into the
// buffer.
bool insertsPlainly(const XmlStream& stream)
{
    return stream.width() == 0 && stream.tie() == nullptr && stream.good()
        && (stream.flags() & std::ios::unitbuf) == 0;
}

void writeText(XmlStream& stream, const char* text, std::size_t length)
{
    // The buffer the stream writes to now: a caller may have replaced the
    // string buffer through the std::ios base.
    std::streambuf* buffer = static_cast<std::ios&>(stream).rdbuf();
    const std::streamsize count = static_cast<std::streamsize>(length);
    if (buffer == nullptr || buffer->sputn(text, count) != count)
        stream.setstate(std::ios::badbit);
}

} // namespace

XmlStream& operator<<(XmlStream& stream, const std::string& text)
{
    if (insertsPlainly(stream))
        writeText(stream, text.data(), text.size());
    else
        static_cast<std::ostream&>(stream) << text;
    return stream;
}

XmlStream& operator<<(XmlStream& stream, const char* text)
{
    if (insertsPlainly(stream) && text != nullptr)
        writeText(stream, text, std::strlen(text));
    else
        static_cast<std::ostream&>(stream) << text;
    return stream;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
