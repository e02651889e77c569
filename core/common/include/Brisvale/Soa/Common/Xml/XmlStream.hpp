#ifndef BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP
#define BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP

#include <cstddef>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

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
//
// Every operation is all or nothing: it returns its text, or it throws
// (std::invalid_argument, std::logic_error, std::bad_alloc) and leaves the
// stream as it was before the call: the same namespaces and prefixes
// known, the same elements open, the same prefixes pending, the same
// number of generated prefixes; so the same call can be made again, or the
// stream given up. Inserting the text is std::ostream's business: a failed
// insertion sets badbit (and, as the stream asks of its base, throws
// std::ios_base::failure), and the stream stays as the standard library
// leaves it.
//
// The stream's state is its table and its queue of open elements (below);
// the names it has checked are remembered per thread, for all the
// thread's streams.
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
    struct StartTag;
    class TableChanges;

    // The stream's table: every namespace URI met and every prefix bound,
    // with their declarations, and the stream's own entry, which holds the
    // names of the open elements (NamespaceTable.hpp says how the entries
    // are laid out).
    using Table = std::map<std::string, std::string>;
    using TableEntry = Table::value_type;

    // One open element, innermost last. It points into the table, whose
    // entries stay where they are for the stream's life, and needs no
    // destruction.
    struct OpenElement
    {
        TableEntry* defaultNamespace;  // in scope inside it; null for none
        TableEntry* ownNamespace;      // the URI it was written with; null
                                       // for none and the XML namespace
        TableEntry* firstDeclared;     // the prefixes its start tag declared,
                                       // linked through their entries
        std::size_t nameStart;         // its name in the stream's entry
        std::size_t nameEnd;
    };
    static_assert(std::is_trivially_destructible<OpenElement>::value,
                  "the queue is destroyed by a destructor that knows nothing of its entries");

    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    const OpenElement* innermostElement() const;
    void chooseDefaultNamespace(StartTag& tag, TableChanges& changes,
                                const std::string& namespaceUri, const std::string& elementName);
    TableEntry* boundPrefixOf(TableChanges& changes, const std::string& elementName,
                              std::size_t colon, const std::string& namespaceUri);
    TableEntry* tableNamespaceOf(TableChanges& changes, const std::string& namespaceUri);
    TableEntry* bindPrefix(TableChanges& changes, const std::string& prefix, TableEntry* boundTo);
    TableEntry* generatePrefix(TableChanges& changes, TableEntry* space);
    void growNames(std::size_t namesEnd, std::size_t nameSize);
    void checkUnusualAttribute(std::string_view name, std::size_t colon,
                               const std::string& text) const;
    std::size_t checkNewName(std::string_view name, const char* what) const;
    const OpenElement& elementToClose(const std::string* elementName) const;
    void closeElement() noexcept;

    // The steps of the usual write, defined in XmlStream.cpp, the only
    // place that calls them, to be inlined there.
    inline TableEntry* prefixOfName(const StartTag& tag, TableChanges& changes, const std::string& elementName,
                                    std::size_t colon, const std::string& namespaceUri);
    inline TableEntry* namespaceOf(TableChanges& changes, const std::string& namespaceUri,
                                   TableEntry* nearby);
    inline TableEntry* stablePrefixOf(TableChanges& changes, TableEntry* space);
    inline std::string startTagText(const TableEntry* stream, const std::string& elementName,
                                    const StartTag& tag) const;
    inline void recordStart(TableEntry* stream, const std::string& elementName, const StartTag& tag) noexcept;
    inline void checkAttribute(std::string_view name, const std::string& text) const;
    inline std::size_t colonOfCheckedName(std::string_view name, const char* what) const;

    // Exactly these two fields, in this order: the inline destructor,
    // compiled into the libraries that use the stream, destroys them and
    // nothing else.
    Table fTable;
    std::deque<OpenElement> fOpenElements;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
