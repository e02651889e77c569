#ifndef BRISVALE_SOA_COMMON_XML_TREEBUILDER_HPP
#define BRISVALE_SOA_COMMON_XML_TREEBUILDER_HPP

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include "Xml/Tree/SharedTextIndex.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Makes the XMLNode tree of one document from its parser's events, given
// as UTF-8, whichever parser reads the text: the one place where nodes are
// made, so that every parser builds the same tree.
//
// The rules it owns: an element's namespace URI is shared with the other
// elements that carry it, in one record per URI that also names the
// document's arena; an unqualified attribute is kept
// under its local name, an attribute in a namespace under "{uri}local", so
// that it can never be taken for an unqualified one; nesting deeper than
// kMaxDepth, more than kMaxNamespacesInScope namespace declarations in
// scope at once, and more than kMaxDistinctNames distinct names in one
// document are refused; and the tree may not take more memory than its
// budget. A refusal is a Refusal exception, which the parser's adapter
// turns into a DomException naming the position.
//
// The nodes under construction belong to the builder until takeRoot, so
// nothing leaks when a parse fails.
class TreeBuilder
{
public:
    static constexpr std::size_t kMaxDepth = 1000;
    // Both parsers look a prefix up among the declarations in scope one by
    // one, so that more of them would make their work grow faster than the
    // text. The element whose declarations pass the limit is refused before
    // the parser reads the next tag: the parser has then resolved no name
    // against more than twice the limit.
    static constexpr std::size_t kMaxNamespacesInScope = 256;
    // Local names of elements and attributes, declared prefixes, namespace
    // URIs and targets of processing instructions, counted once each
    // however often they come. libxml2 keeps them all in its dictionary,
    // which stops growing its table at 4,608 chains of about three names
    // each, so that past some 14,000 names every new name walks a chain
    // that grows with their count.
    static constexpr std::size_t kMaxDistinctNames = 16384;
    // libxml2's own limits on lengths in UTF-8, which every parser is held
    // to: of a name (local name, prefix, target of a processing
    // instruction), and of a value (an attribute's, a namespace URI, a
    // CDATA section's content, a processing instruction's data). The
    // elements and attributes of a parser that hands out interned names
    // come from libxml2, which has checked them already.
    static constexpr std::size_t kMaxNameLength = 10000000;
    static constexpr std::size_t kMaxValueLength = 1000000000;

    // How a parser hands out names and namespace URIs: as text that lives
    // for the call, or as one zero-terminated copy of each distinct text of
    // the document, which every name it hands out starts at, so that the
    // builder tells texts apart by their address.
    enum class ParserNames
    {
        Transient,
        Interned,
    };

    struct Refusal
    {
        std::string reason;
    };

    TreeBuilder();
    ~TreeBuilder();
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    // Drops what an earlier document left, finished or not, bounds the
    // memory of the next tree to budget bytes, and takes the names of the
    // next document as the parser hands them out.
    void reset(std::size_t budget, ParserNames names);

    // A namespace declaration of the element that starts next; an empty
    // prefix for the default namespace.
    void declareNamespace(std::string_view prefix, std::string_view uri);
    // An element starts: its attributes follow.
    void startElement(std::string_view namespaceUri, std::string_view localName);
    // The same, for a parser that hands out interned names (null for no
    // URI): the builder then finds the shared copy by the pointer.
    void startElementWithInternedNames(const char* namespaceUri, const char* localName);
    void addAttribute(std::string_view namespaceUri, std::string_view localName, std::string_view value);
    // The same, for a parser that hands out interned names (null for no URI).
    void addAttributeWithInternedNames(const char* namespaceUri, const char* localName, std::string_view value);
    void appendText(std::string_view text);
    void endElement();
    // A processing instruction, which the tree does not keep; its target
    // counts among the document's names.
    void processingInstruction(std::string_view target);

    // The finished tree; null before a document was read. After a failure,
    // what was read up to it.
    std::unique_ptr<XMLNode> takeRoot();

