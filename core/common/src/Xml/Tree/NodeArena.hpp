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
// root goes. Every node of the document reaches it through its record;
// such a node is destroyed in place and its memory never freed alone. The
// reader makes the arena before the root, and owns it until then.
//
// While the tree holds only the arena's nodes, they are destroyed block by
// block, in the order they were made, without walking the tree. Once a
// node from elsewhere has been added, the root walks the tree instead, and
// the arena then frees only its memory.
struct XMLNode::NodeArena
{
    // Blocks grow from a few nodes, for small documents, to this many.
    static constexpr std::size_t kFirstBlockNodes = 16;
    static constexpr std::size_t kMaxBlockNodes = 1024;

    NodeArena() = default;
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    ~NodeArena()
    {
        for (const Block& block : blocks)
            ::operator delete(block.first);
    }

    // Room for one node, not yet constructed.
    void* allocate()
    {
        if (blocks.empty() || usedInCurrent == blocks.back().nodes)
            addBlock();
        return blocks.back().first + usedInCurrent++;
    }

    // Destroys every node made in the arena, whatever its children; their
    // memory stays until the arena goes.
    void destroyNodes()
    {
        for (const Block& block : blocks)
        {
            const std::size_t used = &block == &blocks.back() ? usedInCurrent : block.nodes;
            for (XMLNode* node = block.first; node != block.first + used; ++node)
            {
                node->fChildren.clear();
                node->~XMLNode();
            }
        }
    }

    // The document's root; null until it is made.
    const XMLNode* owner = nullptr;
    // Whether a node from elsewhere was ever added to the tree.
    bool tookOtherNodes = false;

private:
    struct Block
    {
        XMLNode* first;     // owned
        std::size_t nodes;  // room for
    };

    void addBlock()
    {
        if (blocks.size() == blocks.capacity())
            blocks.reserve(blocks.empty() ? 16 : 2 * blocks.size());
        const std::size_t last = blocks.empty() ? 0 : blocks.back().nodes;
        const std::size_t nodes = std::min(kMaxBlockNodes, std::max(kFirstBlockNodes, 2 * last));
        blocks.push_back(Block{static_cast<XMLNode*>(::operator new(nodes * sizeof(XMLNode))), nodes});
        usedInCurrent = 0;
    }

    std::vector<Block> blocks;      // the last is being filled
    std::size_t usedInCurrent = 0;  // nodes made in the last block
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
