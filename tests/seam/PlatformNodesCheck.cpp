// A program that loads the message library first and, after it, a library
// that makes nodes the way the platform's common library does (see
// PlatformNodes.cpp). The node's inline default constructor is then the
// message library's, so every node the platform library makes is built by
// it: this program fails, or crashes, if that constructor writes beyond the
// platform's node.
//
// Compile definitions name the two libraries' files:
//   MESSAGE_LIBRARY_FILE, PLATFORM_NODES_LIBRARY_FILE.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>

#include "PlatformNode.hpp"

namespace {

using Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse;
using BrisvaleSeamTest::XMLNode;

const char* const kNodeConstructor = "_ZN8Brisvale3Soa6Common3Xml7XMLNodeC1Ev";
const char* const kNodeDestructor = "_ZN8Brisvale3Soa6Common3Xml7XMLNodeD1Ev";
const char* const kMessageName = "CreateOrUpdatePartsResponse";
const int kPlainNodes = 1000;
const int kGuardedNodes = 100;

const char* volatile currentStep = "starting";

void reportCrash(int)
{
    const char* parts[] = {"crashed (SIGSEGV) while ", currentStep, "\n"};
    for (const char* part : parts)
        if (write(STDERR_FILENO, part, std::strlen(part)) < 0)
            return;
    // The handler is reset: the faulting write runs again and ends the program.
}

void reportCrashesByStep()
{
    struct sigaction action {};
    action.sa_handler = reportCrash;
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGSEGV, &action, nullptr);
}

const char* fileNameOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// Whether the process resolves the symbol to a definition in the library file.
bool resolvesInto(const char* symbol, const char* libraryFile)
{
    void* address = dlsym(RTLD_DEFAULT, symbol);
    Dl_info info {};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr)
    {
        std::fprintf(stderr, "%s is not defined in the process\n", symbol);
        return false;
    }
    std::printf("%s resolves into %s\n", symbol, info.dli_fname);
    if (std::strcmp(fileNameOf(info.dli_fname), libraryFile) == 0)
        return true;
    std::fprintf(stderr, "%s should resolve into %s\n", symbol, libraryFile);
    return false;
}

void parseAsMessage(const XMLNode& node)
{
    CreateOrUpdatePartsResponse response;
    response.parse(node);
}

void makeGuardedNodes()
{
    currentStep = "making nodes at the end of a page before a guard page";
    for (int i = 0; i < kGuardedNodes; ++i)
    {
        XMLNode* node = BrisvaleSeamTest::newGuardedPlatformNode(kMessageName);
        parseAsMessage(*node);
        BrisvaleSeamTest::deleteGuardedPlatformNode(node);
    }
}

void makePlainNodes()
{
    currentStep = "making nodes with new";
    std::vector<XMLNode*> nodes;
    for (int i = 0; i < kPlainNodes; ++i)
        nodes.push_back(BrisvaleSeamTest::newPlatformNode(kMessageName));
    parseAsMessage(*nodes.front());
    currentStep = "deleting nodes made with new";
    for (XMLNode* node : nodes)
        BrisvaleSeamTest::deletePlatformNode(node);
}

} // namespace

int main()
{
    if (!resolvesInto(kNodeConstructor, MESSAGE_LIBRARY_FILE))
    {
        std::fprintf(stderr, "the nodes would not be built by the message library's constructor\n");
        return 1;
    }
    if (!resolvesInto(kNodeDestructor, PLATFORM_NODES_LIBRARY_FILE))
    {
        std::fprintf(stderr, "the nodes would not be freed by the platform library's own destructor\n");
        return 1;
    }
    std::fflush(stdout);
    reportCrashesByStep();
    makeGuardedNodes();
    makePlainNodes();
    std::printf("%d guarded and %d plain nodes made, parsed and freed\n", kGuardedNodes, kPlainNodes);
    return 0;
}
