// Running out of memory, with allocations failing at the level of malloc
// (FailingAllocator.hpp), so that the failures reach libxml2, Xerces, ICU
// and the C++ runtime alike. Each failure point runs in a child process
// forked from a test that has not used the library yet.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>
#include <libxml/globals.h>
#include <libxml/xmlerror.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsResponse.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "FailingAllocator.hpp"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
const long kStride = 7;  // one failure point in seven, to keep the run short
#else
const long kStride = 1;
#endif

using namespace Brisvale::Soa::Common;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;

namespace {

using Reader = std::unique_ptr<Xml::XMLNode> (*)(const char*, std::size_t);

const Reader readWithLibxml2 = Xml::parseXmlDocument;
const Reader readWithXerces = Xml::parseXmlDocumentWithXerces;
const Reader kReaders[] = {readWithLibxml2, readWithXerces};

std::string nameOf(Reader reader)
{
    return reader == readWithLibxml2 ? "Libxml2" : "Xerces";
}

std::unique_ptr<Xml::XMLNode> read(Reader reader, const std::string& text)
{
    return reader(text.data(), text.size());
}

const std::string& sample()
{
    static const std::string text = [] {
        std::ifstream file(BRISVALE_SAMPLE_RESPONSE, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }();
    return text;
}

// The sample read into its message type and written again.
std::string readAndWrite(Reader reader)
{
    Sm::CreateBOMWindowsResponse message;
    message.parse(*read(reader, sample()));
    Xml::XmlStream stream;
    message.outputXML(stream, "r");
    return stream.str();
}

// One small document in each encoding the readers take; each reads as
// <r a="été">été</r>.
std::string utf16(const std::u16string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text)
    {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

bool readsEveryEncoding(Reader reader)
{
    const std::u16string utf16Text = u"<?xml version='1.0' encoding='UTF-16'?><r a='\u00E9t\u00E9'>\u00E9t\u00E9</r>";
    for (const std::string& text :
         {std::string("<?xml version='1.0' encoding='UTF-8'?><r a='\xC3\xA9t\xC3\xA9'>\xC3\xA9t\xC3\xA9</r>"),
          utf16(utf16Text, false), utf16(utf16Text, true),
          std::string("<?xml version='1.0' encoding='ISO-8859-1'?><r a='\xE9t\xE9'>\xE9t\xE9</r>"),
          std::string("<?xml version='1.0' encoding='US-ASCII'?><r a='&#233;t&#xE9;'>&#233;t&#xE9;</r>")})
    {
        const std::unique_ptr<Xml::XMLNode> root = read(reader, text);
        if (root->getName() != "r" || root->getAttr("a") != "\xC3\xA9t\xC3\xA9"
            || root->getText() != "\xC3\xA9t\xC3\xA9")
            return false;
    }
    return true;
}

enum Outcome
{
    kFailedCleanly = 10,  // std::bad_alloc or nothing lost, and all works afterwards
    kNothingLeftToFail,   // no allocation failed: the point is past the last one
    kParseError,          // running out of memory was reported as a parse error
    kWrongResult,         // a read or a write afterwards went wrong
    kXercesLost,          // parseXmlDocumentWithXerces stayed out of use
    kXercesLostToICU,     // the same, as documented: ICU's converter for Xerces was not made
    kLeak,
    kPrinted,             // the library wrote to the standard error
    kThreadBlock,         // the failed allocation was libxml2's block for a thread
    kXercesKeptLittle,    // as documented: Xerces kept at most kXercesKeeps bytes
};

// Runs the step with the allocation at the point failing (once, or from
// then on); std::bad_alloc is no result.
template <typename Step>
Outcome failingAt(long point, bool persistently, const Step& step)
{
    FailingAllocator::failAfter(point, persistently);
    try
    {
        step();
    }
    catch (const std::bad_alloc&)
    {
    }
    catch (const Exceptions::DomException&)
    {
        FailingAllocator::stop();
        return kParseError;
    }
    return FailingAllocator::stop() ? kFailedCleanly : kNothingLeftToFail;
}

bool failedIn(const char* library)
{
    return std::strstr(FailingAllocator::failedCaller(), library) != nullptr;
}

// Both readers read and write everything as they should.
Outcome checkEverythingWorks(const std::string& firstResult)
{
    try
    {
        const std::string fromLibxml2 = readAndWrite(readWithLibxml2);
        const std::string fromXerces = readAndWrite(readWithXerces);
        const bool sameAsFirst = firstResult.empty() || firstResult == fromLibxml2;
        const bool readsEncodings = std::all_of(std::begin(kReaders), std::end(kReaders), readsEveryEncoding);
        if (fromLibxml2.empty() || fromLibxml2 != fromXerces || !sameAsFirst || !readsEncodings)
            return kWrongResult;
    }
    catch (Exceptions::DomException& error)
    {
        return error.getMessage().find("could not be initialised") != std::string::npos ? kXercesLost
                                                                                          : kWrongResult;
    }
    return kFailedCleanly;
}

enum Thread
{
    kMainThread,
    kFirstThread,           // a worker thread, the first to use the library
    kThreadAfterMainThread  // a worker thread, after the main thread used the reader
};

// The reader, the thread of the call and whether allocations fail from the
// failure point on.
using FirstCall = std::tuple<Reader, Thread, bool>;

// The first call of the process fails at the given allocation; the call
// and everything after it run on one thread.
Outcome failFirstCallAt(const FirstCall& call, long point)
{
    const Reader reader = std::get<0>(call);
    const Thread thread = std::get<1>(call);
    Outcome outcome = kFailedCleanly;
    sample();
    auto run = [&] {
        std::string result;
        const Outcome attempt = failingAt(point, std::get<2>(call), [&] { result = readAndWrite(reader); });
        outcome = attempt == kParseError ? kParseError : checkEverythingWorks(result);
        if (outcome == kFailedCleanly && attempt == kNothingLeftToFail)
            outcome = kNothingLeftToFail;
        if (outcome == kXercesLost && failedIn("libicuuc"))
            outcome = kXercesLostToICU;
    };
    if (thread == kThreadAfterMainThread)
        readAndWrite(reader);
    if (thread == kMainThread)
        run();
    else
        std::thread(run).join();
    return outcome;
}

// Runs the step in a child process; its outcome is the child's exit status,
// or 128 and the signal that ended it. A library never prints: a child
// that writes to the standard error fails.
int inChild(const std::function<int()>& step)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
    {
        std::FILE* errors = std::tmpfile();
        if (errors == nullptr || dup2(fileno(errors), STDERR_FILENO) < 0)
            _exit(kWrongResult);
        const int outcome = step();
        _exit(lseek(STDERR_FILENO, 0, SEEK_END) > 0 && outcome < kParseError ? kPrinted : outcome);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs outcomeAt in a child for each failure point until none is left to
// fail; returns the points whose outcome is neither clean nor accepted,
// with their outcomes.
std::string wrongPoints(const std::function<int(long)>& outcomeAt,
                        const std::function<bool(long, int)>& accepted)
{
    std::string wrong;
    int outcome = kFailedCleanly;
    for (long point = 0; outcome != kNothingLeftToFail; point += kStride)
    {
        outcome = inChild([&] { return outcomeAt(point); });
        if (outcome != kFailedCleanly && outcome != kNothingLeftToFail && !accepted(point, outcome))
            wrong += " " + std::to_string(point) + ":" + std::to_string(outcome);
    }
    return wrong;
}

// Whether the point is libxml2's block for a thread.
bool isThreadBlock(const FirstCall& call, long point)
{
    const auto failAtThePointOnce = [&] {
        failFirstCallAt({std::get<0>(call), std::get<1>(call), false}, point);
        const bool threadBlock = FailingAllocator::failedSize() == sizeof(xmlGlobalState) && failedIn("libxml2");
        return threadBlock ? kThreadBlock : kWrongResult;
    };
    return inChild(failAtThePointOnce) == kThreadBlock;
}

using FirstCallRunningOutOfMemory = testing::TestWithParam<FirstCall>;

TEST_P(FirstCallRunningOutOfMemory, IsStdBadAllocAndLeavesTheLibraryWorking)
{
    int xercesLost = 0, threadBlock = 0;
    // libxml2 reports that it could not allocate a thread's block through
    // that block: it prints, or, with no memory left, recurses until the
    // stack runs out (1: the sanitizer's report of it).
    const auto documented = [&](long point, int outcome) {
        const bool reportedThroughTheBlock = outcome == kPrinted || outcome == 1 || outcome > 128;
        if (outcome == kXercesLostToICU)
            ++xercesLost;
        else if (reportedThroughTheBlock && isThreadBlock(GetParam(), point))
            ++threadBlock;
        else
            return false;
        return true;
    };
    const std::string wrong = wrongPoints([&](long point) { return failFirstCallAt(GetParam(), point); }, documented);
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
    // One allocation each: ICU's converter for the local code page, made as
    // Xerces starts, and libxml2's block for a thread other than the first.
    EXPECT_LE(xercesLost, 1);
    EXPECT_LE(threadBlock, std::get<1>(GetParam()) == kThreadAfterMainThread ? 1 : 0);
}

std::string firstCallName(const testing::TestParamInfo<FirstCall>& info)
{
    const char* threads[] = {"OnTheMainThread", "OnTheFirstThread", "OnAThreadAfterTheMainThread"};
    return nameOf(std::get<0>(info.param)) + threads[std::get<1>(info.param)]
           + (std::get<2>(info.param) ? "FromTheNthAllocationOn" : "AtTheNthAllocationOnce");
}

INSTANTIATE_TEST_SUITE_P(EachReaderAndThread, FirstCallRunningOutOfMemory,
                         testing::Combine(testing::ValuesIn(kReaders),
                                          testing::Values(kMainThread, kFirstThread, kThreadAfterMainThread),
                                          testing::Bool()),
                         firstCallName);

// The sample's root element eight times over, in one document of about 40 KB.
std::string largeDocument()
{
    std::string document = "<all>";
    for (int i = 0; i < 8; ++i)
        document += sample().substr(sample().find("<tns:"));
    return document + "</all>";
}

// The tree as text, to compare trees.
void describe(const Xml::XMLNode& node, std::string& text)
{
    text += "<" + node.getNamespaceUri() + ":" + node.getName();
    for (const auto& attribute : node.attrs())
        text += " " + attribute.first + "=" + attribute.second;
    text += ">" + node.getText();
    for (const Xml::XMLNode* child : node.getChildren())
        describe(*child, text);
    text += "</>";
}

std::string readAndDescribe(Reader reader, const std::string& text)
{
    std::string description;
    describe(*read(reader, text), description);
    return description;
}

// Blocks allocated and not released, but for the last error that libxml2
// keeps for a thread when it came without a parser.
long blocksInUse()
{
    xmlResetLastError();
    return FailingAllocator::liveBlocks();
}

// What Xerces may keep when an allocation fails in a constructor that does
// not release what it allocated: as it opens the text, sets up a read's
// grammar, or meets an element name for the first time in a document.
const long kXercesKeeps = 40 * 1024;

// A reader that has read the document before fails at the given allocation
// (once) as it reads it again; it then reads it as before, and holds no more
// memory than before the failure.
Outcome failMidParseAt(Reader reader, const std::string& document, long point)
{
    FailingAllocator::startCounting();
    const std::string expected = readAndDescribe(reader, document);
    const long blocksBefore = blocksInUse();
    const long bytesBefore = FailingAllocator::liveBytes();
    bool wrongResult = false;
    const Outcome outcome =
        failingAt(point, false, [&] { wrongResult = readAndDescribe(reader, document) != expected; });
    if (outcome == kParseError)
        return outcome;
    if (wrongResult || readAndDescribe(reader, document) != expected)
        return kWrongResult;
    if (blocksInUse() > blocksBefore)
        return reader == readWithXerces && FailingAllocator::liveBytes() - bytesBefore <= kXercesKeeps
                   ? kXercesKeptLittle
                   : kLeak;
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    return outcome;
}

using MidParseRunningOutOfMemory = testing::TestWithParam<Reader>;

TEST_P(MidParseRunningOutOfMemory, IsStdBadAllocAndLeaksNothing)
{
    const std::string document = largeDocument();
    const std::string wrong = wrongPoints([&](long point) { return failMidParseAt(GetParam(), document, point); },
                                          [](long, int outcome) { return outcome == kXercesKeptLittle; });
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
}

INSTANTIATE_TEST_SUITE_P(EachReader, MidParseRunningOutOfMemory, testing::ValuesIn(kReaders),
                         [](const testing::TestParamInfo<Reader>& info) { return nameOf(info.param); });

} // namespace
