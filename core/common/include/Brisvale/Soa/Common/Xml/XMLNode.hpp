#ifndef BRISVALE_SOA_COMMON_XML_XMLNODE_HPP
#define BRISVALE_SOA_COMMON_XML_XMLNODE_HPP

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// One element of a parsed XML document. A node owns its children; the whole
// tree is released by destroying the root, however deep it is.
class BRISVALE_SOA_COMMON_API XMLNode
{
public:
    XMLNode()
        : fParent(nullptr)
    {
    }

    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    ~XMLNode();

    // The attribute's value, or the empty string when there is none.
    std::string getAttr(const std::string& name) const;
    const std::map<std::string, std::string>& attrs() const { return fAttributes; }

    const std::string& getName() const { return fName; }
    const std::string& getText() const { return fText; }
    const std::vector<XMLNode*>& getChildren() const { return fChildren; }
    const XMLNode* getParent() const { return fParent; }
    // The element's namespace URI; empty for none.
    const std::string& getNamespaceUri() const;

    void setName(const std::string& localName) { fName = localName; }
    void setNamespaceUri(const std::string& namespaceUri);
    // Puts the element in its parent's namespace without a copy of the URI:
    // most elements of a document share their parent's namespace.
    void setNamespaceUriAsParent();
    void appendText(const std::string& text) { fText += text; }
    void setAttr(const std::string& name, const std::string& value) { fAttributes[name] = value; }

    // Takes ownership of the child and makes this node its parent. A null
    // child, or one that already has a parent, is std::invalid_argument.
    XMLNode* addChild(std::unique_ptr<XMLNode> child);

private:
    std::string fNamespaceUri;              // the namespace URI; one NUL for
                                            // the parent's namespace
    std::string fName;                      // local name, without prefix
    std::vector<XMLNode*> fChildren;        // owned, in document order
    std::string fText;                      // own character data, as written
    XMLNode* fParent;                       // null at the root
    std::map<std::string, std::string> fAttributes;  // by local name
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
