#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <algorithm>
#include <initializer_list>
#include <ios>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "Xml/Text/ByteScan.hpp"
#include "Xml/Text/XmlCharacters.hpp"
#include "Xml/Writing/CheckedNames.hpp"
#include "Xml/Writing/GatheredText.hpp"
#include "Xml/Writing/NamespaceTable.hpp"
#include "Xml/Writing/ShortBytes.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

namespace Namespace = NamespaceTable::Namespace;
namespace Prefix = NamespaceTable::Prefix;
namespace Stream = NamespaceTable::Stream;
using NamespaceTable::kPrefixMark;
using ShortBytes::sameText;

// The names this thread's streams have checked. Built without code (its
// members' initial values are constant) and left without any, so that a
// thread pays for it only with its memory, 8 KiB.
thread_local CheckedNames tCheckedNames;

const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespaceUri[] = "http://www.w3.org/2000/xmlns/";
const std::string_view kNoDefaultNamespace = " xmlns=\"\"";

// Compares the lengths first: namespace URIs are long and mostly differ in
// length from these two.
template <std::size_t N>
bool isUri(const std::string& namespaceUri, const char (&reserved)[N])
{
    return namespaceUri.size() == N - 1 && ShortBytes::same(namespaceUri.data(), reserved, N - 1);
}

template <std::size_t N>
bool hasPrefix(std::string_view name, std::size_t colon, const char (&prefix)[N])
{
    return colon == N - 1 && ShortBytes::same(name.data(), prefix, N - 1);
}

inline bool sameText(std::string_view text, const std::string& other)
{
    return sameText(text, other.data(), other.size());
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

// ' xmlns="uri"' or ' xmlns:prefix="uri"'. Escaping the URI also refuses
// one that XML cannot carry.
std::string declaration(std::string_view prefix, const std::string& namespaceUri)
{
    std::string text(prefix.empty() ? " xmlns=\"" : " xmlns:");
    if (!prefix.empty())
        text.append(prefix.data(), prefix.size()).append("=\"");
    appendXmlEscaped(text, namespaceUri);
    text += '"';
    return text;
}

} // namespace

// What a start tag declares, worked out before anything is recorded.
struct XmlStream::StartTag
{
    const OpenElement* outer;                 // the element around it; null at the root
    TableEntry* defaultNamespace;             // in scope inside the element
    std::string_view defaultDeclaration;      // empty for none
    TableEntry* namePrefix = nullptr;         // the name's prefix, when declared here
    TableEntry* ownPrefix = nullptr;          // the URI's stable prefix, when declared here
    TableEntry* ownNamespace = nullptr;

    // The namespace of the element around it, the one an element is most
    // often in.
    TableEntry* nearbyNamespace() const { return outer != nullptr ? outer->ownNamespace : nullptr; }
};

// The entries an operation adds to the table, taken out again when it
// throws before it completes, together with what it changed of the entries
// already there: a URI's stable prefix (only ever set on a URI without
// one), the namespace last found and the count of generated prefixes.
// Taking entries out cannot fail.
class XmlStream::TableChanges
{
public:
    explicit TableChanges(Table& table) : fTable(table) {}
    TableChanges(const TableChanges&) = delete;
    TableChanges& operator=(const TableChanges&) = delete;

    ~TableChanges()
    {
        if (fAddedCount != 0)
            undo();
    }

    void added(Table::iterator entry) noexcept
    {
        if (fAddedCount == 0)
        {
            const TableEntry* stream = &*fTable.begin();
            fRecentNamespace = Stream::recentNamespace(stream);
            fGeneratedPrefixes = Stream::generatedPrefixes(stream);
        }
        fAdded[fAddedCount++] = entry;
    }

    // The operation has completed: its entries stay.
    void keep() noexcept { fAddedCount = 0; }

private:
    // A start tag adds at most a URI, the prefix of its name and the URI's
    // stable prefix.
    static constexpr int kMostAdded = 4;

    void undo() noexcept
    {
        while (fAddedCount > 0)
        {
            const Table::iterator entry = fAdded[--fAddedCount];
            TableEntry* added = &*entry;
            if (added->first.front() == kPrefixMark)
            {
                TableEntry* space = Prefix::boundTo(added);
                if (Namespace::stablePrefix(space) == added)
                    Namespace::setStablePrefix(space, nullptr);
            }
            fTable.erase(entry);
        }
        TableEntry* stream = &*fTable.begin();
        Stream::setRecentNamespace(stream, fRecentNamespace);
        Stream::setGeneratedPrefixes(stream, fGeneratedPrefixes);
    }

    Table& fTable;
    Table::iterator fAdded[kMostAdded];
    int fAddedCount = 0;
    TableEntry* fRecentNamespace = nullptr;
    long fGeneratedPrefixes = 0;
};

