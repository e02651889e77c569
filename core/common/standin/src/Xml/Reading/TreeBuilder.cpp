#include "Xml/Reading/TreeBuilder.hpp"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <tuple>
#include <utility>

#include "Xml/Tree/NodeArena.hpp"
#include "Xml/Tree/SharedText.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// What the allocator adds to every block it hands out, as the budget counts it.
const std::size_t kBlockOverhead = 16;
// A node, its place among its parent's children, and its place, with room
// to grow, among the children waiting for their parent to close.
const std::size_t kNodeCost = sizeof(XMLNode) + 3 * sizeof(XMLNode*);
// One entry of a node's attribute map: the tree's links and colour, the
// pair of strings, and the allocator's share.
const std::size_t kAttributeCost
    = 4 * sizeof(void*) + sizeof(std::map<std::string, std::string>::value_type) + kBlockOverhead;

// A tree may take sixteen times its text, and a megabyte more for small
// documents. A node with a one-byte text costs 218 bytes, so a document of
// elements as short as <uids>x</uids> (14 bytes, 224 allowed) reads at any
// size; only documents of shorter elements than any message has, such as
// <a/> repeated, are refused.
const std::size_t kBudgetPerByte = 16;
const std::size_t kBudgetAllowance = std::size_t{1} << 20;

// The characters a string holds inside itself (libstdc++'s; a budget
// needs no more than an estimate elsewhere).
const std::size_t kTextInPlace = 15;

// The memory a string of this length takes beyond its own object: none
// while the text fits inside it.
std::size_t heapBytes(std::size_t length)
{
    return length <= kTextInPlace ? 0 : length + 1 + kBlockOverhead;
}

// Makes room for one more element without reallocating on every call, as
// reserve(size() + 1) would.
template <class Vector>
void reserveOneMore(Vector& vector)
{
    if (vector.size() == vector.capacity())
        vector.reserve(vector.empty() ? 8 : 2 * vector.size());
}

} // namespace

TreeBuilder::TreeBuilder()
    : fBudget(std::numeric_limits<std::size_t>::max())
    , fParserNames(ParserNames::Transient)
    , fNoNamespace(nullptr)
    , fArena(nullptr)
    , fNamespacesInScope(0)
    , fPendingNamespaces(0)
{
}

TreeBuilder::~TreeBuilder()
{
    releaseUnfinished();
}

std::size_t TreeBuilder::budgetFor(std::size_t textLength, std::size_t utf8Length)
{
    textLength = std::max(textLength, utf8Length);
    if (textLength > (std::numeric_limits<std::size_t>::max() - kBudgetAllowance) / kBudgetPerByte)
        return std::numeric_limits<std::size_t>::max();
    return kBudgetPerByte * textLength + kBudgetAllowance;
}

void TreeBuilder::reset(std::size_t budget, ParserNames names)
{
    releaseUnfinished();
    fRoot.reset();
    forgetDocumentRecords();
    fBudget = budget;
    fParserNames = names;
}

void TreeBuilder::refuse(const std::string& reason)
{
    throw Refusal{reason};
}

void TreeBuilder::checkNameLength(std::string_view name)
{
    if (name.size() > kMaxNameLength)
        refuse("a name longer than " + std::to_string(kMaxNameLength) + " bytes");
}

void TreeBuilder::checkValueLength(std::size_t length, const char* what)
{
    if (length > kMaxValueLength)
        refuse(std::string(what) + " longer than " + std::to_string(kMaxValueLength) + " bytes");
}

void TreeBuilder::charge(std::size_t bytes)
{
    if (bytes > fBudget)
        refuse("the document's tree would take more memory than its reader allows"
               " (sixteen times the text's size and a megabyte)");
    fBudget -= bytes;
}

void TreeBuilder::forgetDocumentRecords()
{
    for (XMLNode::SharedText* text : fDocumentTexts)
        XMLNode::SharedText::release(text);
    fDocumentTexts.clear();
    XMLNode::SharedText::release(fNoNamespace);
    fNoNamespace = nullptr;
    fTextsByHash.clear();
    fTextsByAddress.clear();
    fArenaBeforeRoot.reset();
    fArena = nullptr;
}

XMLNode::SharedText& TreeBuilder::sharedText(std::string_view text)
{
    const TextIndex::Key key = std::hash<std::string_view>()(text);
    XMLNode::SharedText* found
        = fTextsByHash.find(key, [text](const XMLNode::SharedText& shared) { return shared.text == text; });
    return found != nullptr ? *found : addSharedText(fTextsByHash, key, text);
}

