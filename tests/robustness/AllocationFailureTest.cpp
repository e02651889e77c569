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

struct FirstCall
{
    Reader reader;
    bool onWorkerThread;
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
    if (call.onWorkerThread)
        std::thread(run).join();
    else
        run();
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

TEST_P(FirstCallRunningOutOfMemory, IsStdBadAllocAndLeavesTheLibraryWorking)
{
    std::string wrong;
    int outcome = kFailedCleanly, xercesLost = 0;
    long point = getenv("START_POINT") ? atol(getenv("START_POINT")) : 0;
    for (; outcome != kNothingLeftToFail; point += kStride)
    {
        outcome = inChild([&] { int o = failFirstCallAt(GetParam(), point); if (getenv("TRACE_OOM") && o != kFailedCleanly) {printf("%ld %d %s\n", point, o, FailingAllocator::failedCaller()); fflush(stdout);} return o; });
        xercesLost += outcome == kXercesLostToICU;
        if (outcome != kFailedCleanly && outcome != kNothingLeftToFail && outcome != kXercesLostToICU)
            wrong += " " + std::to_string(point) + ":" + std::to_string(outcome);
    }
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
    // One allocation: ICU's converter for the local code page, made as Xerces starts.
    EXPECT_LE(xercesLost, 1);
    std::printf("%ld points\n", point);
}

INSTANTIATE_TEST_SUITE_P(
    EachReaderAndThread, FirstCallRunningOutOfMemory,
    testing::Values(FirstCall{readWithLibxml2, false, false}, FirstCall{readWithLibxml2, false, true},
                    FirstCall{readWithLibxml2, true, false}, FirstCall{readWithLibxml2, true, true},
                    FirstCall{readWithXerces, false, false},
                    FirstCall{readWithXerces, false, true},
                    FirstCall{readWithXerces, true, false},
                    FirstCall{readWithXerces, true, true}),
    [](const testing::TestParamInfo<FirstCall>& info) {
        return std::string(info.param.reader == readWithLibxml2 ? "Libxml2" : "Xerces")
               + (info.param.onWorkerThread ? "OnAWorkerThread" : "OnTheMainThread")
               + (info.param.persistently ? "FromTheNthAllocationOn" : "AtTheNthAllocationOnce");
    });

} // namespace
