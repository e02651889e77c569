#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include <cstring>
#include <stdexcept>

#include "Xml/Tree/NodeArena.hpp"
#include "Xml/Tree/SharedText.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

bool sameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

const std::string& emptyString()
{
    static const std::string empty;
    return empty;
}

} // namespace

bool XMLNode::ownsArena() const
{
    const NodeArena* own = arena();
    return own != nullptr && own->owner == this;
}

bool XMLNode::inSharedArena() const
{
    const NodeArena* own = arena();
    return own != nullptr && own->owner != this;
}

bool XMLNode::isWholeDocument() const
{
    const NodeArena* own = arena();
    return own != nullptr && own->owner == this && !own->tookOtherNodes;
}

// Frees the subtree without recursion, so that no depth can exhaust the
// stack: walk down to a childless node, unlink it from its parent, destroy
// it (its own destructor then has no children to free) and carry on from
// the parent. Needs no memory of its own. The root of a parsed document
// added as a child joins the walk like any node, unless the document
// holds only its own nodes: it then frees them block by block, without
// walking them and without going deeper.
void XMLNode::destroyDescendants(XMLNode* top)
{
    XMLNode* node = top;
    while (true)
    {
        if (!node->fChildren.empty())
        {
            XMLNode* child = node->fChildren.back();
            if (!child->isWholeDocument())
            {
                node = child;
                continue;
            }
            node->fChildren.pop_back();
            delete child;
            continue;
        }
        if (node == top)
            break;
        XMLNode* parent = node->fParent;
        parent->fChildren.pop_back();
        destroy(node);
        node = parent;
    }
}

void XMLNode::destroy(XMLNode* node)
{
    if (node->inSharedArena())
        node->~XMLNode();
    else
        delete node;
}

XMLNode::~XMLNode()
{
    if (ownsArena())
        destroyDocument();
    else
        destroyDescendants(this);
    SharedText::release(record());
}

// The root of a parsed document frees its arena's nodes in the order they
// were made, linked into the tree or not (as after a failed parse), unless
// the tree took nodes from elsewhere, which only a walk finds.
void XMLNode::destroyDocument()
{
    NodeArena* own = arena();
    if (own->tookOtherNodes)
    {
        destroyDescendants(this);
    }
    else
    {
        fChildren.clear();
        own->destroyNodes();
    }
    delete own;
}

void XMLNode::setName(const std::string& localName)
{
    fName = localName;
}

// Alone with its record, a node changes its URI in place, so that
// references it handed out stay valid; a shared record is left to the
// other nodes, and the new one keeps the node's arena.
void XMLNode::assignNamespaceUri(const std::string& text)
{
    SharedText* own = record();
    if (own != nullptr && own->references == 1)
    {
        own->text = text;
        return;
    }
    NodeArena* documentArena = arena();
    SharedText* replacement
        = text.empty() && documentArena == nullptr ? nullptr : SharedText::create(text, documentArena);
    SharedText::release(own);
    setRecord(replacement);
}

const std::string& XMLNode::getNamespaceUri() const
{
    const SharedText* own = record();
    return own == nullptr ? emptyString() : own->text;
}

void XMLNode::setNamespaceUri(const std::string& namespaceUri)
{
    if (namespaceUri.find('\0') != std::string::npos)
        throw std::invalid_argument("XMLNode::setNamespaceUri: a namespace name cannot hold NUL");
    assignNamespaceUri(namespaceUri);
}

void XMLNode::appendText(const std::string& text)
{
    fText += text;
}

// Most elements carry a few attributes, and a message asks for each of its
// fields whether the element has it or not: among that few, a walk that
// compares lengths first rejects nearly every other name without looking
// at its characters, and costs less than the map's own search.
XMLNode::Attributes::const_iterator XMLNode::findAttribute(const std::string& name) const
{
    if (fAttributes.size() > kWalkedAttributes)
        return fAttributes.find(name);
    auto attribute = fAttributes.begin();
    while (attribute != fAttributes.end() && !sameText(attribute->first, name))
        ++attribute;
    return attribute;
}

bool XMLNode::hasAttr(const std::string& name) const
{
    return findAttribute(name) != fAttributes.end();
}

std::string XMLNode::getAttr(const std::string& name) const
{
    const auto attribute = findAttribute(name);
    return attribute == fAttributes.end() ? std::string() : attribute->second;
}

// A new attribute enters the map whole, its name and value copied first; an
// existing one's value is replaced by an assignment that either copies the
// whole value or, failing, changes nothing.
void XMLNode::setAttr(const std::string& name, const std::string& value)
{
    const auto [attribute, added] = fAttributes.try_emplace(name, value);
    if (!added)
        attribute->second = value;
}

void XMLNode::adoptChildren(XMLNode* const* first, XMLNode* const* last)
{
    fChildren.assign(first, last);
    for (XMLNode* child : fChildren)
        child->fParent = this;
}

// Hands out the nodes of a subtree below its top, each once, in document
// order, keeping one entry per level it is in.
class XMLNode::SubtreeWalk
{
public:
    explicit SubtreeWalk(const XMLNode& top) { enter(top); }

    // The next node; null once the walk is done.
    const XMLNode* next()
    {
        while (!fLevels.empty() && fLevels.back().next == fLevels.back().end)
            fLevels.pop_back();
        if (fLevels.empty())
            return nullptr;
        const XMLNode* node = *fLevels.back().next++;
        enter(*node);
        return node;
    }

private:
    struct Level
    {
        XMLNode* const* next;
        XMLNode* const* end;
    };

    void enter(const XMLNode& node)
    {
        if (!node.fChildren.empty())
            fLevels.push_back(Level{node.fChildren.data(), node.fChildren.data() + node.fChildren.size()});
    }

    std::vector<Level> fLevels;
};

// Climbs from this node towards its root and walks top's subtree by turns,
// and stops at whichever ends first: the answer costs at most twice the
// smaller of this node's depth and the subtree's size, so that attaching
// small subtrees to a deep tree, or a deep tree under a shallow node, stays
// cheap. The climb answers for this node being top itself.
bool XMLNode::liesUnder(const XMLNode& top) const
{
    const XMLNode* climber = this;
    SubtreeWalk walk(top);
    while (true)
    {
        if (climber->fParent == nullptr)
            return climber == &top;
        climber = climber->fParent;
        const XMLNode* walked = walk.next();
        if (walked == nullptr)
            return false;
        if (walked == this)
            return true;
    }
}

XMLNode* XMLNode::addChild(std::unique_ptr<XMLNode>&& child)
{
    if (!child)
        throw std::invalid_argument("XMLNode::addChild: the child is null");
    if (child->fParent != nullptr)
        throw std::invalid_argument("XMLNode::addChild: the child already has a parent");
    if (liesUnder(*child))
        throw std::invalid_argument("XMLNode::addChild: a node cannot become a child in its own tree");
    // Room for three children at once: the smallest block the allocator
    // hands out holds three pointers anyway, and most elements that have
    // children have a few.
    if (fChildren.empty())
        fChildren.reserve(3);
    if (NodeArena* own = arena())
        own->tookOtherNodes = true;
    fChildren.push_back(child.get());
    child->fParent = this;
    return child.release();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
