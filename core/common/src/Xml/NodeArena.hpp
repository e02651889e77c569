#ifndef BRISVALE_SOA_COMMON_XML_NODEARENA_HPP
#define BRISVALE_SOA_COMMON_XML_NODEARENA_HPP

#include <algorithm>
#include <cstddef>
#include <functional>
#include <new>
#include <vector>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The memory of the nodes of one parsed document but its root: blocks of
// many nodes, side by side, freed together when the root goes. A node in
// the arena is destroyed in place and its memory never freed alone.
struct XMLNode::NodeArena
{
    // Blocks grow from a few nodes, for small documents, to this many.
    static constexpr std::size_t kFirstBlockNodes = 16;
    static constexpr std::size_t kMaxBlockNodes = 1024;

    struct Block
    {
        XMLNode* first;     // owned
        std::size_t nodes;  // room for
    };

    std::vector<Block> blocks;  // sorted by address once looked up
    Block current{nullptr, 0};  // the block being filled
    std::size_t usedInCurrent = 0;
    bool sorted = true;

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
        if (usedInCurrent == current.nodes)
        {
            if (blocks.size() == blocks.capacity())
                blocks.reserve(blocks.empty() ? 16 : 2 * blocks.size());
            const std::size_t nodes = std::min(kMaxBlockNodes, std::max(kFirstBlockNodes, 2 * current.nodes));
            current = Block{static_cast<XMLNode*>(::operator new(nodes * sizeof(XMLNode))), nodes};
            blocks.push_back(current);
            usedInCurrent = 0;
            sorted = false;
        }
        return current.first + usedInCurrent++;
    }

    bool contains(const XMLNode* node)
    {
        const std::less<const XMLNode*> before;
        if (!sorted)
        {
            std::sort(blocks.begin(), blocks.end(),
                      [&before](const Block& a, const Block& b) { return before(a.first, b.first); });
            sorted = true;
        }
        auto block = std::upper_bound(blocks.begin(), blocks.end(), node,
                                      [&before](const XMLNode* n, const Block& b) { return before(n, b.first); });
        if (block == blocks.begin())
            return false;
        --block;
        return before(node, block->first + block->nodes);
    }
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
