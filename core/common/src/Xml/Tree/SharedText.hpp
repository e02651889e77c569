#ifndef BRISVALE_SOA_COMMON_XML_SHAREDTEXT_HPP
#define BRISVALE_SOA_COMMON_XML_SHAREDTEXT_HPP

#include <cstddef>
#include <string>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// A string that the nodes of a tree share, such as an element name or a
// namespace URI that thousands of elements carry. The count is a plain
// integer: a tree is used by one thread at a time.
struct XMLNode::SharedText
{
    std::string text;
    std::size_t references;

    static SharedText* create(const std::string& text) { return new SharedText{text, 1}; }

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

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
