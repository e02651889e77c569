#ifndef BRISVALE_SOA_COMMON_XML_TREEBUILDER_HPP
#define BRISVALE_SOA_COMMON_XML_TREEBUILDER_HPP

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include "Xml/SharedTextIndex.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Makes the XMLNode tree of one document from its parser's events, given
// as UTF-8, whichever parser reads the text: the one place where nodes are
// made, so that every parser builds the same tree.
//
// The rules it owns: an element's name and namespace URI are shared with
// the other elements that carry them; an unqualified attribute is kept
// under its local name, an attribute in a namespace under "{uri}local", so
// that it can never be taken for an unqualified one; nesting deeper than
// kMaxDepth is refused; and the tree may not take more memory than its
// budget. A refusal is a Refusal exception, which the parser's adapter
// turns into a DomException naming the position.
//
// The nodes under construction belong to the builder until takeRoot, so
// nothing leaks when a parse fails.
class TreeBuilder
{
public:
    static constexpr std::size_t kMaxDepth = 1000;

    struct Refusal
    {
        std::string reason;
    };

    TreeBuilder();
    ~TreeBuilder();
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    // Drops what an earlier document left, finished or not, and bounds the
    // memory of the next tree to budget bytes.
    void reset(std::size_t budget);

    // An element starts: its attributes follow, then endAttributes.
    void startElement(std::string_view namespaceUri, std::string_view localName);
    // The same, for a parser that hands out one zero-terminated copy of
    // each distinct name and URI of a document (null for no URI): the
    // builder then finds the shared copy by the pointer.
    void startElementWithInternedNames(const char* namespaceUri, const char* localName);
    void addAttribute(std::string_view namespaceUri, std::string_view localName, std::string_view value);
    void endAttributes();
    void appendText(std::string_view text);
    void endElement();

    // The finished tree; null before a document was read. After a failure,
    // what was read up to it.
    std::unique_ptr<XMLNode> takeRoot();

    // The memory a document of this many bytes may take as a tree.
    static std::size_t budgetFor(std::size_t textLength);

private:
    [[noreturn]] static void refuse(const std::string& reason);
    void charge(std::size_t bytes);
    using TextIndex = SharedTextIndex<XMLNode::SharedText>;

    XMLNode::SharedText& sharedText(std::string_view text);
    XMLNode::SharedText& internedText(const char* text);
    XMLNode::SharedText& addSharedText(TextIndex& index, TextIndex::Key key, std::string_view text);
    void forgetSharedTexts();
    // Makes the next node, holds it as the current one and returns it.
    XMLNode& openNode();
    void closeCurrent();
    // The first node of a document, which owns the arena of the others.
    static XMLNode* newRoot();
    void releaseUnfinished();

    std::unique_ptr<XMLNode> fRoot;
    std::vector<XMLNode*> fOpenNodes;       // owned; from the root to the current node
    std::vector<std::size_t> fChildStarts;  // where each open node's children start
    std::vector<XMLNode*> fClosedChildren;  // owned; children of the open nodes
    std::string fPackedAttributes;          // the current element's, until endAttributes
    std::size_t fAttributeCount;
    std::size_t fBudget;                    // bytes the tree may still take
    // Element names and namespace URIs of the tree being built, by the
    // hash of their text, or by the address of a parser's interned copy.
    // The nodes hold the texts: the builder forgets them whenever it lets
    // go of its tree.
    TextIndex fTextsByHash;
    TextIndex fTextsByAddress;
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
