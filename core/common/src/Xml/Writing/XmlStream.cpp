#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <ios>
#include <stdexcept>
#include <utility>

#include "Xml/Text/ByteScan.hpp"
#include "Xml/Text/XmlCharacters.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespaceUri[] = "http://www.w3.org/2000/xmlns/";
const char kNoDefaultNamespace[] = " xmlns=\"\"";

using ByteScan::load;

// Equality of two runs of bytes of one size. Runs of up to sixteen bytes,
// the names the stream compares, are compared by whole words that stay
// inside them, without calling memcmp.
inline bool sameBytes(const char* left, const char* right, std::size_t size)
{
    if (size > 16)
        return std::memcmp(left, right, size) == 0;
    if (size >= 8)
    {
        return load<std::uint64_t>(left) == load<std::uint64_t>(right)
            && load<std::uint64_t>(left + size - 8) == load<std::uint64_t>(right + size - 8);
    }
    if (size >= 4)
    {
        return load<std::uint32_t>(left) == load<std::uint32_t>(right)
            && load<std::uint32_t>(left + size - 4) == load<std::uint32_t>(right + size - 4);
    }
    return size == 0
        || (left[0] == right[0] && left[size / 2] == right[size / 2] && left[size - 1] == right[size - 1]);
}

// Compares the lengths first: namespace URIs are long and mostly differ in
// length from these two.
template <std::size_t N>
bool isUri(const std::string& namespaceUri, const char (&reserved)[N])
{
    return namespaceUri.size() == N - 1 && sameBytes(namespaceUri.data(), reserved, N - 1);
}

template <std::size_t N>
bool hasPrefix(std::string_view name, std::size_t colon, const char (&prefix)[N])
{
    return colon == N - 1 && sameBytes(name.data(), prefix, N - 1);
}

// Equality of a text with the bytes at data.
inline bool sameText(const std::string& text, const char* data, std::size_t size)
{
    return text.size() == size && sameBytes(text.data(), data, size);
}

// The message of a refusal, from its pieces.
std::string refusalMessage(std::initializer_list<std::string_view> pieces)
{
    std::string text("XmlStream: ");
    for (std::string_view piece : pieces)
        text.append(piece.data(), piece.size());
    return text;
}

// Refusals, made away from the code that writes: their messages are built
// only when something is refused.
[[noreturn]] [[gnu::noinline]] void refuse(std::initializer_list<std::string_view> message)
{
    throw std::invalid_argument(refusalMessage(message));
}

// A write that comes out of order, such as an attribute with no start tag
// open.
[[noreturn]] [[gnu::noinline]] void refuseOrder(std::initializer_list<std::string_view> message)
{
    throw std::logic_error(refusalMessage(message));
}

// What a name table slot compares first: the first and the last eight bytes
// of a name (four for a shorter one; three single bytes for one shorter
// still). With the size, they are the whole of a name of up to sixteen
// bytes.
struct NameKey
{
    std::uint64_t head;
    std::uint64_t tail;
};

// The first slot to try for a name in a table of 128.
inline std::size_t slotOf(const NameKey& key, std::size_t size)
{
    return ((key.head ^ key.tail * 0x9E3779B97F4A7C15u ^ size) * 0xC2B2AE3D27D4EB4Fu) >> 57;
}

inline NameKey keyOf(const char* bytes, std::size_t size)
{
    if (size >= 8)
        return {load<std::uint64_t>(bytes), load<std::uint64_t>(bytes + size - 8)};
    if (size >= 4)
        return {load<std::uint32_t>(bytes), load<std::uint32_t>(bytes + size - 4)};
    const auto byte = [bytes](std::size_t at) { return std::uint64_t(static_cast<unsigned char>(bytes[at])); };
    return {byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16, 0};
}

// Copies a piece of text to out and returns the end of the copy. Pieces of
// up to sixteen bytes, nearly all of them, are copied by loads and stores
// of whole words that stay inside the piece, without calling memcpy.
inline char* copyPiece(char* out, std::string_view piece)
{
    const char* from = piece.data();
    const std::size_t size = piece.size();
    if (size > 16)
        std::memcpy(out, from, size);
    else if (size >= 8)
    {
        const std::uint64_t head = load<std::uint64_t>(from);
        const std::uint64_t tail = load<std::uint64_t>(from + size - 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + size - 8, &tail, 8);
    }
    else if (size >= 4)
    {
        const std::uint32_t head = load<std::uint32_t>(from);
        const std::uint32_t tail = load<std::uint32_t>(from + size - 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + size - 4, &tail, 4);
    }
    else if (size != 0)
    {
        out[0] = from[0];
        out[size / 2] = from[size / 2];
        out[size - 1] = from[size - 1];
    }
    return out + size;
}

