// A program that loads the message library first and, after it, a library
// that makes nodes the way the platform's common library does (see
// PlatformNodes.cpp). The node's inline default constructor is then the
// message library's, so every node the platform library makes is built by
// it: this program fails, or crashes, if that constructor writes beyond the
// platform's node. MESSAGE_LIBRARY_FILE names the message library's file.

#include <cstdio>
#include <cstring>
#include <vector>

#include <dlfcn.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>

#include "PlatformNode.hpp"

namespace {

using Brisvale::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse;
using BrisvaleSeamTest::XMLNode;

const char* const kNodeConstructor = "_ZN8Brisvale3Soa6Common3Xml7XMLNodeC1Ev";
const char* const kMessageName = "CreateOrUpdatePartsResponse";

// Whether the process takes the node's constructor from the message library.
bool constructorIsTheMessageLibrarys()
{
    Dl_info info{};
    void* address = dlsym(RTLD_DEFAULT, kNodeConstructor);
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return false;
    const char* slash = std::strrchr(info.dli_fname, '/');
    return std::strcmp(slash == nullptr ? info.dli_fname : slash + 1, MESSAGE_LIBRARY_FILE) == 0;
}

void parseAsMessage(const XMLNode& node)
{
    CreateOrUpdatePartsResponse response;
    response.parse(node);
}

} // namespace

int main()
{
    if (!constructorIsTheMessageLibrarys())
    {
        std::fprintf(stderr, "the node's constructor is not taken from %s\n", MESSAGE_LIBRARY_FILE);
        return 1;
    }
    for (int i = 0; i < 100; ++i)
    {
        XMLNode* node = BrisvaleSeamTest::newGuardedPlatformNode(kMessageName);
        parseAsMessage(*node);
        BrisvaleSeamTest::deleteGuardedPlatformNode(node);
    }
    std::vector<XMLNode*> nodes;
    for (int i = 0; i < 1000; ++i)
        nodes.push_back(BrisvaleSeamTest::newPlatformNode(kMessageName));
    parseAsMessage(*nodes.front());
    for (XMLNode* node : nodes)
        BrisvaleSeamTest::deletePlatformNode(node);
    return 0;
}