XMLNode::SharedText& TreeBuilder::internedText(const char* text)
{
    // One copy of each distinct text: its address is the whole key.
    const TextIndex::Key key = reinterpret_cast<TextIndex::Key>(text);
    XMLNode::SharedText* found = fTextsByAddress.find(key, [](const XMLNode::SharedText&) { return true; });
    return found != nullptr ? *found : addInternedText(text);
}

XMLNode::SharedText& TreeBuilder::addInternedText(const char* text)
{
    return addSharedText(fTextsByAddress, reinterpret_cast<TextIndex::Key>(text), text);
}

// The builder takes the new text's first reference; room comes first, so
// that once the text exists nothing can fail before the builder holds it.
XMLNode::SharedText& TreeBuilder::addSharedText(TextIndex& index, TextIndex::Key key, std::string_view text)
{
    if (fDocumentTexts.size() >= kMaxDistinctNames)
        refuse("more than " + std::to_string(kMaxDistinctNames) + " distinct names in one document");
    // The text, its string's own block, its place in the index, and the
    // builder's reference with room to grow.
    charge(sizeof(XMLNode::SharedText) + 2 * kBlockOverhead + text.size() + TextIndex::kBytesPerText
           + 2 * sizeof(XMLNode::SharedText*));
    index.reserveOneMore();
    reserveOneMore(fDocumentTexts);
    XMLNode::NodeArena& arena = documentArena();
    XMLNode::SharedText* shared = XMLNode::SharedText::create(std::string(text), &arena);
    index.insert(key, shared);
    fDocumentTexts.push_back(shared);
    return *shared;
}

void TreeBuilder::countName(std::string_view name)
{
    if (name.empty())
        return;
    if (fParserNames == ParserNames::Interned)
        internedText(name.data());
    else
        sharedText(name);
}

void TreeBuilder::releaseUnfinished()
{
    // Every node but the root, the first open node, lives in the root's
    // arena, which destroys them all with it, linked or not.
    if (!fOpenNodes.empty())
        delete fOpenNodes.front();
    fClosedChildren.clear();
    fOpenNodes.clear();
    fChildStarts.clear();
    forgetDocumentRecords();
    fDeclaringElements.clear();
    fNamespacesInScope = 0;
    fPendingNamespaces = 0;
}

std::unique_ptr<XMLNode> TreeBuilder::takeRoot()
{
    // After a failure, close what is still open so that the tree holds
    // everything read.
    while (!fOpenNodes.empty())
        closeCurrent();
    forgetDocumentRecords();
    return std::move(fRoot);
}

