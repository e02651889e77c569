// Fails each allocation of a process's first read and write of a message in
// turn, each in a fresh process: the call must end in std::bad_alloc or a
// DomException, or succeed, and the library must then read and write the
// message as if nothing had happened. Exits non-zero naming the failure
// points that broke this.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <thread>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsResponse.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define BRISVALE_SANITIZED 1
#endif

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* pointer, std::size_t size);
extern "C" void __libc_free(void* pointer);

namespace {

long gAllocationsBeforeFailure = -1;  // negative: no failure pending

bool failsNow()
{
    return gAllocationsBeforeFailure >= 0 && gAllocationsBeforeFailure-- == 0;
}

void* allocate(std::size_t size)
{
    void* pointer = failsNow() ? nullptr : __libc_malloc(size == 0 ? 1 : size);
    if (pointer == nullptr)
        throw std::bad_alloc();
    return pointer;
}

std::string readAndWrite(const std::string& text)
{
    namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
    Sm::CreateBOMWindowsResponse response;
    response.parse(*Brisvale::Soa::Common::Xml::parseXmlDocument(text));
    Brisvale::Soa::Common::Xml::XmlStream stream;
    response.outputXML(stream, "CreateBOMWindowsResponse");
    return stream.str();
}

enum Outcome { kFailureInjected = 10, kNothingLeftToFail = 11, kWrongText = 12, kLeak = 13, kXercesOutOfUse = 14 };

int failAt(long point, const std::string& text)
{
    std::string first;
    gAllocationsBeforeFailure = point;
    try
    {
        first = readAndWrite(text);
    }
    catch (const std::bad_alloc&)
    {
    }
    catch (Brisvale::Soa::Common::Exceptions::DomException&)
    {
    }
    const bool injected = gAllocationsBeforeFailure < 0;
    gAllocationsBeforeFailure = -1;
    std::string again;
    try
    {
        again = readAndWrite(text);
    }
    catch (Brisvale::Soa::Common::Exceptions::DomException& error)
    {
        const bool outOfUse = error.getMessage().find("could not be initialised") != std::string::npos;
        return injected && outOfUse ? kXercesOutOfUse : kWrongText;
    }
    if (again.empty() || (!first.empty() && first != again))
        return kWrongText;
#ifdef BRISVALE_SANITIZED
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    return injected ? kFailureInjected : kNothingLeftToFail;
}

pid_t startChild(long point, const std::string& text)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
    {
        std::freopen("/dev/null", "w", stderr);
        _exit(failAt(point, text));
    }
    return child;
}

int outcomeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* pointer) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { __libc_free(pointer); }

// With a number, fails that point in this process, for a debugger.
int main(int argc, char** argv)
{
    std::ifstream file(BRISVALE_SAMPLE_RESPONSE, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (argc == 2)
        return failAt(std::atol(argv[1]), text.str());
    // Under the sanitizers every seventh point, to keep the run short.
#ifdef BRISVALE_SANITIZED
    const long stride = 7;
#else
    const long stride = 1;
#endif
    const unsigned parallel = std::max(2u, std::min(4u, std::thread::hardware_concurrency()));
    std::map<pid_t, long> running;
    long next = 0;
    long end = LONG_MAX;  // the first point past the last allocation
    int broken = 0;
    int xercesOutOfUse = 0;
    while (!running.empty() || next < end)
    {
        while (running.size() < parallel && next < end)
        {
            running[startChild(next, text.str())] = next;
            next += stride;
        }
        int status = 0;
        const pid_t child = wait(&status);
        const long point = running.at(child);
        running.erase(child);
        const int outcome = outcomeOf(status);
        if (outcome == kNothingLeftToFail)
            end = std::min(end, point);
        else if (outcome == kXercesOutOfUse)
            ++xercesOutOfUse;
        else if (outcome != kFailureInjected && ++broken <= 10)
            std::printf("failing allocation %ld: outcome %d\n", point, outcome);
    }
    std::printf("%ld allocation points, %d broke the library, %d put Xerces out of use\n", end,
                broken, xercesOutOfUse);
    // Xerces makes a few allocations past its memory manager while it starts up.
    return broken == 0 && xercesOutOfUse <= 4 && end > 0 ? 0 : 1;
}
