#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "Xml/Tree/NodeArena.hpp"
#include "Xml/Tree/PackedAttributes.hpp"
#include "Xml/Tree/SharedText.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The attributes of one node in one block of memory: this header, then the
// packed entries, with no name twice. Once the map is built, it is the only
// copy: the entries are dropped and every later lookup or change uses it.
// The blocks the parser makes live in the document's arena; those made
// later are the node's own.
struct XMLNode::AttributeStore
{
    std::map<std::string, std::string>* map;  // owned; null until built
    std::uint32_t count : 31;                 // entries, at least two bytes each
    std::uint32_t inArena : 1;                // freed with the arena, not alone
    std::uint32_t size;                       // bytes of entries

    char* entries() { return reinterpret_cast<char*>(this + 1); }
    const char* entries() const { return reinterpret_cast<const char*>(this + 1); }

    // A block of room for size bytes of entries, from the arena if given.
    static AttributeStore* create(std::size_t size, std::size_t count, NodeArena* arena)
    {
        // Lengths are checked before the block exists, so that nothing leaks.
        // Every entry takes two bytes at least, so a count below the size
        // limit halved fits in its field.
        const std::uint32_t checkedSize = checkedLength(size);
        const std::uint32_t checkedCount = checkedLength(count);
        void* memory = arena != nullptr ? arena->allocateBytes(sizeof(AttributeStore) + size)
                                        : ::operator new(sizeof(AttributeStore) + size);
        AttributeStore* store = new (memory) AttributeStore;
        store->map = nullptr;
        store->count = checkedCount;
        store->inArena = arena != nullptr;
        store->size = checkedSize;
        return store;
    }

    // Frees the map and, unless the arena holds it, the block.
    static void release(AttributeStore* store)
    {
        if (store == nullptr)
            return;
        delete store->map;
        if (!store->inArena)
            ::operator delete(store);
    }
};

namespace {

using AttributeMap = std::map<std::string, std::string>;

// Up to this many attributes, a lookup scans the entries and a new
// attribute is packed in; past it, the map serves, so that reading or
// setting every attribute of a wide element stays O(n log n).
const std::uint32_t kScanLimit = 16;

const std::string& emptyString()
{
    static const std::string empty;
    return empty;
}

} // namespace

// Frees the subtree without recursion, so that no depth can exhaust the
// stack: walk down to a childless node, unlink it from its parent, destroy
// it (its own destructor then has nothing to do) and carry on from the
// parent. Needs no memory of its own. The root of another parsed document,
// added as a child, is deleted whole: its nodes are in its own arena.
void XMLNode::destroyDescendants(XMLNode* top, NodeArena* arena)
{
    XMLNode* node = top;
    while (true)
    {
        if (!node->fChildren.empty())
        {
            XMLNode* child = node->fChildren.back();
            if (child->fArena == nullptr)
            {
                node = child;
                continue;
            }
            node->fChildren.pop_back();
            delete child;
            continue;
        }
        if (node == top)
            break;
        XMLNode* parent = node->fParent;
        parent->fChildren.pop_back();
        if (arena != nullptr && arena->contains(node))
            node->~XMLNode();
        else
            delete node;
        node = parent;
    }
}

void XMLNode::destroy(XMLNode* node, NodeArena* arena)
{
    destroyDescendants(node, arena);
    if (arena != nullptr && arena->contains(node))
        node->~XMLNode();
    else
        delete node;
}

XMLNode::~XMLNode()
{
    destroyDescendants(this, fArena);
    // The root's own attributes may sit in the arena: released first.
    AttributeStore::release(fAttributes);
    delete fArena;

    SharedText::release(fNamespaceUri);
    SharedText::release(fName);
}

const std::string& XMLNode::getName() const
{
    return fName == nullptr ? emptyString() : fName->text;
}

// Alone with its text, a node changes it in place, so that references it
// handed out stay valid; shared text is left to the other nodes.
void XMLNode::assignText(SharedText*& slot, const std::string& text)
{
    if (slot != nullptr && slot->references == 1)
    {
        slot->text = text;
        return;
    }
    SharedText* replacement = text.empty() ? nullptr : SharedText::create(text);
    SharedText::release(slot);
    slot = replacement;
}

// Takes the new reference before letting go of the old one, which may be
// the same text.
void XMLNode::shareText(SharedText*& slot, SharedText& text)
{
    SharedText* shared = text.share();
    SharedText::release(slot);
    slot = shared;
}

void XMLNode::setName(const std::string& localName)
{
    assignText(fName, localName);
}

void XMLNode::shareName(SharedText& name)
{
    shareText(fName, name);
}

void XMLNode::shareNamespaceUri(SharedText& namespaceUri)
{
    shareText(fNamespaceUri, namespaceUri);
}

const std::string& XMLNode::getNamespaceUri() const
{
    return fNamespaceUri == nullptr ? emptyString() : fNamespaceUri->text;
}

void XMLNode::setNamespaceUri(const std::string& namespaceUri)
{
    if (namespaceUri.find('\0') != std::string::npos)
        throw std::invalid_argument("XMLNode::setNamespaceUri: a namespace name cannot hold NUL");
    assignText(fNamespaceUri, namespaceUri);
}

const std::string& XMLNode::getText() const
{
    return fText ? *fText : emptyString();
}