XMLNode& TreeBuilder::openNode(std::string_view localName, XMLNode::SharedText& record)
{
    if (fOpenNodes.size() >= kMaxDepth)
        refuse("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (fOpenNodes.empty() && fRoot)
        refuse("a second root element");
    charge(kNodeCost + heapBytes(localName.size()));

    // Room first, so that once the node exists nothing can fail before the
    // builder holds it.
    reserveOneMore(fOpenNodes);
    reserveOneMore(fChildStarts);
    if (fPendingNamespaces != 0)
        reserveOneMore(fDeclaringElements);
    XMLNode* node = fOpenNodes.empty() ? newRoot(record) : newInArena(record);
    fOpenNodes.push_back(node);
    fChildStarts.push_back(fClosedChildren.size());
    enterScope(fOpenNodes.size());
    // Appended to the empty name: the shortest way of copying it.
    node->fName.append(localName.data(), localName.size());
    return *node;
}

void TreeBuilder::declareNamespace(std::string_view prefix, std::string_view uri)
{
    // The one declaration of the prefix xml that the parsers let pass binds
    // it to its own namespace again, which changes nothing; libxml2 does not
    // report it.
    if (prefix == "xml")
        return;
    if (fNamespacesInScope + fPendingNamespaces >= kMaxNamespacesInScope)
        refuse("more than " + std::to_string(kMaxNamespacesInScope) + " namespace declarations in scope");
    checkNameLength(prefix);
    checkValueLength(uri.size(), "a namespace URI");
    countName(prefix);
    countName(uri);
    ++fPendingNamespaces;
}

void TreeBuilder::enterScope(std::size_t depth)
{
    if (fPendingNamespaces == 0)
        return;
    fDeclaringElements.push_back(Declarations{depth, fPendingNamespaces});
    fNamespacesInScope += fPendingNamespaces;
    fPendingNamespaces = 0;
}

void TreeBuilder::leaveScope(std::size_t depth)
{
    if (fDeclaringElements.empty() || fDeclaringElements.back().depth != depth)
        return;
    fNamespacesInScope -= fDeclaringElements.back().count;
    fDeclaringElements.pop_back();
}

void TreeBuilder::startElement(std::string_view namespaceUri, std::string_view localName)
{
    checkNameLength(localName);
    countName(localName);
    if (namespaceUri.empty())
    {
        openNode(localName, noNamespaceRecord());
        return;
    }
    // Most elements share their parent's namespace: no lookup then.
    const XMLNode* parent = fOpenNodes.empty() ? nullptr : fOpenNodes.back();
    XMLNode::SharedText* parentRecord = parent == nullptr ? nullptr : parent->record();
    if (parentRecord != nullptr && parentRecord->text == namespaceUri)
        openNode(localName, *parentRecord);
    else
        openNode(localName, sharedText(namespaceUri));
}

void TreeBuilder::startElementWithInternedNames(const char* namespaceUri, const char* localName)
{
    const std::string& name = internedText(localName).text;
    const bool inNamespace = namespaceUri != nullptr && *namespaceUri != 0;
    openNode(name, inNamespace ? internedText(namespaceUri) : noNamespaceRecord());
}

XMLNode::NodeArena& TreeBuilder::documentArena()
{
    if (fArena == nullptr)
    {
        fArenaBeforeRoot = std::make_unique<XMLNode::NodeArena>();
        fArena = fArenaBeforeRoot.get();
    }
    return *fArena;
}

XMLNode::SharedText& TreeBuilder::noNamespaceRecord()
{
    if (fNoNamespace == nullptr)
    {
        XMLNode::NodeArena& arena = documentArena();
        charge(sizeof(XMLNode::SharedText) + kBlockOverhead);
        fNoNamespace = XMLNode::SharedText::create(std::string(), &arena);
    }
    return *fNoNamespace;
}

// The root takes the arena only once it exists, so that the arena is never
// without an owner.
XMLNode* TreeBuilder::newRoot(XMLNode::SharedText& record)
{
    XMLNode* root = new XMLNode(record.share());
    fArenaBeforeRoot.release();
    fArena->owner = root;
    return root;
}

XMLNode* TreeBuilder::newInArena(XMLNode::SharedText& record)
{
    return new (fArena->allocate()) XMLNode(record.share());
}

std::string_view TreeBuilder::attributeKey(std::string_view namespaceUri, std::string_view localName)
{
    if (namespaceUri.empty())
        return localName;
    fQualifiedName.assign(1, '{');
    fQualifiedName.append(namespaceUri.data(), namespaceUri.size());
    fQualifiedName.push_back('}');
    fQualifiedName.append(localName.data(), localName.size());
    return fQualifiedName;
}

// The parser refuses two attributes of one local name in one namespace, so
// with the namespace in the key no name comes twice. Attributes often come
// in the map's order, so the end is tried first.
void TreeBuilder::addAttribute(std::string_view namespaceUri, std::string_view localName, std::string_view value)
{
    checkNameLength(localName);
    checkValueLength(value.size(), "an attribute value");
    countName(localName);
    storeAttribute(namespaceUri, localName, value);
}

void TreeBuilder::addAttributeWithInternedNames(const char* namespaceUri, const char* localName,
                                                std::string_view value)
{
    const std::string& name = internedText(localName).text;
    storeAttribute(namespaceUri == nullptr ? std::string_view() : std::string_view(namespaceUri), name, value);
}

void TreeBuilder::storeAttribute(std::string_view namespaceUri, std::string_view localName, std::string_view value)
{
    const std::string_view key = attributeKey(namespaceUri, localName);
    charge(kAttributeCost + heapBytes(key.size()) + heapBytes(value.size()));
    std::map<std::string, std::string>& attributes = fOpenNodes.back()->fAttributes;
    attributes.emplace_hint(attributes.end(), std::piecewise_construct, std::forward_as_tuple(key),
                            std::forward_as_tuple(value));
}

void TreeBuilder::appendText(std::string_view text)
{
    if (fOpenNodes.empty() || text.empty())
        return;
    std::string& own = fOpenNodes.back()->fText;
    // A string may hold twice its text once it has grown.
    charge((own.empty() ? kBlockOverhead : 0) + 2 * text.size());
    own.append(text.data(), text.size());
}

void TreeBuilder::endElement()
{
    closeCurrent();
}

void TreeBuilder::processingInstruction(std::string_view target)
{
    checkNameLength(target);
    countName(target);
}

void TreeBuilder::closeCurrent()
{
    XMLNode* node = fOpenNodes.back();
    const std::size_t start = fChildStarts.back();
    if (start == fClosedChildren.size())
        reserveOneMore(fClosedChildren);
    node->adoptChildren(fClosedChildren.data() + start, fClosedChildren.data() + fClosedChildren.size());
    fClosedChildren.resize(start);

    leaveScope(fOpenNodes.size());
    fOpenNodes.pop_back();
    fChildStarts.pop_back();
    if (fOpenNodes.empty())
        fRoot.reset(node);
    else
        fClosedChildren.push_back(node);
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