// The longest text the stream gathers on the stack before it makes the
// string it returns. The pieces of such a text are copied one after the
// other into a buffer on the stack, and the string is made from it in one
// copy: the text is built at its exact size, allocated once (not at all
// when it is short enough for the string's own buffer), and no byte is
// written into the string twice. A longer text is appended piece by piece
// to a string reserved at its size.
constexpr std::size_t kGatheredText = 256;

// ' xmlns="uri"' or ' xmlns:prefix="uri"'. Escaping the URI also refuses
// one that XML cannot carry.
std::string declaration(const std::string& prefix, const std::string& namespaceUri)
{
    std::string text(prefix.empty() ? " xmlns=\"" : " xmlns:");
    if (!prefix.empty())
        text.append(prefix).append("=\"");
    appendXmlEscaped(text, namespaceUri);
    text += '"';
    return text;
}

} // namespace

XmlStream::XmlStream()
{
    exceptions(std::ios::badbit | std::ios::failbit);
}

bool XmlStream::isRootElement() const
{
    return fOpenElements.empty();
}

std::string XmlStream::writeOpenElement(const std::string& namespaceUri,
                                        const std::string& elementName)
{
    const std::size_t colon = colonOfCheckedName(elementName, "element");
    if (isUri(namespaceUri, kXmlnsNamespaceUri))
        refuse({"no element can be in the namespace ", namespaceUri});
    if (hasPrefix(elementName, colon, "xmlns"))
        refuse({"element ", elementName, " uses the reserved prefix xmlns"});

    StartTag tag;
    tag.defaultNamespace = currentDefaultNamespace();
    if (colon == std::string::npos)
        chooseDefaultNamespace(tag, namespaceUri, elementName);
    else if (!hasPrefix(elementName, colon, "xml"))
        tag.namePrefix = prefixOfName(elementName, colon, namespaceUri);

    // Inside the element, the URI given has its stable prefix in scope.
    if (!namespaceUri.empty() && !isUri(namespaceUri, kXmlNamespaceUri))
    {
        Namespace& own = namespaceOf(namespaceUri);
        tag.ownNamespace = &own;
        Prefix& ownPrefix = stablePrefixOf(own);
        if (ownPrefix.scope == Prefix::OutOfScope && &ownPrefix != tag.namePrefix)
            tag.ownPrefix = &ownPrefix;
    }

    std::string text = startTagText(elementName, tag);
    recordStart(elementName, tag);
    return text;
}

// An unprefixed name puts the element in the URI given, as the default
// namespace.
void XmlStream::chooseDefaultNamespace(StartTag& tag, const std::string& namespaceUri,
                                       const std::string& elementName)
{
    if (namespaceUri.empty())
    {
        if (tag.defaultNamespace != nullptr)
        {
            static const std::string noDefault(kNoDefaultNamespace);
            tag.defaultDeclaration = &noDefault;
            tag.defaultNamespace = nullptr;
        }
        return;
    }
    if (tag.defaultNamespace != nullptr && sameText(namespaceUri, tag.defaultNamespace->uri->data(),
                                                    tag.defaultNamespace->uri->size()))
        return;
    if (isUri(namespaceUri, kXmlNamespaceUri))
        refuse({"the XML namespace cannot be the default namespace of element ", elementName});
    const Namespace& space = namespaceOf(namespaceUri);
    tag.defaultNamespace = &space;
    tag.defaultDeclaration = &space.defaultDeclaration;
}

// The prefix of a prefixed element name, when the start tag must declare
// it; null when it is in scope or about to be declared. The name's prefix
// is usually that of the element around it.
inline XmlStream::Prefix* XmlStream::prefixOfName(const std::string& elementName, std::size_t colon,
                                                  const std::string& namespaceUri)
{
    Prefix* prefix = nullptr;
    if (!fOpenElements.empty() && fOpenElements.back().ownNamespace != nullptr)
    {
        Prefix* outer = fOpenElements.back().ownNamespace->stablePrefix;
        if (sameText(*outer->name, elementName.data(), colon))
            prefix = outer;
    }
    if (prefix == nullptr)
        prefix = &boundPrefixOf(elementName, colon, namespaceUri);
    return prefix->scope == Prefix::OutOfScope ? prefix : nullptr;
}

