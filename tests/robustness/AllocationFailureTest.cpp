// Running out of memory, with allocations failing at the level of malloc
// (FailingAllocator.hpp), so that the failures reach libxml2, Xerces, ICU
// and the C++ runtime alike. Each failure point runs in a child process
// forked from a test that has not used the library yet.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

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

std::unique_ptr<Xml::XMLNode> read(Reader reader, const std::string& text)
{
    return reader(text.data(), text.size());
}

std::string readFile(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

const std::string& sample()
{
    static const std::string text = readFile(BRISVALE_SAMPLE_RESPONSE);
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
std::string utf16(const std::string& ascii, bool bigEndian)
{
    std::string text = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii)
    {
        const std::string unit = c == '\x01' ? std::string("\xE9\0", 2) : std::string(1, c) + '\0';
        text += bigEndian ? std::string{unit[1], unit[0]} : unit;
    }
    return text;
}

std::vector<std::string> documentsInEveryEncoding()
{
    return {"<?xml version='1.0' encoding='UTF-8'?><r a='\xC3\xA9t\xC3\xA9'>\xC3\xA9t\xC3\xA9</r>",
            utf16("<?xml version='1.0' encoding='UTF-16'?><r a='\x01t\x01'>\x01t\x01</r>", false),
            utf16("<?xml version='1.0' encoding='UTF-16'?><r a='\x01t\x01'>\x01t\x01</r>", true),
            "<?xml version='1.0' encoding='ISO-8859-1'?><r a='\xE9t\xE9'>\xE9t\xE9</r>",
            "<?xml version='1.0' encoding='US-ASCII'?><r a='&#233;t&#xE9;'>&#233;t&#xE9;</r>"};
}

bool readsEveryEncoding(Reader reader)
{
    for (const std::string& text : documentsInEveryEncoding())
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
    kOtherAllocation,
};

std::unique_ptr<Xml::XMLNode> readWithLibxml2(const char* data, std::size_t length)
{
    return Xml::parseXmlDocument(data, length);
}

std::unique_ptr<Xml::XMLNode> readWithXerces(const char* data, std::size_t length)
{
    return Xml::parseXmlDocumentWithXerces(data, length);
}

const Reader kReaders[] = {readWithLibxml2, readWithXerces};

// Both readers read and write everything as they should.
Outcome checkEverythingWorks(const std::string& firstResult)
{
    try
    {
        const std::string fromLibxml2 = readAndWrite(readWithLibxml2);
        const std::string fromXerces = readAndWrite(readWithXerces);
        const bool sameAsFirst = firstResult.empty() || firstResult == fromLibxml2;
        if (fromLibxml2.empty() || fromLibxml2 != fromXerces || !sameAsFirst)
            return kWrongResult;
        for (Reader reader : kReaders)
        {
            if (!readsEveryEncoding(reader))
                return kWrongResult;
        }
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

struct FirstCall
{
    Reader reader;
    Thread thread;
    bool persistently;
};

// The first call of the process fails at the given allocation (once, or
// from then on); the call and everything after it run on one thread.
Outcome failFirstCallAt(const FirstCall& call, long point)
{
    Outcome outcome = kFailedCleanly;
    sample();
    auto run = [&] {
        std::string result;
        FailingAllocator::failAfter(point, call.persistently);
        try
        {
            result = readAndWrite(call.reader);
        }
        catch (const std::bad_alloc&)
        {
        }
        catch (const Exceptions::DomException&)
        {
            FailingAllocator::stop();
            outcome = kParseError;
            return;
        }
        const bool failed = FailingAllocator::stop();
        outcome = checkEverythingWorks(result);
        if (outcome == kFailedCleanly && !failed)
            outcome = kNothingLeftToFail;
        if (outcome == kXercesLost && std::string(FailingAllocator::failedCaller()).find("libicuuc") != std::string::npos)
            outcome = kXercesLostToICU;
    };
    if (call.thread == kThreadAfterMainThread)
        readAndWrite(call.reader);
    if (call.thread == kMainThread)
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

class FirstCallRunningOutOfMemory : public testing::TestWithParam<FirstCall>
{
};

// Which allocation the point is: libxml2's block for a thread, or another.
int allocationAt(const FirstCall& call, long point)
{
    return inChild([&] {
        failFirstCallAt({call.reader, call.thread, false}, point);
        const bool threadBlock = FailingAllocator::failedSize() == sizeof(xmlGlobalState)
                                 && std::string(FailingAllocator::failedCaller()).find("libxml2") != std::string::npos;
        return threadBlock ? kThreadBlock : kOtherAllocation;
    });
}

TEST_P(FirstCallRunningOutOfMemory, IsStdBadAllocAndLeavesTheLibraryWorking)
{
    std::string wrong;
    int outcome = kFailedCleanly, xercesLost = 0, threadBlock = 0;
    for (long point = 0; outcome != kNothingLeftToFail; point += kStride)
    {
        outcome = inChild([&] { return failFirstCallAt(GetParam(), point); });
        xercesLost += outcome == kXercesLostToICU;
        if (outcome == kFailedCleanly || outcome == kNothingLeftToFail || outcome == kXercesLostToICU)
            continue;
        // libxml2 reports that it could not allocate a thread's block through
        // that block: it prints, or, with no memory left, recurses until the
        // stack runs out (1: the sanitizer's report of it).
        const bool reportedThroughTheBlock = outcome == kPrinted || outcome == 1 || outcome > 128;
        if (reportedThroughTheBlock && allocationAt(GetParam(), point) == kThreadBlock)
            ++threadBlock;
        else
            wrong += " " + std::to_string(point) + ":" + std::to_string(outcome);
    }
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
    // One allocation each: ICU's converter for the local code page, made as
    // Xerces starts, and libxml2's block for a thread other than the first.
    EXPECT_LE(xercesLost, 1);
    EXPECT_LE(threadBlock, GetParam().thread == kThreadAfterMainThread ? 1 : 0);
}

std::vector<FirstCall> everyFirstCall()
{
    std::vector<FirstCall> calls;
    for (Reader reader : kReaders)
        for (Thread thread : {kMainThread, kFirstThread, kThreadAfterMainThread})
            for (bool persistently : {false, true})
                calls.push_back({reader, thread, persistently});
    return calls;
}

std::string nameOf(const FirstCall& call)
{
    const char* threads[] = {"OnTheMainThread", "OnTheFirstThread", "OnAThreadAfterTheMainThread"};
    return std::string(call.reader == readWithLibxml2 ? "Libxml2" : "Xerces") + threads[call.thread]
           + (call.persistently ? "FromTheNthAllocationOn" : "AtTheNthAllocationOnce");
}

std::string nameOf(const testing::TestParamInfo<FirstCall>& info)
{
    return nameOf(info.param);
}

void PrintTo(const FirstCall& call, std::ostream* out)
{
    *out << nameOf(call);
}

INSTANTIATE_TEST_SUITE_P(EachReaderAndThread, FirstCallRunningOutOfMemory, testing::ValuesIn(everyFirstCall()),
                         [](const testing::TestParamInfo<FirstCall>& info) { return nameOf(info); });

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

// Reads the document, failing at the given allocation (once); std::bad_alloc
// is no result.
Outcome readFailingAt(Reader reader, const std::string& document, long point, const std::string& expected)
{
    std::string result;
    FailingAllocator::failAfter(point, false);
    try
    {
        result = readAndDescribe(reader, document);
    }
    catch (const std::bad_alloc&)
    {
    }
    catch (const Exceptions::DomException&)
    {
        FailingAllocator::stop();
        return kParseError;
    }
    const bool failed = FailingAllocator::stop();
    if (!result.empty() && result != expected)
        return kWrongResult;
    return failed ? kFailedCleanly : kNothingLeftToFail;
}

// Memory allocated and not released, but for the last error that libxml2
// keeps for a thread when it came without a parser.
struct InUse
{
    long blocks;
    long bytes;
};

InUse inUse()
{
    xmlResetLastError();
    return {FailingAllocator::liveBlocks(), FailingAllocator::liveBytes()};
}

// What Xerces may keep when an allocation fails in a constructor that does
// not release what it allocated: as it opens the text, sets up a read's
// grammar, or meets an element name for the first time in a document.
const long kXercesKeeps = 40 * 1024;

// A reader that has read the document before fails at the given allocation
// as it reads it again; it then reads it as before, and holds no more
// memory than before the failure.
Outcome failMidParseAt(Reader reader, const std::string& document, long point)
{
    FailingAllocator::startCounting();
    const std::string expected = readAndDescribe(reader, document);
    const InUse before = inUse();
    const Outcome outcome = readFailingAt(reader, document, point, expected);
    if (outcome != kFailedCleanly && outcome != kNothingLeftToFail)
        return outcome;
    if (readAndDescribe(reader, document) != expected)
        return kWrongResult;
    const InUse after = inUse();
    if (after.blocks > before.blocks)
        return reader == readWithXerces && after.bytes - before.bytes <= kXercesKeeps ? kXercesKeptLittle : kLeak;
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    return outcome;
}

class MidParseRunningOutOfMemory : public testing::TestWithParam<Reader>
{
};

TEST_P(MidParseRunningOutOfMemory, IsStdBadAllocAndLeaksNothing)
{
    const std::string document = largeDocument();
    std::string wrong;
    int outcome = kFailedCleanly;
    for (long point = 0; outcome != kNothingLeftToFail; point += kStride)
    {
        outcome = inChild([&] { return failMidParseAt(GetParam(), document, point); });
        if (outcome != kFailedCleanly && outcome != kNothingLeftToFail && outcome != kXercesKeptLittle)
            wrong += " " + std::to_string(point) + ":" + std::to_string(outcome);
    }
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
}

INSTANTIATE_TEST_SUITE_P(EachReader, MidParseRunningOutOfMemory, testing::ValuesIn(kReaders),
                         [](const testing::TestParamInfo<Reader>& info) {
                             return std::string(info.param == readWithLibxml2 ? "Libxml2" : "Xerces");
                         });

} // namespace