std::string& XMLNode::textForAppend()
{
    if (!fText)
        fText.reset(new std::string());
    return *fText;
}

void XMLNode::appendText(const std::string& text)
{
    if (!text.empty())
        textForAppend() += text;
}

bool XMLNode::usesAttributeMap() const
{
    return fAttributes != nullptr && (fAttributes->map != nullptr || fAttributes->count > kScanLimit);
}

bool XMLNode::findPackedAttribute(std::string_view name, std::string_view& value) const
{
    if (fAttributes == nullptr)
        return false;
    const char* at = fAttributes->entries();
    std::string_view entryName;
    for (std::uint32_t i = 0; i < fAttributes->count; ++i)
    {
        at = readField(readField(at, entryName), value);
        if (entryName == name)
            return true;
    }
    return false;
}

bool XMLNode::hasAttribute(std::string_view name) const
{
    if (usesAttributeMap())
        return buildAttributeMap().count(std::string(name)) != 0;
    std::string_view value;
    return findPackedAttribute(name, value);
}

std::string XMLNode::attributeValue(std::string_view name) const
{
    if (usesAttributeMap())
    {
        const AttributeMap& map = buildAttributeMap();
        const auto attribute = map.find(std::string(name));
        return attribute == map.end() ? std::string() : attribute->second;
    }
    std::string_view value;
    return findPackedAttribute(name, value) ? std::string(value) : std::string();
}

bool XMLNode::hasAttr(const std::string& name) const
{
    return hasAttribute(name);
}

std::string XMLNode::getAttr(const std::string& name) const
{
    return attributeValue(name);
}

std::map<std::string, std::string>& XMLNode::buildAttributeMap() const
{
    if (fAttributes != nullptr && fAttributes->map != nullptr)
        return *fAttributes->map;

    std::unique_ptr<AttributeMap> map(new AttributeMap());
    if (fAttributes != nullptr)
    {
        const char* at = fAttributes->entries();
        std::string_view name;
        std::string_view value;
        for (std::uint32_t i = 0; i < fAttributes->count; ++i)
        {
            at = readField(readField(at, name), value);
            map->emplace(std::string(name), std::string(value));
        }
    }
    // From now on the map is the only copy: a bare header replaces the block.
    AttributeStore* store = AttributeStore::create(0, 0, nullptr);
    store->map = map.release();
    AttributeStore::release(fAttributes);
    fAttributes = store;
    return *store->map;
}

void XMLNode::replacePackedAttributes(const char* entries, std::size_t size, std::size_t count, NodeArena* arena)
{
    AttributeStore* store = AttributeStore::create(size, count, arena);
    if (size != 0)
        std::memcpy(store->entries(), entries, size);
    AttributeStore::release(fAttributes);
    fAttributes = store;
}

void XMLNode::setAttr(const std::string& name, const std::string& value)
{
    if (usesAttributeMap())
    {
        buildAttributeMap()[name] = value;
        return;
    }

    // Pack the entries again: every other attribute as it was, this one
    // with its new value, at the end.
    std::string packed;
    std::uint32_t count = 0;
    if (fAttributes != nullptr)
    {
        packed.reserve(fAttributes->size + fieldBytes(name.size()) + fieldBytes(value.size()));
        const char* at = fAttributes->entries();
        std::string_view entryName;
        std::string_view entryValue;
        for (std::uint32_t i = 0; i < fAttributes->count; ++i)
        {
            const char* entryStart = at;
            at = readField(readField(at, entryName), entryValue);
            if (entryName == name)
                continue;
            packed.append(entryStart, static_cast<std::size_t>(at - entryStart));
            ++count;
        }
    }
    appendField(packed, name);
    appendField(packed, value);
    // Exactly the size needed, the node's own: at most kScanLimit are
    // ever packed in one by one.
    replacePackedAttributes(packed.data(), packed.size(), count + 1, nullptr);
}

void XMLNode::adoptPackedAttributes(std::string_view packed, std::size_t count, NodeArena& arena)
{
    if (count != 0)
        replacePackedAttributes(packed.data(), packed.size(), count, &arena);
}

void XMLNode::adoptChildren(XMLNode* const* first, XMLNode* const* last)
{
    fChildren.assign(first, last);
    for (XMLNode* child : fChildren)
        child->fParent = this;
}

// Whether a node without a parent is this node or the root of its tree. A
// node without children can only be this node itself, so that building a
// deep tree one new node at a time never walks up it.
bool XMLNode::isRootAbove(const XMLNode* root) const
{
    if (root == this)
        return true;
    if (root->fChildren.empty())
        return false;
    const XMLNode* node = this;
    while (node->fParent != nullptr)
        node = node->fParent;
    return node == root;
}

XMLNode* XMLNode::addChild(std::unique_ptr<XMLNode>&& child)
{
    if (!child)
        throw std::invalid_argument("XMLNode::addChild: the child is null");
    if (child->fParent != nullptr)
        throw std::invalid_argument("XMLNode::addChild: the child already has a parent");
    if (isRootAbove(child.get()))
        throw std::invalid_argument("XMLNode::addChild: a node cannot become a child in its own tree");
    // Room for three children at once: the smallest block the allocator
    // hands out holds three pointers anyway, and most elements that have
    // children have a few.
    if (fChildren.empty())
        fChildren.reserve(3);
    fChildren.push_back(child.get());
    child->fParent = this;
    return child.release();
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