// The binding of the prefix of a prefixed element name. A prefix the stream
// does not know yet is bound to the URI given.
XmlStream::Prefix& XmlStream::boundPrefixOf(const std::string& elementName, std::size_t colon,
                                            const std::string& namespaceUri)
{
    const auto known = fPrefixes.find(std::string_view(elementName.data(), colon));
    if (known != fPrefixes.end())
        return known->second;
    if (namespaceUri.empty() || isUri(namespaceUri, kXmlNamespaceUri))
        refuse({"the prefix of element ", elementName, " cannot be bound to the namespace \"",
                namespaceUri, "\""});
    return bindPrefix(elementName.substr(0, colon), namespaceOf(namespaceUri));
}

// "<name" and the declarations: the prefixes asked for since the last start
// tag, latest first, then the default namespace or the name's prefix, then
// the stable prefix of the element's URI.
inline std::string XmlStream::startTagText(const std::string& elementName, const StartTag& tag) const
{
    const std::string* namePrefix = tag.namePrefix != nullptr ? &tag.namePrefix->declaration : nullptr;
    const std::string* ownPrefix = tag.ownPrefix != nullptr ? &tag.ownPrefix->declaration : nullptr;
    const std::string* declarations[] = {tag.defaultDeclaration, namePrefix, ownPrefix};
    std::size_t size = elementName.size() + 1;
    for (const std::string* declaration : declarations)
        size += declaration != nullptr ? declaration->size() : 0;
    if (!fPending.empty() || size > kGatheredText)
        return startTagWithPending(elementName, declarations);
    char gathered[kGatheredText];
    char* out = gathered;
    *out++ = '<';
    out = copyPiece(out, elementName);
    for (const std::string* declaration : declarations)
    {
        if (declaration != nullptr)
            out = copyPiece(out, *declaration);
    }
    return std::string(gathered, size);
}

// A start tag that declares the prefixes asked for since the last one, or
// one too long to gather.
std::string XmlStream::startTagWithPending(const std::string& elementName,
                                           const std::string* const (&declarations)[3]) const
{
    std::size_t size = elementName.size() + 1;
    for (const Prefix* pending : fPending)
        size += pending->declaration.size();
    for (const std::string* declaration : declarations)
        size += declaration != nullptr ? declaration->size() : 0;
    std::string text;
    text.reserve(size);
    text += '<';
    text += elementName;
    for (auto pending = fPending.rbegin(); pending != fPending.rend(); ++pending)
        text += (*pending)->declaration;
    for (const std::string* declaration : declarations)
    {
        if (declaration != nullptr)
            text += *declaration;
    }
    return text;
}

// Records the element's scope, once nothing more can be refused.
inline void XmlStream::recordStart(const std::string& elementName, const StartTag& tag)
{
    if (fOpenNames.size() - fOpenNamesEnd < elementName.size())
        growOpenNames(elementName.size());
    fOpenElements.push_back(OpenElement{fOpenNamesEnd, fDeclared.size(),
                                        tag.defaultNamespace, tag.ownNamespace});
    copyPiece(fOpenNames.data() + fOpenNamesEnd, elementName);
    fOpenNamesEnd += elementName.size();
    for (Prefix* pending : fPending)
        declare(*pending);
    fPending.clear();
    if (tag.namePrefix != nullptr)
        declare(*tag.namePrefix);
    if (tag.ownPrefix != nullptr)
        declare(*tag.ownPrefix);
}

// Room for a name of that size after the names of the open elements.
void XmlStream::growOpenNames(std::size_t nameSize)
{
    fOpenNames.resize(std::max(2 * fOpenNames.size(), fOpenNamesEnd + nameSize + 256));
}

inline void XmlStream::declare(Prefix& prefix)
{
    fDeclared.push_back(&prefix);
    prefix.scope = Prefix::InScope;
}

// ' name="text"'. This runs once for every attribute written, so the usual
// attribute is checked and framed here, without further calls.
std::string XmlStream::writeAttribute(const std::string& name, const std::string& text) const
{
    checkAttribute(name, text);
    const std::size_t size = name.size() + text.size() + 4;
    if (size > kGatheredText)
        return frameLongAttribute(name, text);
    char gathered[kGatheredText];
    char* out = gathered;
    *out++ = ' ';
    out = copyPiece(out, name);
    *out++ = '=';
    *out++ = '"';
    out = copyPiece(out, text);
    *out = '"';
    return std::string(gathered, size);
}

std::string XmlStream::frameLongAttribute(const std::string& name, const std::string& text) const
{
    std::string attribute;
    attribute.reserve(name.size() + text.size() + 4);
    attribute.append(" ").append(name).append("=\"").append(text).append("\"");
    return attribute;
}

