#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include <stdexcept>

#include "Xml/Tree/NodeArena.hpp"
#include "Xml/Tree/SharedText.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

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
    destroyDescendants(this);
    SharedText::release(fNamespaceUri);
    if (fArena != nullptr && !inSharedArena())
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

bool XMLNode::hasAttr(const std::string& name) const
{
    return fAttributes.count(name) != 0;
}

std::string XMLNode::getAttr(const std::string& name) const
{
    const auto attribute = fAttributes.find(name);
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
    fChildren.push_back(child.get());
    child->fParent = this;
    return child.release();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
