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

bool XMLNode::inSharedArena() const
{
    return fArena != nullptr && fArena->owner != this;
}

// Frees the subtree without recursion, so that no depth can exhaust the
// stack: walk down to a childless node, unlink it from its parent, destroy
// it (its own destructor then has no children to free) and carry on from
// the parent. Needs no memory of its own. The root of another parsed
// document, added as a child, is deleted whole: its nodes are in its own
// arena.
void XMLNode::destroyDescendants(XMLNode* top)
{
    XMLNode* node = top;
    while (true)
    {
        if (!node->fChildren.empty())
        {
            XMLNode* child = node->fChildren.back();
            if (child->fArena == nullptr || child->inSharedArena())
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
    if (fArena != nullptr && fArena->owner == this)
        destroyDocument();
    else
        destroyDescendants(this);
    SharedText::release(fNamespaceUri);
}

// The root of a parsed document frees its arena's nodes in the order they
// were made, linked into the tree or not (as after a failed parse), unless
// the tree took nodes from elsewhere, which only a walk finds.
void XMLNode::destroyDocument()
{
    if (fArena->tookOtherNodes)
    {
        destroyDescendants(this);
    }
    else
    {
        fChildren.clear();
        fArena->destroyNodes();
    }
    delete fArena;
}

void XMLNode::setName(const std::string& localName)
{
    fName = localName;
}

// Alone with its URI, a node changes it in place, so that references it
// handed out stay valid; shared text is left to the other nodes.
void XMLNode::assignNamespaceUri(const std::string& text)
{
    if (fNamespaceUri != nullptr && fNamespaceUri->references == 1)
    {
        fNamespaceUri->text = text;
        return;
    }
    SharedText* replacement = text.empty() ? nullptr : SharedText::create(text);
    SharedText::release(fNamespaceUri);
    fNamespaceUri = replacement;
}

// Takes the new reference before letting go of the old one, which may be
// the same text.
void XMLNode::shareNamespaceUri(SharedText& namespaceUri)
{
    SharedText* shared = namespaceUri.share();
    SharedText::release(fNamespaceUri);
    fNamespaceUri = shared;
}

const std::string& XMLNode::getNamespaceUri() const
{
    return fNamespaceUri == nullptr ? emptyString() : fNamespaceUri->text;
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

void XMLNode::setAttr(const std::string& name, const std::string& value)
{
    fAttributes[name] = value;
}

void XMLNode::adoptChildren(XMLNode* const* first, XMLNode* const* last)
{
    fChildren.assign(first, last);
    for (XMLNode* child : fChildren)
        child->fParent = this;
}

// Whether a node without a parent is this node or the root of its tree. A
// node without children can only be this node itself, so that building a
// deep tree one new node at a time never walks up it.
bool XMLNode::isRootAbove(const XMLNode* root) const
{
    if (root == this)
        return true;
    if (root->fChildren.empty())
        return false;
    const XMLNode* node = this;
    while (node->fParent != nullptr)
        node = node->fParent;
    return node == root;
}

XMLNode* XMLNode::addChild(std::unique_ptr<XMLNode>&& child)
{
    if (!child)
        throw std::invalid_argument("XMLNode::addChild: the child is null");
    if (child->fParent != nullptr)
        throw std::invalid_argument("XMLNode::addChild: the child already has a parent");
    if (isRootAbove(child.get()))
        throw std::invalid_argument("XMLNode::addChild: a node cannot become a child in its own tree");
    // Room for three children at once: the smallest block the allocator
    // hands out holds three pointers anyway, and most elements that have
    // children have a few.
    if (fChildren.empty())
        fChildren.reserve(3);
    if (fArena != nullptr)
        fArena->tookOtherNodes = true;
    fChildren.push_back(child.get());
    child->fParent = this;
    return child.release();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