// The checks of every attribute written, as cheap as they can be for the
// usual one: an unprefixed name the stream has met, text with no "<", '"'
// or "&" in it. Anything else is looked at again in checkUnusualAttribute,
// which explains what it refuses.
inline void XmlStream::checkAttribute(std::string_view name, const std::string& text) const
{
    const std::size_t colon = colonOfCheckedName(name, "attribute");
    if (fOpenElements.empty() || colon != std::string::npos || name == "xmlns"
        || ByteScan::hasAttributeMark(text.data(), text.size()))
        checkUnusualAttribute(name, colon, text);
}

void XmlStream::checkUnusualAttribute(std::string_view name, std::size_t colon,
                                      const std::string& text) const
{
    if (fOpenElements.empty())
        refuseOrder({"attribute ", name, " written outside a start tag"});
    if (colon == std::string::npos)
    {
        if (name == "xmlns")
            refuse({"namespace declarations are written by the stream itself, not as attributes"});
    }
    else if (hasPrefix(name, colon, "xmlns"))
    {
        refuse({"namespace declarations are written by the stream itself, not as attribute ", name});
    }
    else if (!hasPrefix(name, colon, "xml"))
    {
        const auto prefix = fPrefixes.find(name.substr(0, colon));
        if (prefix == fPrefixes.end() || prefix->second.scope != Prefix::InScope)
            refuse({"the prefix of attribute ", name, " is not declared"});
    }
    if (!isEscapedAttributeText(text))
        refuse({"the text of attribute ", name, " is not escaped: ", text});
}

std::string XmlStream::writeOpenElementClose(const std::string&, bool leaf)
{
    if (leaf)
    {
        closeElement(nullptr);
        return "/>";
    }
    if (fOpenElements.empty())
        refuseOrder({"no start tag is open"});
    return ">";
}

const std::string XmlStream::getNamespacePrefix(const std::string& namespaceUri)
{
    if (namespaceUri.empty())
        refuse({"the empty namespace name has no prefix"});
    if (isUri(namespaceUri, kXmlNamespaceUri))
        return "xml";
    if (isUri(namespaceUri, kXmlnsNamespaceUri))
        refuse({"no prefix can be bound to ", namespaceUri});

    Prefix& prefix = stablePrefixOf(namespaceOf(namespaceUri));
    if (prefix.scope == Prefix::OutOfScope)
    {
        fPending.push_back(&prefix);
        prefix.scope = Prefix::Pending;
    }
    return *prefix.name;
}

std::string XmlStream::writeCloseElement(const std::string&, const std::string& elementName)
{
    closeElement(&elementName);
    const std::size_t size = elementName.size() + 3;
    if (size > kGatheredText)
    {
        std::string text;
        text.reserve(size);
        text.append("</").append(elementName).append(">");
        return text;
    }
    char gathered[kGatheredText];
    char* out = gathered;
    *out++ = '<';
    *out++ = '/';
    out = copyPiece(out, elementName);
    *out = '>';
    return std::string(gathered, size);
}

// The table's entry for a name, or null.
inline const XmlStream::CheckedName* XmlStream::findCheckedName(std::string_view name) const
{
    const std::size_t size = name.size();
    if (fCheckedNames.empty() || size - 1 >= kLongestCheckedName)
        return nullptr;
    const NameKey key = keyOf(name.data(), size);
    for (std::size_t slot = slotOf(key, size);; slot = (slot + 1) % kCheckedNameSlots)
    {
        const CheckedName& entry = fCheckedNames[slot];
        if (entry.size == size && entry.head == key.head && entry.tail == key.tail
            && (size <= 16 || sameMiddle(name, entry)))
            return &entry;
        if (entry.size == 0)
            return nullptr;
    }
}

// The colon's place in a name, as checkQualifiedName gives it. A message
// writes the same few names over and over: each is checked once and kept in
// a small table.
inline std::size_t XmlStream::colonOfCheckedName(std::string_view name, const char* what) const
{
    if (const CheckedName* known = findCheckedName(name))
        return known->colon == kNoColon ? std::string::npos : known->colon;
    return checkNewName(name, what);
}

// Whether the bytes of a name between its first and last eight are those
// of a table entry of the same size and the same first and last bytes.
inline bool XmlStream::sameMiddle(std::string_view name, const CheckedName& entry) const
{
    return sameBytes(name.data() + 8, fCheckedNameBytes.data() + entry.middleAt, name.size() - 16);
}