XmlStream::XmlStream()
{
    exceptions(std::ios::badbit | std::ios::failbit);
    fTable.emplace(std::string(), std::string(Stream::kFieldsSize, '\0'));
}

bool XmlStream::isRootElement() const
{
    return fOpenElements.empty();
}

// The text and everything the table lacks are made first; the element is
// recorded only once nothing more can fail.
std::string XmlStream::writeOpenElement(const std::string& namespaceUri,
                                        const std::string& elementName)
{
    const std::size_t colon = colonOfCheckedName(elementName, "element");
    if (isUri(namespaceUri, kXmlnsNamespaceUri))
        refuse({"no element can be in the namespace ", namespaceUri});
    if (hasPrefix(elementName, colon, "xmlns"))
        refuse({"element ", elementName, " uses the reserved prefix xmlns"});

    TableChanges changes(fTable);
    StartTag tag;
    tag.outer = innermostElement();
    tag.defaultNamespace = tag.outer != nullptr ? tag.outer->defaultNamespace : nullptr;
    if (colon == std::string::npos)
        chooseDefaultNamespace(tag, changes, namespaceUri, elementName);
    else if (!hasPrefix(elementName, colon, "xml"))
        tag.namePrefix = prefixOfName(tag, changes, elementName, colon, namespaceUri);

    // Inside the element, the URI given has its stable prefix in scope.
    if (!namespaceUri.empty() && !isUri(namespaceUri, kXmlNamespaceUri))
    {
        TableEntry* own = namespaceOf(changes, namespaceUri, tag.nearbyNamespace());
        tag.ownNamespace = own;
        TableEntry* ownPrefix = stablePrefixOf(changes, own);
        if (Prefix::scope(ownPrefix) == Prefix::OutOfScope && ownPrefix != tag.namePrefix)
            tag.ownPrefix = ownPrefix;
    }

    TableEntry* stream = &*fTable.begin();
    std::string text = startTagText(stream, elementName, tag);
    const std::size_t nameStart = tag.outer != nullptr ? tag.outer->nameEnd : Stream::kNamesStart;
    const std::size_t nameEnd = nameStart + elementName.size();
    if (stream->second.size() < nameEnd)
        growNames(nameStart, elementName.size());
    fOpenElements.push_back(OpenElement{tag.defaultNamespace, tag.ownNamespace, nullptr, nameStart, nameEnd});
    recordStart(stream, elementName, tag);
    changes.keep();
    return text;
}

// An unprefixed name puts the element in the URI given, as the default
// namespace.
void XmlStream::chooseDefaultNamespace(StartTag& tag, TableChanges& changes,
                                       const std::string& namespaceUri, const std::string& elementName)
{
    if (namespaceUri.empty())
    {
        if (tag.defaultNamespace != nullptr)
        {
            tag.defaultDeclaration = kNoDefaultNamespace;
            tag.defaultNamespace = nullptr;
        }
        return;
    }
    if (tag.defaultNamespace != nullptr && sameText(namespaceUri, Namespace::uri(tag.defaultNamespace)))
        return;
    if (isUri(namespaceUri, kXmlNamespaceUri))
        refuse({"the XML namespace cannot be the default namespace of element ", elementName});
    TableEntry* space = namespaceOf(changes, namespaceUri, tag.nearbyNamespace());
    tag.defaultNamespace = space;
    tag.defaultDeclaration = Namespace::defaultDeclaration(space);
}

// The prefix of a prefixed element name, when the start tag must declare
// it; null when it is in scope or about to be declared. The name's prefix
// is usually that of the element around it.
inline XmlStream::TableEntry* XmlStream::prefixOfName(const StartTag& tag, TableChanges& changes,
                                                      const std::string& elementName, std::size_t colon,
                                                      const std::string& namespaceUri)
{
    TableEntry* prefix = nullptr;
    if (TableEntry* nearby = tag.nearbyNamespace())
    {
        TableEntry* outer = Namespace::stablePrefix(nearby);
        if (sameText(Prefix::name(outer), elementName.data(), colon))
            prefix = outer;
    }
    if (prefix == nullptr)
        prefix = boundPrefixOf(changes, elementName, colon, namespaceUri);
    return Prefix::scope(prefix) == Prefix::OutOfScope ? prefix : nullptr;
}

// The binding of the prefix of a prefixed element name. A prefix the stream
// does not know yet is bound to the URI given.
XmlStream::TableEntry* XmlStream::boundPrefixOf(TableChanges& changes, const std::string& elementName,
                                                std::size_t colon, const std::string& namespaceUri)
{
    const std::string_view prefix(elementName.data(), colon);
    const auto known = fTable.find(Prefix::key(prefix));
    if (known != fTable.end())
        return &*known;
    if (namespaceUri.empty() || isUri(namespaceUri, kXmlNamespaceUri))
        refuse({"the prefix of element ", elementName, " cannot be bound to the namespace \"",
                namespaceUri, "\""});
    TableEntry* space = namespaceOf(changes, namespaceUri, nullptr);
    return bindPrefix(changes, std::string(prefix), space);
}

