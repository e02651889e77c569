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
    static constexpr std::size_t kNodesPerBlock = 1024;

    std::vector<XMLNode*> blocks;   // owned; sorted by address once looked up
    XMLNode* current = nullptr;     // the block being filled
    std::size_t usedInCurrent = kNodesPerBlock;
    bool sorted = true;

    NodeArena() = default;
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
        if (usedInCurrent == kNodesPerBlock)
        {
            if (blocks.size() == blocks.capacity())
                blocks.reserve(blocks.empty() ? 16 : 2 * blocks.size());
            current = static_cast<XMLNode*>(::operator new(kNodesPerBlock * sizeof(XMLNode)));
            blocks.push_back(current);
            usedInCurrent = 0;
            sorted = false;
        }
        return current + usedInCurrent++;
    }

    bool contains(const XMLNode* node)
    {
        const std::less<const XMLNode*> before;
        if (!sorted)
        {
            std::sort(blocks.begin(), blocks.end(), before);
            sorted = true;
        }
        auto block = std::upper_bound(blocks.begin(), blocks.end(), node, before);
        if (block == blocks.begin())
            return false;
        --block;
        return before(node, *block + kNodesPerBlock);
    }
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
