#ifndef BRISVALE_SOA_COMMON_XML_XMLNODE_HPP
#define BRISVALE_SOA_COMMON_XML_XMLNODE_HPP

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

class TreeBuilder;

// One element of a parsed XML document. A node owns its children; the whole
// tree is released by destroying the root, however deep it is and however
// many parsed documents it holds.
//
// The six fields are the node's whole layout, in this order: code built
// against this header (generated message code above all) reads the name,
// children, text, parent and attributes straight from them, calls only
// getAttr, and constructs a node with the inline default constructor,
// which must therefore construct these six fields and nothing else. The
// attribute map is filled while the document is read, so attrs() hands
// out the field itself.
//
// The first string is this library's own: empty for a node made with
// new XMLNode(), and for any other node a short token, held inside the
// string so that it never allocates, that names the node's record: its
// namespace URI, shared and counted, and the arena that holds a parsed
// document's nodes side by side (its root owns the arena and frees the
// others together).
class BRISVALE_SOA_COMMON_API XMLNode
{
public:
    XMLNode()
        : fParent(nullptr)
    {
    }

    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    ~XMLNode();

    // The attribute's value, or the empty string when there is none.
    std::string getAttr(const std::string& name) const;
    // Whether the element has the attribute, even with an empty value.
    bool hasAttr(const std::string& name) const;
    // Every attribute, by local name; an attribute in a namespace is kept
    // under "{uri}local". Later setAttr calls change this map.
    const std::map<std::string, std::string>& attrs() const { return fAttributes; }

    // The local name, without prefix.
    const std::string& getName() const { return fName; }
    const std::string& getText() const { return fText; }
    const std::vector<XMLNode*>& getChildren() const { return fChildren; }
    const XMLNode* getParent() const { return fParent; }
    // The element's namespace URI; empty for none.
    const std::string& getNamespaceUri() const;

    void setName(const std::string& localName);
    // Changes this node's URI only: nodes that shared it keep theirs.
    void setNamespaceUri(const std::string& namespaceUri);
    void appendText(const std::string& text);
    // Adds the attribute or replaces its value; when it throws, the
    // attributes are as they were.
    void setAttr(const std::string& name, const std::string& value);

    // Takes ownership of the child and makes this node its parent. A null
    // child, one that already has a parent, and this node itself or its
    // root (which would make a cycle) are std::invalid_argument; the caller
    // then keeps the child. Costs no more than the smaller of this node's
    // depth and the size of the child's subtree.
    XMLNode* addChild(std::unique_ptr<XMLNode>&& child);

private:
    friend class TreeBuilder;

    struct SharedText;
    struct NodeArena;
    class SubtreeWalk;
    using Attributes = std::map<std::string, std::string>;

    // A node of a parsed document, holding a share of its record taken for it.
    explicit XMLNode(SharedText* sharedRecord);

    // Up to this many attributes, a lookup walks them in order.
    static constexpr std::size_t kWalkedAttributes = 8;
    Attributes::const_iterator findAttribute(const std::string& name) const;

    // The record that the first string names; null for none.
    SharedText* record() const;
    void setRecord(SharedText* record);
    NodeArena* arena() const;
    bool ownsArena() const;
    // Whether the node sits in an arena that another node owns.
    bool inSharedArena() const;
    // Whether the node is the root of a parsed document that holds only
    // its own nodes, which it frees without walking them.
    bool isWholeDocument() const;
    // Whether this node lies in the subtree of top, a node without parent.
    bool liesUnder(const XMLNode& top) const;
    // Gives the node a record of its own holding this URI.
    void assignNamespaceUri(const std::string& text);
    // Takes the children that the parser collected, in document order.
    void adoptChildren(XMLNode* const* first, XMLNode* const* last);
    // Frees the node's descendants, without recursion, then the node:
    // those in the arena are destroyed in place, the others deleted.
    static void destroy(XMLNode* node);
    static void destroyDescendants(XMLNode* top);
    // Frees the nodes of the document whose arena this root owns, then the arena.
    void destroyDocument();

    std::string fToken;                              // names the node's record; see above
    std::string fName;                               // local name, without prefix
    std::vector<XMLNode*> fChildren;                 // owned, in document order
    std::string fText;                               // character data
    XMLNode* fParent;                                // null at the root
    std::map<std::string, std::string> fAttributes;  // by local name, or "{uri}local"
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
