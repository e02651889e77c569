#ifndef BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP
#define BRISVALE_SOA_COMMON_XML_XMLSTREAM_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
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
    struct Prefix;

    // A namespace URI the stream has met, kept for the stream's life. Scopes
    // and prefixes refer to it by address, so that once a caller's URI is
    // found here every further comparison is one of pointers.
    struct Namespace
    {
        const std::string* uri = nullptr;  // the key of its table entry
        std::string defaultDeclaration;    // ' xmlns="uri"', escaped
        Prefix* stablePrefix = nullptr;    // null while it has only been a
                                           // default namespace
    };

    // A prefix bound to a URI for the stream's life.
    struct Prefix
    {
        enum Scope : std::uint8_t
        {
            OutOfScope,
            Pending,  // to be declared on the next start tag
            InScope   // declared on an open element
        };

        const std::string* name = nullptr;  // the key of its table entry
        const Namespace* boundTo = nullptr;
        std::string declaration;             // ' xmlns:name="uri"', escaped
        Scope scope = OutOfScope;
    };

    // One open element, innermost last.
    struct OpenElement
    {
        std::size_t nameStart;                // its name's start in fOpenNames
        std::size_t firstDeclared;            // its first entry in fDeclared
        const Namespace* defaultNamespace;    // in scope inside it; null for none
        Namespace* ownNamespace;              // the URI it was written with;
                                              // null for none and the XML namespace
    };

    // What a start tag declares, worked out before anything is recorded.
    struct StartTag
    {
        const Namespace* defaultNamespace;    // in scope inside the element
        const std::string* defaultDeclaration = nullptr;
        Prefix* namePrefix = nullptr;         // the name's prefix, when declared here
        Prefix* ownPrefix = nullptr;          // the URI's stable prefix, when declared here
        Namespace* ownNamespace = nullptr;
    };

    // The table of checked names: its slots, the longest name it keeps, and
    // the colon's place of a name without one.
    static constexpr std::size_t kCheckedNameSlots = 128;
    static constexpr std::size_t kLongestCheckedName = 1 << 20;
    static constexpr std::uint32_t kNoColon = 0xFFFFFFFF;

    // A name that has been checked: its size (0 for an empty slot), its
    // first and last bytes as the table compares them, where the bytes in
    // between are kept when it is longer than sixteen bytes, and its
    // colon's place.
    struct CheckedName
    {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::uint32_t size = 0;
        std::uint32_t colon = 0;
        std::uint32_t middleAt = 0;
    };

    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    const Namespace* currentDefaultNamespace() const;
    void chooseDefaultNamespace(StartTag& tag, const std::string& namespaceUri,
                                const std::string& elementName);
    Prefix& boundPrefixOf(const std::string& elementName, std::size_t colon,
                          const std::string& namespaceUri);
    Namespace& tableNamespaceOf(const std::string& namespaceUri);
    Prefix& bindPrefix(const std::string& prefix, Namespace& boundTo);
    Prefix& generatePrefix(Namespace& space);
    std::string startTagWithPending(const std::string& elementName,
                                    const std::string* const (&declarations)[3]) const;
    void growOpenNames(std::size_t nameSize);
    void checkUnusualAttribute(std::string_view name, std::size_t colon,
                               const std::string& text) const;
    std::size_t checkNewName(std::string_view name, const char* what) const;
    std::string frameLongAttribute(const std::string& name, const std::string& text) const;

    // The steps of the usual write, defined in XmlStream.cpp, the only
    // place that calls them, to be inlined there.
    inline Prefix* prefixOfName(const std::string& elementName, std::size_t colon,
                                const std::string& namespaceUri);
    inline Namespace& namespaceOf(const std::string& namespaceUri);
    inline Prefix& stablePrefixOf(Namespace& space);
    inline std::string startTagText(const std::string& elementName, const StartTag& tag) const;
    inline void recordStart(const std::string& elementName, const StartTag& tag);
    inline void declare(Prefix& prefix);
    inline void closeElement(const std::string* elementName);
    inline void checkAttribute(std::string_view name, const std::string& text) const;
    inline std::size_t colonOfCheckedName(std::string_view name, const char* what) const;
    inline const CheckedName* findCheckedName(std::string_view name) const;
    inline bool sameMiddle(std::string_view name, const CheckedName& entry) const;

    // Every namespace URI met and every prefix bound, by URI and by prefix.
    std::map<std::string, Namespace, std::less<>> fNamespaces;
    std::map<std::string, Prefix, std::less<>> fPrefixes;

    // The namespace that the last search of fNamespaces found; null before
    // the first. Elements of one other namespace (base objects inside a
    // message) tend to come one after another.
    Namespace* fRecentNamespace = nullptr;

    // The number of the last generated prefix ("ns1", "ns2", ...).
    long fGeneratedPrefixes = 0;

    std::vector<OpenElement> fOpenElements;

    // The prefixes declared on the open elements, outermost first: each
    // element's run starts at its firstDeclared.
    std::vector<Prefix*> fDeclared;

    // The prefixes asked for since the last start tag, which declares them.
    std::vector<Prefix*> fPending;

    // The names of the open elements, outermost first, one after the other
    // up to fOpenNamesEnd: an end tag is compared with the name its element
    // was opened with. The bytes beyond are room for more.
    std::vector<char> fOpenNames;
    std::size_t fOpenNamesEnd = 0;

    // Names already checked, in an open-addressed table that starts again
    // empty when it fills up; no slots until the first name is written. The
    // middle bytes of the long ones follow one another in fCheckedNameBytes.
    mutable std::vector<CheckedName> fCheckedNames;
    mutable std::size_t fCheckedNameCount = 0;
    mutable std::string fCheckedNameBytes;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
