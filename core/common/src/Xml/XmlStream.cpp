#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <cstring>
#include <functional>
#include <ios>
#include <stdexcept>
#include <utility>

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

// The longest text copied straight into the stream's buffer; longer ones
// go through sputn (which also keeps pbump's int argument in range).
const std::size_t kDirectCopyLimit = 1 << 16;

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
    return colon == N - 1 && std::memcmp(name.data(), prefix, N - 1) == 0;
}

std::string makePrefixKey(const std::string& name, std::size_t colon)
{
    std::string key;
    key.reserve(colon + 1);
    key += ':';
    key.append(name, 0, colon);
    return key;
}

// True if a prefix binding is to this namespace URI.
bool isBoundTo(const std::map<std::string, std::string>::value_type& binding,
               const std::string& namespaceUri)
{
    return binding.second.size() == namespaceUri.size() + 1
        && std::memcmp(binding.second.data() + 1, namespaceUri.data(), namespaceUri.size()) == 0;
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

    std::string text(elementName.size() + 1, '<');
    std::memcpy(&text[1], elementName.data(), elementName.size());

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
            && std::memcmp(outer->first.data() + 1, elementName.data(), colon) == 0)
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
                                 fOpenNames.size()});
    fOpenNames += elementName;
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
    checkAttribute(name, text);
    return frameAttribute(name, text);
}

std::string XmlStream::writeAttribute(const std::string& name, std::string&& text) const
{
    checkAttribute(name, text);
    const std::size_t textSize = text.size();
    if (text.capacity() < name.size() + textSize + 4)
        return frameAttribute(name, text);

    // The text moves up to make room for ' name="' in front of it.
    text.append(name.size() + 4, '"');
    char* out = &text[0];
    std::memmove(out + name.size() + 3, out, textSize);
    *out++ = ' ';
    std::memcpy(out, name.data(), name.size());
    out += name.size();
    *out++ = '=';
    *out++ = '"';
    out[textSize] = '"';
    return std::move(text);
}

// ' name="text"', built in place: this runs once for every attribute written.
std::string XmlStream::frameAttribute(const std::string& name, const std::string& text)
{
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

void XmlStream::checkAttribute(const std::string& name, const std::string& text) const
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
    std::string text(elementName.size() + 3, '>');
    text[0] = '<';
    text[1] = '/';
    std::memcpy(&text[2], elementName.data(), elementName.size());
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
    // Next, the one the table gave last: elements of one other namespace
    // (base objects inside a message) tend to come one after another.
    Binding* own = innermostElementBinding();
    if (own != nullptr && isBoundTo(*own, namespaceUri))
        return *own;
    if (fRecentStable != nullptr && isBoundTo(*fRecentStable, namespaceUri))
        return *fRecentStable;

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
    {
        fRecentStable = &*fNamespaces.find(":" + uri->second);
        return *fRecentStable;
    }

    std::string prefix = nextGeneratedPrefix();
    Binding& binding = *fNamespaces.emplace(":" + prefix, kUndeclared + namespaceUri).first;
    uri->second = std::move(prefix);
    fRecentStable = &binding;
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

    auto start = elementBegin;
    while (start->kind != ScopeEntry::ElementStart)
        ++start;
    if (elementName != nullptr
        && (fOpenNames.size() - start->nameStart != elementName->size()
            || std::memcmp(fOpenNames.data() + start->nameStart, elementName->data(),
                           elementName->size()) != 0))
        throw std::invalid_argument("XmlStream: end tag " + *elementName
                                    + " does not match the open element "
                                    + fOpenNames.substr(start->nameStart));
    fOpenNames.resize(start->nameStart);

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

// The put area of any stream buffer. Its pointers are protected members of
// std::streambuf; a class derived from it may name them, and so hand out
// access to them for another buffer.
class PutArea : public std::streambuf
{
public:
    // Copies text to the put area when it has room, as sputc does one
    // character at a time; false, having written nothing, when it has not.
    static bool copyIn(std::streambuf& buffer, const char* text, std::size_t length)
    {
        char* const next = (buffer.*&PutArea::pptr)();
        char* const end = (buffer.*&PutArea::epptr)();
        if (next == nullptr || static_cast<std::size_t>(end - next) < length)
            return false;
        std::memcpy(next, text, length);
        (buffer.*&PutArea::pbump)(static_cast<int>(length));
        return true;
    }
};

void writeText(XmlStream& stream, const char* text, std::size_t length)
{
    // The buffer the stream writes to now: a caller may have replaced the
    // string buffer through the std::ios base. Most texts fit in the room
    // the stream's own string buffer has and are copied there; sputn grows
    // it for the others, and writes to any other buffer its own way.
    std::streambuf* buffer = static_cast<std::ios&>(stream).rdbuf();
    if (buffer == nullptr)
    {
        stream.setstate(std::ios::badbit);
        return;
    }
    if (buffer == stream.rdbuf() && length <= kDirectCopyLimit
        && PutArea::copyIn(*buffer, text, length))
        return;
    const std::streamsize count = static_cast<std::streamsize>(length);
    if (buffer->sputn(text, count) != count)
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
