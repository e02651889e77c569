#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include <stdexcept>

namespace {

// The first field's value for an element in its parent's namespace: one NUL
// character, which no namespace name can hold (XML text cannot carry it).
bool isAsParent(const std::string& namespaceUri)
{
    return namespaceUri.size() == 1 && namespaceUri[0] == '\0';
}

} // namespace

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Frees the subtree without recursion, so that no depth can exhaust the
// stack: walk down to a childless node, unlink it from its parent, delete
// it (its own destructor then has nothing to do) and carry on from the
// parent. Needs no memory of its own.
XMLNode::~XMLNode()
{
    XMLNode* node = this;
    while (true)
    {
        if (!node->fChildren.empty())
        {
            node = node->fChildren.back();
            continue;
        }
        if (node == this)
            break;
        XMLNode* parent = node->fParent;
        parent->fChildren.pop_back();
        delete node;
        node = parent;
    }
}

const std::string& XMLNode::getNamespaceUri() const
{
    const XMLNode* node = this;
    while (isAsParent(node->fNamespaceUri))
    {
        if (node->fParent == nullptr)
        {
            static const std::string none;
            return none;
        }
        node = node->fParent;
    }
    return node->fNamespaceUri;
}

void XMLNode::setNamespaceUri(const std::string& namespaceUri)
{
    if (namespaceUri.find('\0') != std::string::npos)
        throw std::invalid_argument("XMLNode::setNamespaceUri: a namespace name cannot hold NUL");
    fNamespaceUri = namespaceUri;
}

void XMLNode::setNamespaceUriAsParent()
{
    fNamespaceUri.assign(1, '\0');
}

std::string XMLNode::getAttr(const std::string& name) const
{
    const auto attribute = fAttributes.find(name);
    return attribute == fAttributes.end() ? std::string() : attribute->second;
}

XMLNode* XMLNode::addChild(std::unique_ptr<XMLNode> child)
{
    if (!child)
        throw std::invalid_argument("XMLNode::addChild: the child is null");
    if (child->fParent != nullptr)
        throw std::invalid_argument("XMLNode::addChild: the child already has a parent");
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
