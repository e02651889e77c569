#ifndef BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP
#define BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP

#include <cstddef>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A string stream that writes namespace-well-formed XML.
//
// The write operations return text and never insert it themselves: the
// caller inserts every returned string into the stream, in order, e.g.
//     stream << stream.writeOpenElement(uri, "root");
//
// The stream keeps track of namespace declarations. Each URI gets one stable
// prefix ("ns1", "ns2", ...) for the stream's life, and a prefix the caller
// puts in a name keeps the URI it was first bound to. A start tag declares
// what its element needs and what is not yet in scope; the declarations end
// with that element:
//  - an unprefixed name puts the element in the URI given, declaring it as
//    the default namespace unless it already is;
//  - a prefixed name uses its prefix as is when it is in scope; a prefix
//    the stream already knows is declared again with its own URI; a prefix
//    it does not know is bound to the URI given;
//  - the URI given always has its stable prefix in scope inside the element,
//    so getNamespacePrefix can be asked for it after the start tag.
//
// Names are checked; a name that is not an XML name, an end tag whose name
// is not that of the open element, or attribute text holding an unescaped
// '<' or '"' raises std::invalid_argument. Duplicate attributes are not
// detected. A failed write into the stream itself raises
// std::ios_base::failure.
class BRISVALE_SOA_COMMON_API XmlStream : public std::stringstream
{
public:
    XmlStream();
    virtual ~XmlStream() {}

    // True while no element is open, so only the outermost element sees it.
    bool isRootElement() const;

    // "<" and the name, followed by the namespace declarations the element
    // needs. The attributes and the end of the start tag follow.
    std::string writeOpenElement(const std::string& namespaceUri,
                                 const std::string& elementName);

    // ' name="text"'. The text must already be escaped (toXmlString) or be
    // a converted value (lexical_cast); it is inserted unchanged.
    std::string writeAttribute(const std::string& name,
                               const std::string& text) const;

    // The same, built in the buffer of a text the caller no longer needs
    // (such as the result of toXmlString), which saves an allocation when
    // the buffer has room for the name and the quotes.
    std::string writeAttribute(const std::string& name,
                               std::string&& text) const;

    // "/>" for a leaf, which completes the element, otherwise ">".
    std::string writeOpenElementClose(const std::string& namespaceUri,
                                      bool leaf);

    // The stable prefix, without ":", of a namespace URI. Inside the element
    // written with that URI it is always in scope; otherwise it is declared
    // on the next start tag (so a text element using it must come inside a
    // later element).
    const std::string getNamespacePrefix(const std::string& namespaceUri);

    // "</name>", ending the element opened under that name.
    std::string writeCloseElement(const std::string& namespaceUri,
                                  const std::string& elementName);

private:
    typedef std::map<std::string, std::string> NamespaceTable;
    typedef NamespaceTable::value_type Binding;

    // One entry of the scope stack; plain data that needs no destruction.
    struct ScopeEntry
    {
        enum Kind : std::uint8_t
        {
            ElementStart,       // an open element
            Declaration,        // a prefix declared on an open element
            PendingDeclaration  // a prefix to declare on the next start tag
        };

        Kind kind;
        std::int32_t depth;                   // the element it belongs to
        Binding* binding;                     // the prefix; for ElementStart the
                                              // stable prefix of the element's
                                              // own URI (null for none)
        const std::string* defaultNamespace;  // in scope here; null for none
        std::size_t nameStart;                // ElementStart: where the tag name
                                              // starts in fOpenNames
    };
    static_assert(std::is_trivially_destructible<ScopeEntry>::value,
                  "scope entries need no destruction");

    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    std::int32_t currentDepth() const;
    const std::string* currentDefaultNamespace() const;
    const std::string& rememberUri(const std::string& namespaceUri);
    Binding& bindPrefix(const std::string& prefixKey, const std::string& namespaceUri);
    Binding& stablePrefixOf(const std::string& namespaceUri);
    Binding* innermostElementBinding() const;
    std::string nextGeneratedPrefix();
    void declare(Binding& binding, std::int32_t depth, const std::string* defaultNamespace);
    void closeElement(const std::string* elementName);
    void checkAttribute(const std::string& name, const std::string& text) const;
    static std::string frameAttribute(const std::string& name, const std::string& text);

    // The namespace table: namespace URI -> its stable prefix (empty while
    // the URI has only been a default namespace), and ":" + prefix -> a
    // declaration state character followed by the prefix's URI. No URI can
    // begin with ":", so the two kinds of key never meet.
    NamespaceTable fNamespaces;

    // The stable prefix binding that the last search of the table found;
    // null before the first. Entries stay in the table for the stream's
    // life, and a URI never changes its stable prefix.
    Binding* fRecentStable = nullptr;

    // The scope stack, innermost last.
    std::vector<ScopeEntry> fScopes;

    // The names of the open elements, outermost first, one after the other:
    // an end tag is compared with the name its element was opened with.
    std::string fOpenNames;
};

// Inserts a string into the stream, as the standard output operator does,
// without that operator's per-call set-up when the stream has no field width
// and no tied stream: the write operations' results are inserted one by one,
// and most of them are short. A failed write sets badbit, which throws.
BRISVALE_SOA_COMMON_API XmlStream& operator<<(XmlStream& stream, const std::string& text);
BRISVALE_SOA_COMMON_API XmlStream& operator<<(XmlStream& stream, const char* text);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