    // Refuses a value longer than kMaxValueLength; `what` names it.
    static void checkValueLength(std::size_t length, const char* what);

    // The memory a document may take as a tree, counted on its length as
    // given or in UTF-8, in which the tree holds its text, whichever is
    // longer.
    static std::size_t budgetFor(std::size_t textLength, std::size_t utf8Length);

private:
    [[noreturn]] static void refuse(const std::string& reason);
    static void checkNameLength(std::string_view name);
    void charge(std::size_t bytes);
    using TextIndex = SharedTextIndex<XMLNode::SharedText>;

    XMLNode::SharedText& sharedText(std::string_view text);
    XMLNode::SharedText& internedText(const char* text);
    // Kept out of line: internedText nearly always finds the text, and
    // without this rare call in it needs far fewer registers.
    [[gnu::noinline]] XMLNode::SharedText& addInternedText(const char* text);
    XMLNode::SharedText& addSharedText(TextIndex& index, TextIndex::Key key, std::string_view text);
    // Counts a name among the document's distinct names, whether a node
    // keeps it or not.
    void countName(std::string_view name);
    // Lets go of the document's shared texts and of the arena they name
    // (the root's, once it is made).
    void forgetDocumentRecords();
    // Moves the declarations made for the new node at depth into scope.
    void enterScope(std::size_t depth);
    // Ends the declarations of the node at depth, which closes.
    void leaveScope(std::size_t depth);
    // Makes the next node in this record, holds it as the current one and
    // returns it.
    XMLNode& openNode(std::string_view localName, XMLNode::SharedText& record);
    void closeCurrent();
    // The arena of the document being read, made on first use.
    XMLNode::NodeArena& documentArena();
    // The record of the elements in no namespace.
    XMLNode::SharedText& noNamespaceRecord();
    // The first node of a document, which takes the arena of the others.
    XMLNode* newRoot(XMLNode::SharedText& record);
    XMLNode* newInArena(XMLNode::SharedText& record);
    // Adds an attribute whose name is already counted to the current node.
    void storeAttribute(std::string_view namespaceUri, std::string_view localName, std::string_view value);
    // The map key of an attribute: its local name, or "{uri}local".
    std::string_view attributeKey(std::string_view namespaceUri, std::string_view localName);
    void releaseUnfinished();

    std::unique_ptr<XMLNode> fRoot;
    std::vector<XMLNode*> fOpenNodes;       // owned; from the root to the current node
    std::vector<std::size_t> fChildStarts;  // where each open node's children start
    std::vector<XMLNode*> fClosedChildren;  // owned; children of the open nodes
    // The key of an attribute in a namespace, "{uri}local", made here.
    std::string fQualifiedName;
    std::size_t fBudget;                    // bytes the tree may still take
    ParserNames fParserNames;
    // The names and namespace URIs of the document being read, by the hash
    // of their text, or by the address of a parser's interned copy. The
    // builder holds one reference to each, in fDocumentTexts, until it lets
    // go of its tree; the nodes hold their own.
    TextIndex fTextsByHash;
    TextIndex fTextsByAddress;
    std::vector<XMLNode::SharedText*> fDocumentTexts;
    // The record of the elements in no namespace, made on first need; the
    // builder holds a reference to it as to the texts above.
    XMLNode::SharedText* fNoNamespace;
    // The arena of the document being read: the builder's until the root
    // takes it (fArenaBeforeRoot), then the root's.
    XMLNode::NodeArena* fArena;
    std::unique_ptr<XMLNode::NodeArena> fArenaBeforeRoot;

    // The open elements that declare namespaces, innermost last.
    struct Declarations
    {
        std::size_t depth;  // of the element: 1 for the root
        std::size_t count;
    };
    std::vector<Declarations> fDeclaringElements;
    std::size_t fNamespacesInScope;   // made by the open elements
    std::size_t fPendingNamespaces;   // made for the element that starts next
};

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
