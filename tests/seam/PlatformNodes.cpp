// A library standing in for the platform's common library where it makes
// nodes. It is compiled without optimisation, so each `new XMLNode()` and
// each destruction below calls the node's inline members through the
// dynamic symbol table rather than inlining them.

#include "PlatformNode.hpp"

#include <new>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

namespace BrisvaleSeamTest {

namespace {

std::size_t pageSize()
{
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The start of the two pages that hold a guarded node.
char* guardedMappingOf(XMLNode* node)
{
    return reinterpret_cast<char*>(node) + sizeof(XMLNode) - pageSize();
}

} // namespace

XMLNode* newPlatformNode(const std::string& name)
{
    XMLNode* node = new XMLNode();
    node->fName = name;
    return node;
}

void deletePlatformNode(XMLNode* node)
{
    delete node;
}

XMLNode* newGuardedPlatformNode(const std::string& name)
{
    const std::size_t page = pageSize();
    void* mapping = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::runtime_error("mmap failed");
    char* guardPage = static_cast<char*>(mapping) + page;
    if (mprotect(guardPage, page, PROT_NONE) != 0)
    {
        munmap(mapping, 2 * page);
        throw std::runtime_error("mprotect failed");
    }
    XMLNode* node = new (guardPage - sizeof(XMLNode)) XMLNode();
    node->fName = name;
    return node;
}

void deleteGuardedPlatformNode(XMLNode* node)
{
    node->~XMLNode();
    munmap(guardedMappingOf(node), 2 * pageSize());
}

} // namespace BrisvaleSeamTest
