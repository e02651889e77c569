#ifndef BRISVALE_SOA_COMMON_XML_NAMESPACETABLE_HPP
#define BRISVALE_SOA_COMMON_XML_NAMESPACETABLE_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The entries of an XmlStream's table, a map from string to string, and
// what each holds. Three kinds of entry, told apart by their keys:
//  - a namespace URI the stream has met, under the URI itself;
//  - a prefix bound to a URI, under kPrefixMark and the prefix. No URI the
//    stream keeps starts with that byte: XML cannot carry it;
//  - the stream's own entry, under the empty key, which no URI and no
//    prefix has: it is always the table's first.
// An entry stays where it is until the stream is destroyed, so the stream
// refers to entries by address. Each value starts with fixed fields, kept
// as bytes and changed in place (which cannot fail and moves nothing);
// the rest of it is text.
namespace NamespaceTable {

using Table = std::map<std::string, std::string>;
using Entry = Table::value_type;

constexpr char kPrefixMark = '\x01';

template <class Field>
Field fieldOf(const Entry* entry, std::size_t at)
{
    Field field;
    std::memcpy(&field, entry->second.data() + at, sizeof field);
    return field;
}

template <class Field>
void setField(Entry* entry, std::size_t at, Field field)
{
    std::memcpy(entry->second.data() + at, &field, sizeof field);
}

// The text of an entry's value after its fields.
inline std::string_view textAfter(const Entry* entry, std::size_t fieldsSize)
{
    return std::string_view(entry->second.data() + fieldsSize, entry->second.size() - fieldsSize);
}

// A namespace URI's entry. Its value: the entry of the URI's stable prefix
// (null while it has only been a default namespace), then ' xmlns="uri"',
// escaped.
namespace Namespace {

constexpr std::size_t kStablePrefix = 0;
constexpr std::size_t kFieldsSize = sizeof(Entry*);

inline std::string value(std::string_view defaultDeclaration)
{
    std::string text(kFieldsSize, '\0');
    text.append(defaultDeclaration.data(), defaultDeclaration.size());
    return text;
}

inline const std::string& uri(const Entry* space) { return space->first; }
inline std::string_view defaultDeclaration(const Entry* space) { return textAfter(space, kFieldsSize); }
inline Entry* stablePrefix(const Entry* space) { return fieldOf<Entry*>(space, kStablePrefix); }
inline void setStablePrefix(Entry* space, Entry* prefix) { setField(space, kStablePrefix, prefix); }

} // namespace Namespace

// A prefix's entry. Its value: the entry of the URI it is bound to; the
// next prefix in the list it is on (those declared on one open element, or
// those pending), null at the list's end; its scope; then
// ' xmlns:prefix="uri"', escaped.
namespace Prefix {

enum Scope : std::uint8_t
{
    OutOfScope,
    Pending,  // to be declared on the next start tag
    InScope   // declared on an open element
};

constexpr std::size_t kBoundTo = 0;
constexpr std::size_t kNext = kBoundTo + sizeof(Entry*);
constexpr std::size_t kScope = kNext + sizeof(Entry*);
constexpr std::size_t kFieldsSize = kScope + 1;

inline std::string key(std::string_view name)
{
    std::string text(1, kPrefixMark);
    text.append(name.data(), name.size());
    return text;
}

inline std::string value(Entry* boundTo, std::string_view declaration)
{
    std::string text(kFieldsSize, '\0');
    std::memcpy(text.data() + kBoundTo, &boundTo, sizeof boundTo);
    text.append(declaration.data(), declaration.size());
    return text;
}

inline std::string_view name(const Entry* prefix)
{
    return std::string_view(prefix->first.data() + 1, prefix->first.size() - 1);
}

inline std::string_view declaration(const Entry* prefix) { return textAfter(prefix, kFieldsSize); }
inline Entry* boundTo(const Entry* prefix) { return fieldOf<Entry*>(prefix, kBoundTo); }
inline Entry* next(const Entry* prefix) { return fieldOf<Entry*>(prefix, kNext); }
inline void setNext(Entry* prefix, Entry* next) { setField(prefix, kNext, next); }
inline Scope scope(const Entry* prefix) { return fieldOf<Scope>(prefix, kScope); }
inline void setScope(Entry* prefix, Scope scope) { setField(prefix, kScope, scope); }

} // namespace Prefix

// The stream's own entry. Its value: the first pending prefix (the one
// asked for last), the namespace the last search of the table found, the
// number of the last generated prefix ("ns1", "ns2", ...), then the names
// of the open elements, outermost first, one after the other, and room
// for more.
namespace Stream {

constexpr std::size_t kFirstPending = 0;
constexpr std::size_t kRecentNamespace = kFirstPending + sizeof(Entry*);
constexpr std::size_t kGeneratedPrefixes = kRecentNamespace + sizeof(Entry*);
constexpr std::size_t kFieldsSize = kGeneratedPrefixes + sizeof(long);

// Where the names start in the value.
constexpr std::size_t kNamesStart = kFieldsSize;

inline Entry* firstPending(const Entry* stream) { return fieldOf<Entry*>(stream, kFirstPending); }
inline void setFirstPending(Entry* stream, Entry* prefix) { setField(stream, kFirstPending, prefix); }
inline Entry* recentNamespace(const Entry* stream) { return fieldOf<Entry*>(stream, kRecentNamespace); }
inline void setRecentNamespace(Entry* stream, Entry* space) { setField(stream, kRecentNamespace, space); }
inline long generatedPrefixes(const Entry* stream) { return fieldOf<long>(stream, kGeneratedPrefixes); }
inline void setGeneratedPrefixes(Entry* stream, long count) { setField(stream, kGeneratedPrefixes, count); }

} // namespace Stream

} // namespace NamespaceTable

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
