#ifndef BRISVALE_SOA_COMMON_XML_SHAREDTEXT_HPP
#define BRISVALE_SOA_COMMON_XML_SHAREDTEXT_HPP

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A string that the nodes of a tree share, such as an element name or a
// namespace URI that thousands of elements carry, with the arena of the
// document it was read from. As a node's record it is the node's namespace
// URI (empty for none) and its arena (null for a node made outside a
// document). The count is a plain integer: a tree is used by one thread at
// a time.
struct XMLNode::SharedText
{
    std::string text;
    std::size_t references;
    NodeArena* arena;

    // A node's token is the address of its record, as bytes: short enough
    // to stay inside the string (which holds 15 characters itself), so that
    // making, reading and dropping it never allocates.
    static_assert(sizeof(SharedText*) <= 15, "a token must fit inside the string");

    static SharedText* create(std::string text, NodeArena* arena)
    {
        return new SharedText{std::move(text), 1, arena};
    }

    SharedText* share()
    {
        ++references;
        return this;
    }

    static void release(SharedText* shared)
    {
        if (shared != nullptr && --shared->references == 0)
            delete shared;
    }
};

// Builds the string already holding its token: no assignment afterwards.
inline XMLNode::XMLNode(SharedText* sharedRecord)
    : fToken(reinterpret_cast<const char*>(&sharedRecord), sizeof sharedRecord)
    , fParent(nullptr)
{
}

inline XMLNode::SharedText* XMLNode::record() const
{
    SharedText* shared = nullptr;
    if (fToken.size() == sizeof shared)
        std::memcpy(&shared, fToken.data(), sizeof shared);
    return shared;
}

inline void XMLNode::setRecord(SharedText* shared)
{
    if (shared == nullptr)
        fToken.clear();
    else
        fToken.assign(reinterpret_cast<const char*>(&shared), sizeof shared);
}

inline XMLNode::NodeArena* XMLNode::arena() const
{
    const SharedText* shared = record();
    return shared == nullptr ? nullptr : shared->arena;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
