#ifndef BRISVALE_TESTS_SEAM_PLATFORM_NODE_HPP
#define BRISVALE_TESTS_SEAM_PLATFORM_NODE_HPP

#include <map>
#include <string>
#include <vector>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The node as the platform's common library lays it out: these six fields,
// in this order, and nothing else. Its default constructor and destructor
// are inline, so whoever makes a node calls whichever definition of them the
// dynamic linker finds first. The fields are public so that the test's
// library can fill a node without any out-of-line member.
class XMLNode
{
public:
    XMLNode() : fParent(nullptr) {}
    ~XMLNode() = default;

    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    std::string getAttr(const std::string& name) const;

    std::string fUnused;
    std::string fName;
    std::vector<XMLNode*> fChildren;
    std::string fText;
    XMLNode* fParent;
    std::map<std::string, std::string> fAttributes;
};

#if defined(__x86_64__) && defined(__GLIBCXX__)
static_assert(sizeof(XMLNode) == 176, "the platform's node is 176 bytes");
#endif

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

namespace BrisvaleSeamTest {

using Brisvale::Soa::Common::Xml::XMLNode;

// A node made with new, named as given.
XMLNode* newPlatformNode(const std::string& name);
void deletePlatformNode(XMLNode* node);

// A node made in place at the very end of a page, followed by a page that
// cannot be read or written: a write past the node faults at once.
XMLNode* newGuardedPlatformNode(const std::string& name);
void deleteGuardedPlatformNode(XMLNode* node);

} // namespace BrisvaleSeamTest

#endif