// "<name" and the declarations: the prefixes asked for since the last start
// tag, latest first, then the default namespace or the name's prefix, then
// the stable prefix of the element's URI.
inline std::string XmlStream::startTagText(const TableEntry* stream, const std::string& elementName,
                                           const StartTag& tag) const
{
    const TableEntry* firstPending = Stream::firstPending(stream);
    const std::string_view namePrefix = tag.namePrefix != nullptr ? Prefix::declaration(tag.namePrefix) : "";
    const std::string_view ownPrefix = tag.ownPrefix != nullptr ? Prefix::declaration(tag.ownPrefix) : "";
    std::size_t size = elementName.size() + 1 + tag.defaultDeclaration.size() + namePrefix.size() + ownPrefix.size();
    for (const TableEntry* pending = firstPending; pending != nullptr; pending = Prefix::next(pending))
        size += Prefix::declaration(pending).size();
    return GatheredText::build(size, [&](GatheredText& text) {
        text.add('<').add(elementName);
        for (const TableEntry* pending = firstPending; pending != nullptr; pending = Prefix::next(pending))
            text.add(Prefix::declaration(pending));
        text.add(tag.defaultDeclaration).add(namePrefix).add(ownPrefix);
    });
}

// Room after the names of the open elements for one more.
void XmlStream::growNames(std::size_t namesEnd, std::size_t nameSize)
{
    std::string& names = fTable.begin()->second;
    names.resize(std::max(2 * names.size(), namesEnd + nameSize + 256));
}

// Completes the record of the element just queued: its name, and the
// prefixes its start tag declares (those pending, its name's and its URI's)
// in scope on it.
inline void XmlStream::recordStart(TableEntry* stream, const std::string& elementName,
                                   const StartTag& tag) noexcept
{
    OpenElement& element = fOpenElements.back();
    ShortBytes::copy(stream->second.data() + element.nameStart, elementName);

    TableEntry* declared = Stream::firstPending(stream);
    if (declared != nullptr)
    {
        for (TableEntry* pending = declared; pending != nullptr; pending = Prefix::next(pending))
            Prefix::setScope(pending, Prefix::InScope);
        Stream::setFirstPending(stream, nullptr);
    }
    for (TableEntry* prefix : {tag.namePrefix, tag.ownPrefix})
    {
        if (prefix == nullptr)
            continue;
        Prefix::setScope(prefix, Prefix::InScope);
        Prefix::setNext(prefix, declared);
        declared = prefix;
    }
    element.firstDeclared = declared;
}

// ' name="text"'. This runs once for every attribute written, so the usual
// attribute is checked and framed here, without further calls.
std::string XmlStream::writeAttribute(const std::string& name, const std::string& text) const
{
    checkAttribute(name, text);
    return GatheredText::build(name.size() + text.size() + 4, [&](GatheredText& attribute) {
        attribute.add(' ').add(name).add('=').add('"').add(text).add('"');
    });
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
        const auto prefix = fTable.find(Prefix::key(name.substr(0, colon)));
        if (prefix == fTable.end() || Prefix::scope(&*prefix) != Prefix::InScope)
            refuse({"the prefix of attribute ", name, " is not declared"});
    }
    if (!isEscapedAttributeText(text))
        refuse({"the text of attribute ", name, " is not escaped: ", text});
}

