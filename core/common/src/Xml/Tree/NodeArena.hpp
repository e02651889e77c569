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
// the arena is destroyed in place and its memory never freed alone. The
// attribute blocks that the parser makes sit in blocks of bytes beside
// them, freed the same way.
struct XMLNode::NodeArena
{
    // Bytes are handed out from blocks of this size, aligned for pointers;
    // a larger request gets a block of its own.
    static constexpr std::size_t kByteBlockSize = 64 * 1024;
    static constexpr std::size_t kByteAlignment = alignof(void*);

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
    std::vector<char*> byteBlocks;  // owned
    char* nextByte = nullptr;       // in the last byte block
    std::size_t bytesLeft = 0;      // in the last byte block

    NodeArena() = default;
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    ~NodeArena()
    {
        for (const Block& block : blocks)
            ::operator delete(block.first);
        for (char* block : byteBlocks)
            ::operator delete(block);
    }

    // Room for bytes that live as long as the arena.
    void* allocateBytes(std::size_t size)
    {
        const std::size_t rounded = (size + kByteAlignment - 1) / kByteAlignment * kByteAlignment;
        if (rounded > kByteBlockSize / 4)
            return newByteBlock(rounded);
        if (rounded > bytesLeft)
        {
            nextByte = newByteBlock(kByteBlockSize);
            bytesLeft = kByteBlockSize;
        }
        void* bytes = nextByte;
        nextByte += rounded;
        bytesLeft -= rounded;
        return bytes;
    }

    char* newByteBlock(std::size_t size)
    {
        if (byteBlocks.size() == byteBlocks.capacity())
            byteBlocks.reserve(byteBlocks.empty() ? 16 : 2 * byteBlocks.size());
        char* block = static_cast<char*>(::operator new(size));
        byteBlocks.push_back(block);
        return block;
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
