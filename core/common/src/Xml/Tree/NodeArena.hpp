#ifndef BRISVALE_SOA_COMMON_XML_NODEARENA_HPP
#define BRISVALE_SOA_COMMON_XML_NODEARENA_HPP

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The memory of the nodes of one parsed document but its root, which owns
// the arena: blocks of many nodes, side by side, freed together when the
// root goes. Every node in the arena points to it; such a node is destroyed
// in place and its memory never freed alone.
struct XMLNode::NodeArena
{
    // Blocks grow from a few nodes, for small documents, to this many.
    static constexpr std::size_t kFirstBlockNodes = 16;
    static constexpr std::size_t kMaxBlockNodes = 1024;

    explicit NodeArena(const XMLNode& root)
        : owner(&root)
    {
    }

    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    ~NodeArena()
    {
        for (XMLNode* block : blocks)
            ::operator delete(block);
    }

    // Room for one node, not yet constructed.
    void* allocate()
    {
        if (usedInCurrent == currentNodes)
            addBlock();
        return blocks.back() + usedInCurrent++;
    }

    const XMLNode* const owner;

private:
    void addBlock()
    {
        if (blocks.size() == blocks.capacity())
            blocks.reserve(blocks.empty() ? 16 : 2 * blocks.size());
        const std::size_t nodes = std::min(kMaxBlockNodes, std::max(kFirstBlockNodes, 2 * currentNodes));
        blocks.push_back(static_cast<XMLNode*>(::operator new(nodes * sizeof(XMLNode))));
        currentNodes = nodes;
        usedInCurrent = 0;
    }

    std::vector<XMLNode*> blocks;  // owned; the last is being filled
    std::size_t currentNodes = 0;  // room for, in the last block
    std::size_t usedInCurrent = 0;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