// Checks a name the table does not hold and records it there; a full table
// starts again empty.
std::size_t XmlStream::checkNewName(std::string_view name, const char* what) const
{
    const std::size_t colon = checkQualifiedName(std::string(name), what);
    if (name.size() > kLongestCheckedName)
        return colon;
    if (fCheckedNameCount == kCheckedNameSlots / 4 * 3 || fCheckedNames.empty())
    {
        fCheckedNames.assign(kCheckedNameSlots, CheckedName());
        fCheckedNameBytes.clear();
        fCheckedNameCount = 0;
    }
    const NameKey key = keyOf(name.data(), name.size());
    std::size_t slot = slotOf(key, name.size());
    while (fCheckedNames[slot].size != 0)
        slot = (slot + 1) % kCheckedNameSlots;
    CheckedName& entry = fCheckedNames[slot];
    entry.head = key.head;
    entry.tail = key.tail;
    entry.size = static_cast<std::uint32_t>(name.size());
    entry.colon = colon == std::string::npos ? kNoColon : static_cast<std::uint32_t>(colon);
    entry.middleAt = static_cast<std::uint32_t>(fCheckedNameBytes.size());
    if (name.size() > 16)
        fCheckedNameBytes.append(name.data() + 8, name.size() - 16);
    ++fCheckedNameCount;
    return colon;
}

const XmlStream::Namespace* XmlStream::currentDefaultNamespace() const
{
    return fOpenElements.empty() ? nullptr : fOpenElements.back().defaultNamespace;
}

// The stream's record of a namespace URI, added on first use. Most elements
// are in the namespace of the element around them, and a message asks for
// the prefix of its own element's namespace: the innermost open element's
// is tried before the table.
inline XmlStream::Namespace& XmlStream::namespaceOf(const std::string& namespaceUri)
{
    if (!fOpenElements.empty())
    {
        Namespace* own = fOpenElements.back().ownNamespace;
        if (own != nullptr && sameText(namespaceUri, own->uri->data(), own->uri->size()))
            return *own;
    }
    if (fRecentNamespace != nullptr
        && sameText(namespaceUri, fRecentNamespace->uri->data(), fRecentNamespace->uri->size()))
        return *fRecentNamespace;
    fRecentNamespace = &tableNamespaceOf(namespaceUri);
    return *fRecentNamespace;
}

XmlStream::Namespace& XmlStream::tableNamespaceOf(const std::string& namespaceUri)
{
    auto known = fNamespaces.find(namespaceUri);
    if (known == fNamespaces.end())
    {
        Namespace space;
        space.defaultDeclaration = declaration(std::string(), namespaceUri);
        known = fNamespaces.emplace(namespaceUri, std::move(space)).first;
        known->second.uri = &known->first;
    }
    return known->second;
}

// Binds a prefix the stream did not know to a URI, for the stream's life.
// The URI adopts it as its stable prefix if it has none yet.
XmlStream::Prefix& XmlStream::bindPrefix(const std::string& prefix, Namespace& boundTo)
{
    Prefix binding;
    binding.boundTo = &boundTo;
    binding.declaration = declaration(prefix, *boundTo.uri);
    auto entry = fPrefixes.emplace(prefix, std::move(binding)).first;
    entry->second.name = &entry->first;
    if (boundTo.stablePrefix == nullptr)
        boundTo.stablePrefix = &entry->second;
    return entry->second;
}

inline XmlStream::Prefix& XmlStream::stablePrefixOf(Namespace& space)
{
    return space.stablePrefix != nullptr ? *space.stablePrefix : generatePrefix(space);
}

// A prefix "ns" and a number that no prefix has, bound to a URI that has
// none yet.
XmlStream::Prefix& XmlStream::generatePrefix(Namespace& space)
{
    std::string prefix;
    do
        prefix = "ns" + std::to_string(++fGeneratedPrefixes);
    while (fPrefixes.count(prefix) != 0);
    return bindPrefix(prefix, space);
}

// Ends the innermost element's scope. With a name, it must be the name the
// element was opened with. Prefixes asked for inside the element and not yet
// declared stay pending for the next start tag.
inline void XmlStream::closeElement(const std::string* elementName)
{
    if (fOpenElements.empty())
        refuseOrder({"no element is open"});
    const OpenElement& element = fOpenElements.back();
    if (elementName != nullptr
        && !sameText(*elementName, fOpenNames.data() + element.nameStart,
                     fOpenNamesEnd - element.nameStart))
        refuse({"end tag ", *elementName, " does not match the open element ",
                std::string_view(fOpenNames.data() + element.nameStart,
                                 fOpenNamesEnd - element.nameStart)});

    for (std::size_t i = element.firstDeclared; i < fDeclared.size(); ++i)
        fDeclared[i]->scope = Prefix::OutOfScope;
    fDeclared.resize(element.firstDeclared);
    fOpenNamesEnd = element.nameStart;
    fOpenElements.pop_back();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
