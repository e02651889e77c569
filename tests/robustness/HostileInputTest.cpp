// Input that once broke the library, read through generated message types:
// failed allocations, numbers that do not convert, long names, underflow.

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>
#include <libxml/xmlmemory.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccDataInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsResponse.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
const long kStride = 13;  // one allocation in thirteen, to keep the run short
// Xerces leaks what it made when an allocation fails inside its reader's constructor.
extern "C" [[gnu::visibility("default")]] const char* __lsan_default_suppressions() { return "leak:libxerces-c"; }
#else
const long kStride = 1;
#endif

using namespace Brisvale::Soa::Common;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Schemas::Soa::_2006_03::Base::ErrorStack;

long gAllocationsBeforeFailure = -1;  // negative: no failure pending

bool failsNow() { return gAllocationsBeforeFailure >= 0 && gAllocationsBeforeFailure-- == 0; }

void* operator new(std::size_t size)
{
    if (void* pointer = failsNow() ? nullptr : std::malloc(size == 0 ? 1 : size))
        return pointer;
    throw std::bad_alloc();
}
// libxml2's allocations, which fail the same way.
void* failingMalloc(std::size_t size) { return failsNow() ? nullptr : std::malloc(size); }
void* failingRealloc(void* pointer, std::size_t size) { return failsNow() ? nullptr : std::realloc(pointer, size); }
// Out of line, so that the compiler does not take free for a mismatch.
[[gnu::noinline]] void release(void* pointer) { std::free(pointer); }
void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }

using Reader = std::unique_ptr<Xml::XMLNode> (*)(const char*, std::size_t);

template <class Message>
Message read(const std::string& text, Reader reader = Xml::parseXmlDocument)
{
    Message message;
    message.parse(*reader(text.data(), text.size()));
    return message;
}

// Through both readers.
std::string readAndWrite(const std::string& text)
{
    Xml::XmlStream stream, fromXerces;
    read<Sm::CreateBOMWindowsResponse>(text).outputXML(stream, "r");
    read<Sm::CreateBOMWindowsResponse>(text, Xml::parseXmlDocumentWithXerces).outputXML(fromXerces, "r");
    return stream.str() + fromXerces.str();
}

enum Outcome { kFailed = 10, kNothingLeftToFail, kWrongText, kLeak, kXercesOutOfUse };

// Fails one allocation of the first read and write, then reads and writes again.
int failAt(long point, const std::string& text)
{
    std::string first, again;
    gAllocationsBeforeFailure = point;
    try {
        first = readAndWrite(text);
    } catch (const std::bad_alloc&) {
    } catch (Exceptions::DomException&) {
    }
    const bool failed = gAllocationsBeforeFailure < 0;
    gAllocationsBeforeFailure = -1;
    try {
        again = readAndWrite(text);
    } catch (Exceptions::DomException& error) {
        return failed && error.getMessage().find("could not be initialised") != std::string::npos ? kXercesOutOfUse
                                                                                                    : kWrongText;
    }
    if (again.empty() || (!first.empty() && first != again))
        return kWrongText;
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    return failed ? kFailed : kNothingLeftToFail;
}

// First in the file: each point fails in a child of a process that has not
// used the library yet.
TEST(HostileInput, AnyFailedAllocationOfAFirstReadAndWriteLeavesTheLibraryUsable)
{
    std::ifstream file(BRISVALE_SAMPLE_RESPONSE, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    xmlMemSetup(std::free, failingMalloc, failingRealloc, strdup);
    int outcome = kFailed, xercesOutOfUse = 0, point = 0;
    for (; outcome != kNothingLeftToFail; point += kStride) {
        const pid_t child = fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stderr);  // libxml2 reports running out of memory there
            _exit(failAt(point, text));
        }
        int status = 0;
        waitpid(child, &status, 0);
        outcome = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        xercesOutOfUse += outcome == kXercesOutOfUse;
        ASSERT_TRUE(outcome == kFailed || outcome == kNothingLeftToFail || outcome == kXercesOutOfUse)
            << "failing allocation " << point << ": outcome " << outcome;
    }
    // Xerces makes a few allocations past its memory manager as it starts up.
    EXPECT_LE(xercesOutOfUse, 4);
}

// The message of what reading the text raises.
template <class Message>
std::string failure(const std::string& text)
{
    try {
        read<Message>(text);
    } catch (const Xml::BadLexicalCast& error) {
        return error.what();
    } catch (Exceptions::DomException& error) {
        return error.getMessage();
    }
    return "(no exception)";
}

TEST(HostileInput, ANumberThatDoesNotConvertNamesItsAttributeOrElement)
{
    EXPECT_EQ(failure<ErrorStack>("<s><errorValues code='12ab' level='1'/></s>"),
              "cannot convert \"12ab\" to int: not a decimal integer, in attribute \"code\" of element \"errorValues\"");
    EXPECT_EQ(failure<Sm::AbsOccDataInfo>("<o asRequired='0'><occTransform>1,5</occTransform></o>"),
              "cannot convert \"1,5\" to double: not a number, in the text of element \"occTransform\"");
}

TEST(HostileInput, AnUnexpectedLongNameIsCutInTheMessageAtACharacter)
{
    const std::string name = std::string(127, 'n') + "\xC3\xBC" + std::string(40000, 'n');
    EXPECT_EQ(failure<ErrorStack>("<s><" + name + "/></s>"), "Unexpected node name: " + name.substr(0, 127) + "...");
}

TEST(HostileInput, DoublesTooSmallForADoubleReadAsTheNearestOne)
{
    const auto occurrence = read<Sm::AbsOccDataInfo>(
        "<o asRequired='0'><occTransform>1e-400</occTransform><occTransform>-0.0000001e-317</occTransform>"
        "<occTransform>2.4703282292062328e-324</occTransform></o>");
    EXPECT_EQ(occurrence.getOccTransformArray(), std::vector<double>({0.0, -0.0, 5e-324}));
    EXPECT_TRUE(std::signbit(occurrence.getOccTransformArray().at(1)));
}
