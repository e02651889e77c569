#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include <stdexcept>

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
    fChildren.push_back(child.get());
    child->fParent = this;
    return child.release();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
