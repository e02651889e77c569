#ifndef BRISVALE_SOA_COMMON_XML_XMLNODE_HPP
#define BRISVALE_SOA_COMMON_XML_XMLNODE_HPP

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

class TreeBuilder;

// One element of a parsed XML document. A node owns its children; the whole
// tree is released by destroying the root, however deep it is.
//
// A document of many megabytes becomes a tree of millions of nodes, so a
// node is kept small: the parser shares one copy of each element name and
// namespace URI among the nodes that carry it, places the nodes of a
// document side by side in large blocks that its root frees together, keeps
// a node's attributes packed in one block of memory, and builds the map
// that attrs() hands out from them on first call.
// That first call changes the node behind a const reference: a tree is
// for one thread at a time, like the messages read from it.
class BRISVALE_SOA_COMMON_API XMLNode
{
public:
    XMLNode()
        : fNamespaceUri(nullptr)
        , fName(nullptr)
        , fParent(nullptr)
        , fAttributes(nullptr)
        , fArena(nullptr)
    {
    }

    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    ~XMLNode();

    // The attribute's value, or the empty string when there is none.
    std::string getAttr(const std::string& name) const;
    // Whether the element has the attribute, even with an empty value.
    bool hasAttr(const std::string& name) const;
    // Every attribute, by local name: the node's own map, which later
    // setAttr calls change.
    const std::map<std::string, std::string>& attrs() const { return buildAttributeMap(); }

    const std::string& getName() const;
    const std::string& getText() const;
    const std::vector<XMLNode*>& getChildren() const { return fChildren; }
    const XMLNode* getParent() const { return fParent; }
    // The element's namespace URI; empty for none.
    const std::string& getNamespaceUri() const;

    void setName(const std::string& localName);
    // Changes this node's URI only: nodes that shared it keep theirs.
    void setNamespaceUri(const std::string& namespaceUri);
    void appendText(const std::string& text);
    void setAttr(const std::string& name, const std::string& value);

    // Takes ownership of the child and makes this node its parent. A null
    // child, one that already has a parent, and this node itself or its
    // root (which would make a cycle) are std::invalid_argument; the caller
    // then keeps the child.
    XMLNode* addChild(std::unique_ptr<XMLNode>&& child);

private:
    friend class TreeBuilder;

    bool isRootAbove(const XMLNode* root) const;

    struct AttributeStore;
    struct SharedText;
    struct NodeArena;

    std::string& textForAppend();
    bool usesAttributeMap() const;
    std::string attributeValue(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;
    bool findPackedAttribute(std::string_view name, std::string_view& value) const;
    std::map<std::string, std::string>& buildAttributeMap() const;
    void replacePackedAttributes(const char* entries, std::size_t size, std::size_t count, NodeArena* arena);

    // Gives a name or URI slot its own text, or a share of the parser's.
    static void assignText(SharedText*& slot, const std::string& text);
    static void shareText(SharedText*& slot, SharedText& text);
    // Shares the parser's copy of the name or URI.
    void shareName(SharedText& name);
    void shareNamespaceUri(SharedText& namespaceUri);
    // Takes the parsed attributes as packed by the parser, with no name
    // twice, into a block of the document's arena.
    void adoptPackedAttributes(std::string_view packed, std::size_t count, NodeArena& arena);
    // Takes the children that the parser collected, in document order.
    void adoptChildren(XMLNode* const* first, XMLNode* const* last);
    // Frees the node's descendants, without recursion, then the node:
    // those in the arena are destroyed in place, the others deleted.
    static void destroy(XMLNode* node, NodeArena* arena);
    static void destroyDescendants(XMLNode* top, NodeArena* arena);

    SharedText* fNamespaceUri;           // counted reference; null for none
    SharedText* fName;                   // local name, without prefix; null for ""
    std::vector<XMLNode*> fChildren;     // owned, in document order
    std::unique_ptr<std::string> fText;  // own character data; null for none
    XMLNode* fParent;                    // null at the root
    mutable AttributeStore* fAttributes; // owned; null for none; attrs() replaces it
    NodeArena* fArena;                   // owned by the root of a parsed document: its other nodes
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