std::string XmlStream::writeOpenElementClose(const std::string&, bool leaf)
{
    if (leaf)
    {
        elementToClose(nullptr);
        std::string text("/>");
        closeElement();
        return text;
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

    TableChanges changes(fTable);
    const OpenElement* innermost = innermostElement();
    TableEntry* space = namespaceOf(changes, namespaceUri, innermost != nullptr ? innermost->ownNamespace : nullptr);
    TableEntry* prefix = stablePrefixOf(changes, space);
    std::string name(Prefix::name(prefix));
    if (Prefix::scope(prefix) == Prefix::OutOfScope)
    {
        TableEntry* stream = &*fTable.begin();
        Prefix::setNext(prefix, Stream::firstPending(stream));
        Prefix::setScope(prefix, Prefix::Pending);
        Stream::setFirstPending(stream, prefix);
    }
    changes.keep();
    return name;
}

std::string XmlStream::writeCloseElement(const std::string&, const std::string& elementName)
{
    elementToClose(&elementName);
    std::string text = GatheredText::build(elementName.size() + 3, [&](GatheredText& endTag) {
        endTag.add('<').add('/').add(elementName).add('>');
    });
    closeElement();
    return text;
}

// The colon's place in a name, as checkQualifiedName gives it. A message
// writes the same few names over and over: each is checked once and kept in
// the thread's table of checked names.
inline std::size_t XmlStream::colonOfCheckedName(std::string_view name, const char* what) const
{
    std::size_t colon;
    if (tCheckedNames.find(name, colon))
        return colon;
    return checkNewName(name, what);
}

std::size_t XmlStream::checkNewName(std::string_view name, const char* what) const
{
    const std::size_t colon = checkQualifiedName(std::string(name), what);
    tCheckedNames.insert(name, colon);
    return colon;
}

const XmlStream::OpenElement* XmlStream::innermostElement() const
{
    return fOpenElements.empty() ? nullptr : &fOpenElements.back();
}

// The stream's entry for a namespace URI, added on first use. Most elements
// are in the namespace of the element around them (nearby), and a message
// asks for the prefix of its own element's namespace: that one is tried
// before the table.
inline XmlStream::TableEntry* XmlStream::namespaceOf(TableChanges& changes, const std::string& namespaceUri,
                                                     TableEntry* nearby)
{
    if (nearby != nullptr && sameText(namespaceUri, Namespace::uri(nearby)))
        return nearby;
    TableEntry* stream = &*fTable.begin();
    TableEntry* recent = Stream::recentNamespace(stream);
    if (recent != nullptr && sameText(namespaceUri, Namespace::uri(recent)))
        return recent;
    recent = tableNamespaceOf(changes, namespaceUri);
    Stream::setRecentNamespace(stream, recent);
    return recent;
}

XmlStream::TableEntry* XmlStream::tableNamespaceOf(TableChanges& changes, const std::string& namespaceUri)
{
    // A URI that starts like a prefix's key may find that prefix: it goes
    // on to have its declaration made, which refuses it, as XML cannot
    // carry it.
    auto known = fTable.find(namespaceUri);
    if (known == fTable.end() || namespaceUri.front() == kPrefixMark)
    {
        known = fTable.emplace(namespaceUri, Namespace::value(declaration(std::string_view(), namespaceUri))).first;
        changes.added(known);
    }
    return &*known;
}

// Binds a prefix the stream did not know to a URI, for the stream's life.
// The URI adopts it as its stable prefix if it has none yet.
XmlStream::TableEntry* XmlStream::bindPrefix(TableChanges& changes, const std::string& prefix,
                                             TableEntry* boundTo)
{
    std::string value = Prefix::value(boundTo, declaration(prefix, Namespace::uri(boundTo)));
    const auto entry = fTable.emplace(Prefix::key(prefix), std::move(value)).first;
    changes.added(entry);
    if (Namespace::stablePrefix(boundTo) == nullptr)
        Namespace::setStablePrefix(boundTo, &*entry);
    return &*entry;
}

inline XmlStream::TableEntry* XmlStream::stablePrefixOf(TableChanges& changes, TableEntry* space)
{
    TableEntry* prefix = Namespace::stablePrefix(space);
    return prefix != nullptr ? prefix : generatePrefix(changes, space);
}

// A prefix "ns" and a number that no prefix has, bound to a URI that has
// none yet.
XmlStream::TableEntry* XmlStream::generatePrefix(TableChanges& changes, TableEntry* space)
{
    TableEntry* stream = &*fTable.begin();
    long number = Stream::generatedPrefixes(stream);
    std::string prefix;
    do
        prefix = "ns" + std::to_string(++number);
    while (fTable.count(Prefix::key(prefix)) != 0);
    TableEntry* bound = bindPrefix(changes, prefix, space);
    Stream::setGeneratedPrefixes(stream, number);
    return bound;
}

// The innermost element, which an end tag (with its name) or the end of a
// leaf's start tag (without) is about to close. With a name, it must be
// the name the element was opened with.
const XmlStream::OpenElement& XmlStream::elementToClose(const std::string* elementName) const
{
    if (fOpenElements.empty())
        refuseOrder({"no element is open"});
    const OpenElement& element = fOpenElements.back();
    const std::string_view openName(fTable.begin()->second.data() + element.nameStart,
                                    element.nameEnd - element.nameStart);
    if (elementName != nullptr && !sameText(openName, *elementName))
        refuse({"end tag ", *elementName, " does not match the open element ", openName});
    return element;
}

// Ends the innermost element's scope. Prefixes asked for inside the element
// and not yet declared stay pending for the next start tag.
void XmlStream::closeElement() noexcept
{
    TableEntry* declared = fOpenElements.back().firstDeclared;
    while (declared != nullptr)
    {
        TableEntry* next = Prefix::next(declared);
        Prefix::setScope(declared, Prefix::OutOfScope);
        Prefix::setNext(declared, nullptr);
        declared = next;
    }
    fOpenElements.pop_back();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
