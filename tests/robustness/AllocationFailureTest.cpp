// Running out of memory, with allocations failing at the level of malloc
// (FailingAllocator.hpp), so that the failures reach libxml2, Xerces, ICU
// and the C++ runtime alike, and, for libxml2, at each of its own
// allocations alone: one allocation, every one from some point on, or
// every one from some size up. Each failure point runs in a child process;
// those of a first call in a process started for that test alone.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <libxml/globals.h>
#include <libxml/xmlerror.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsResponse.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>
#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include "FailingAllocator.hpp"
#include "XmlTestSupport.hpp"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
const long kStride = 7;  // one failure point in seven in the long runs, to keep them short
#else
const long kStride = 1;
#endif

using namespace Brisvale::Soa::Common;
using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;
using FailingAllocator::Counted;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;

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

// What the tests read: the sample, and one small document in each encoding
// the readers take, told apart as the readers tell them (UTF-16 by a
// byte-order mark or by the declaration's first bytes); each small one
// reads as <r a="été">été</r>.
enum Document
{
    kSample,
    kUtf8,
    kUtf16Declared,  // little-endian, without a byte-order mark
    kUtf16Marked,    // big-endian, with a byte-order mark and no declaration
    kIso88591,
    kUsAscii,
    // Not among kDocuments: declarations of prefixes and default
    // namespaces on every element, prefixed attributes and names in
    // namespaces, in UTF-8 and in UTF-16.
    kNamespacedUtf8,
    kNamespacedUtf16,
};
const Document kDocuments[] = {kSample, kUtf8, kUtf16Declared, kUtf16Marked, kIso88591, kUsAscii};
const Document* const kEncodedDocuments = kDocuments + 1;
const char* const kDocumentNames[] = {"",         "Utf8",     "Utf16Declared",   "Utf16WithByteOrderMark",
                                      "Iso88591", "UsAscii",  "NamespacedUtf8",  "NamespacedUtf16"};
const std::string kEncodedTree = "<:r a=\xC3\xA9t\xC3\xA9>\xC3\xA9t\xC3\xA9</>";

std::string utf16(const std::u16string& text, bool bigEndian)
{
    std::string bytes;
    for (char16_t unit : text)
    {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// Forty elements under a root in a default namespace, each declaring a
// prefix of its own and a default namespace, named and attributed in them.
std::string namespacedDocument()
{
    std::string text = "<r xmlns='urn:d' xmlns:q='urn:q' q:a='\xC3\xA9' b='c'>";
    for (int number = 10; number < 50; ++number)
    {
        const std::string n = std::to_string(number);
        text += "<p" + n + ":e xmlns:p" + n + "='urn:p" + n + "' xmlns='urn:d" + n + "' p" + n + ":a='\xC3\xA9" + n
                + "' q:b='" + n + "'><f p" + n + ":g='h'>\xE4\xB8\xAD" + n + "</f><q:i/></p" + n + ":e>";
    }
    return text + "</r>";
}

const std::string& textOf(Document document)
{
    static const std::string texts[] = {
        sample(),
        "<?xml version='1.0' encoding='UTF-8'?><r a='\xC3\xA9t\xC3\xA9'>\xC3\xA9t\xC3\xA9</r>",
        utf16(u"<?xml version='1.0' encoding='UTF-16'?><r a='\u00E9t\u00E9'>\u00E9t\u00E9</r>", false),
        utf16(u"\uFEFF<r a='\u00E9t\u00E9'>\u00E9t\u00E9</r>", true),
        "<?xml version='1.0' encoding='ISO-8859-1'?><r a='\xE9t\xE9'>\xE9t\xE9</r>",
        "<?xml version='1.0' encoding='US-ASCII'?><r a='&#233;t&#xE9;'>&#233;t&#xE9;</r>",
        "<?xml version='1.0' encoding='UTF-8'?>" + namespacedDocument(),
        Brisvale::Testing::utf16(namespacedDocument(), false)};
    return texts[document];
}

// What the reader makes of the document: the sample's message written
// again, a small document's tree as text.
std::string readThrough(Reader reader, Document document)
{
    return document == kSample ? readAndWrite(reader) : readAndDescribe(reader, textOf(document));
}

std::string readingName(Reader reader, Document document)
{
    return nameOf(reader) + (document == kSample ? "" : "Reading") + kDocumentNames[document];
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
// then on), counting the given allocations; std::bad_alloc is no result.
template <typename Step>
Outcome failingAt(long point, bool persistently, const Step& step, Counted counted = Counted::Every)
{
    FailingAllocator::failAfter(point, persistently, counted);
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

// The reader reads every small document as it should.
bool readsEveryEncoding(Reader reader)
{
    return std::all_of(kEncodedDocuments, std::end(kDocuments),
                       [&](Document document) { return readThrough(reader, document) == kEncodedTree; });
}

// Both readers read every document as they should; `firstResult`, unless
// empty, is what a call made of `document` before.
Outcome checkEverythingWorks(Document document, const std::string& firstResult)
{
    try
    {
        for (Document each : kDocuments)
        {
            const std::string fromLibxml2 = readThrough(readWithLibxml2, each);
            const std::string fromXerces = readThrough(readWithXerces, each);
            const bool asExpected = each == kSample ? !fromLibxml2.empty() : fromLibxml2 == kEncodedTree;
            const bool sameAsFirst = each != document || firstResult.empty() || firstResult == fromLibxml2;
            if (!asExpected || fromLibxml2 != fromXerces || !sameAsFirst)
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
    bool persistently;  // whether allocations fail from the failure point on
    Document document;
    Counted counted;
};

// The first call of the process fails at the given allocation; the call
// and everything after it run on one thread.
Outcome failFirstCallAt(const FirstCall& call, long point)
{
    Outcome outcome = kFailedCleanly;
    textOf(kSample);  // makes every document's text before allocations fail
    auto run = [&] {
        std::string result;
        const auto step = [&] { result = readThrough(call.reader, call.document); };
        const Outcome attempt = failingAt(point, call.persistently, step, call.counted);
        outcome = attempt == kParseError ? kParseError : checkEverythingWorks(call.document, result);
        if (outcome == kFailedCleanly && attempt == kNothingLeftToFail)
            outcome = kNothingLeftToFail;
        if (outcome == kXercesLost && failedIn("libicuuc"))
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

// Runs outcomeAt in a child for each failure point (each stride-th) until
// none is left to fail; returns the points whose outcome is neither clean
// nor accepted, with their outcomes.
std::string wrongPoints(const std::function<int(long)>& outcomeAt,
                        const std::function<bool(long, int)>& accepted, long stride = kStride)
{
    std::string wrong;
    int outcome = kFailedCleanly;
    for (long point = 0; outcome != kNothingLeftToFail; point += stride)
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
        failFirstCallAt({call.reader, call.thread, false, call.document, call.counted}, point);
        const bool threadBlock = FailingAllocator::failedSize() == sizeof(xmlGlobalState) && failedIn("libxml2");
        return threadBlock ? kThreadBlock : kWrongResult;
    };
    return inChild(failAtThePointOnce) == kThreadBlock;
}

// Every failure point of the first call, each in a child process: the
// points whose outcome is neither clean nor documented, and documented
// outcomes met more often than documented; empty if there are none.
std::string firstCallProblems(const FirstCall& call)
{
    int xercesLost = 0, threadBlock = 0;
    // libxml2 reports that it could not allocate a thread's block through
    // that block: it prints, or, with no memory left, recurses until the
    // stack runs out (1: the sanitizer's report of it).
    const auto documented = [&](long point, int outcome) {
        const bool reportedThroughTheBlock = outcome == kPrinted || outcome == 1 || outcome > 128;
        if (outcome == kXercesLostToICU)
            ++xercesLost;
        else if (reportedThroughTheBlock && isThreadBlock(call, point))
            ++threadBlock;
        else
            return false;
        return true;
    };
    const bool longRun = call.document == kSample || call.reader == readWithXerces;
    const std::string wrong =
        wrongPoints([&](long point) { return failFirstCallAt(call, point); }, documented, longRun ? kStride : 1);
    std::string problems;
    if (!wrong.empty())
        problems += "failure points and their outcomes:" + wrong + "\n";
    // One allocation each: ICU's converter for the local code page, made as
    // Xerces starts, and libxml2's block for a thread other than the first.
    if (xercesLost > 1)
        problems += std::to_string(xercesLost) + " points left Xerces out of use for want of ICU's converter\n";
    if (threadBlock > (call.thread == kThreadAfterMainThread ? 1 : 0))
        problems += std::to_string(threadBlock) + " points failed libxml2's block for a thread\n";
    return problems;
}

// Ends the process, with status 0 if there are no problems, after
// printing them.
[[noreturn]] void exitWith(const std::string& problems)
{
    std::fputs(problems.c_str(), stderr);
    std::fflush(stderr);
    _exit(problems.empty() ? 0 : 1);
}

using FirstCallRunningOutOfMemory = testing::TestWithParam<FirstCall>;

// The first call needs a process that has not used the library yet,
// whether the tests run in a process each or all in one: gtest's
// "threadsafe" style of death test starts this program anew for this test
// alone, which then runs the checks before anything else and ends.
TEST_P(FirstCallRunningOutOfMemory, IsStdBadAllocAndLeavesTheLibraryWorking)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWith(firstCallProblems(GetParam())), testing::ExitedWithCode(0), "");
}

std::string allocationName(Counted counted)
{
    return counted == Counted::Libxml2 ? "Libxml2Allocation" : "Allocation";
}

std::string firstCallName(const testing::TestParamInfo<FirstCall>& info)
{
    const FirstCall& call = info.param;
    const char* threads[] = {"OnTheMainThread", "OnTheFirstThread", "OnAThreadAfterTheMainThread"};
    const std::string allocation = allocationName(call.counted);
    return readingName(call.reader, call.document) + threads[call.thread]
           + (call.persistently ? "FromTheNth" + allocation + "On" : "AtTheNth" + allocation + "Once");
}

// Each reader with the sample on each kind of thread, and in each encoding
// on the main thread; libxml2 also at each of its own allocations, which
// xmlMemSetup reaches (Xerces has none).
std::vector<FirstCall> firstCalls()
{
    std::vector<FirstCall> calls;
    for (Reader reader : kReaders)
    {
        for (Thread thread : {kMainThread, kFirstThread, kThreadAfterMainThread})
            for (bool persistently : {false, true})
                calls.push_back({reader, thread, persistently, kSample, Counted::Every});
        for (const Document* document = kEncodedDocuments; document != std::end(kDocuments); ++document)
            calls.push_back({reader, kMainThread, false, *document, Counted::Every});
    }
    for (Document document : kDocuments)
        calls.push_back({readWithLibxml2, kMainThread, false, document, Counted::Libxml2});
    return calls;
}

INSTANTIATE_TEST_SUITE_P(EachReaderThreadAndEncoding, FirstCallRunningOutOfMemory, testing::ValuesIn(firstCalls()),
                         firstCallName);

// The sample's root element eight times over, in one document of about 40 KB.
std::string largeDocument()
{
    std::string document = "<all>";
    for (int i = 0; i < 8; ++i)
        document += sample().substr(sample().find("<tns:"));
    return document + "</all>";
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

struct MidParse
{
    Reader reader;
    Document document;  // the sample stands for the sample eight times over
    Counted counted;
};

// A reader that has read the document before fails at the given allocation
// (once) as it reads it again; it then reads it as before, and holds no more
// memory than before the failure, and reads every encoding.
Outcome failMidParseAt(const MidParse& parse, const std::string& document, long point)
{
    const Reader reader = parse.reader;
    FailingAllocator::startCounting();
    const std::string expected = readAndDescribe(reader, document);
    const long blocksBefore = blocksInUse();
    const long bytesBefore = FailingAllocator::liveBytes();
    bool wrongResult = false;
    const auto step = [&] { wrongResult = readAndDescribe(reader, document) != expected; };
    const Outcome outcome = failingAt(point, false, step, parse.counted);
    if (outcome == kParseError || outcome == kNothingLeftToFail)
        return outcome;
    if (wrongResult || readAndDescribe(reader, document) != expected)
        return kWrongResult;
    const bool keptSome = blocksInUse() > blocksBefore;
    if (keptSome && (reader != readWithXerces || FailingAllocator::liveBytes() - bytesBefore > kXercesKeeps))
        return kLeak;
#if defined(__SANITIZE_ADDRESS__)
    if (!keptSome && __lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    if (!readsEveryEncoding(reader))
        return kWrongResult;
    return keptSome ? kXercesKeptLittle : outcome;
}

using MidParseRunningOutOfMemory = testing::TestWithParam<MidParse>;

TEST_P(MidParseRunningOutOfMemory, IsStdBadAllocAndLeaksNothing)
{
    const MidParse& parse = GetParam();
    const std::string document = parse.document == kSample ? largeDocument() : textOf(parse.document);
    const std::string wrong = wrongPoints([&](long point) { return failMidParseAt(parse, document, point); },
                                          [](long, int outcome) { return outcome == kXercesKeptLittle; },
                                          parse.document == kSample ? kStride : 1);
    EXPECT_EQ(wrong, "") << "failure points and their outcomes";
}

// Each reader in each encoding; libxml2 also at each of its own allocations.
std::vector<MidParse> midParses()
{
    std::vector<MidParse> parses;
    for (Document document : {kSample, kUtf8, kUtf16Declared, kUtf16Marked, kIso88591, kUsAscii, kNamespacedUtf8,
                              kNamespacedUtf16})
    {
        for (Reader reader : kReaders)
            parses.push_back({reader, document, Counted::Every});
        parses.push_back({readWithLibxml2, document, Counted::Libxml2});
    }
    return parses;
}

std::string midParseName(const testing::TestParamInfo<MidParse>& info)
{
    const bool libxml2Counts = info.param.counted == Counted::Libxml2;
    return readingName(info.param.reader, info.param.document) + (libxml2Counts ? "AtEachLibxml2Allocation" : "");
}

INSTANTIATE_TEST_SUITE_P(EachReaderAndEncoding, MidParseRunningOutOfMemory, testing::ValuesIn(midParses()),
                         midParseName);

// The error a reader finds in a document; "read" if it finds none.
std::string errorIn(Reader reader, const std::string& document)
{
    try
    {
        read(reader, document);
    }
    catch (Exceptions::DomException& error)
    {
        return error.getMessage();
    }
    return "read";
}

// A malformed document, in namespaces like the one above, read while the
// allocation at each point fails: the read ends in std::bad_alloc or in
// the error it ends in when nothing fails, never in another.
TEST(MalformedRunningOutOfMemory, IsStdBadAllocOrTheSameError)
{
    const std::string text = textOf(kNamespacedUtf8);
    const std::string document = text.substr(0, text.size() - 4) + "<x>& </x></r>";
    for (Reader reader : kReaders)
    {
        const auto outcomeAt = [&](long point) {
            const std::string expected = errorIn(reader, document);
            std::string found = "std::bad_alloc";
            const Outcome outcome = failingAt(point, false, [&] { found = errorIn(reader, document); });
            return outcome == kNothingLeftToFail || found == "std::bad_alloc" || found == expected ? outcome
                                                                                                 : kParseError;
        };
        EXPECT_EQ(wrongPoints(outcomeAt, [](long, int) { return false; }), "") << nameOf(reader);
    }
}

// Documents of one long name or value each, long enough that libxml2's
// dictionary asks for a block of four times the name when it stores one:
// names past ASCII ("é" over and over), which libxml2 reads on a path of
// its own, names in ASCII and long text and attribute values to set them
// off, and a malformed document. No name stands in a document more than
// twice, so that the dictionary's block for the name is larger than the
// buffer that libxml2 takes for the text (its size rounded up to a power
// of two), and fails alone at some sizes.
enum LongDocument
{
    kLongElementName,
    kLongAttributeName,
    kLongPrefixOfElement,    // declared, and used on the element
    kLongPrefixOfAttribute,  // declared, and used on an attribute
    kLongNamespaceUri,       // bound to a prefix
    kLongEndTag,             // of an element with text
    kLongTarget,             // of a processing instruction before the root
    kLongAsciiElementName,
    kLongAsciiAttributeName,
    kLongText,
    kLongAttributeValue,
    kLongNameThenMalformed,  // a long element name, then a lone '&' in its text
};
const LongDocument kLongDocuments[] = {kLongElementName,      kLongAttributeName,      kLongPrefixOfElement,
                                       kLongPrefixOfAttribute, kLongNamespaceUri,       kLongEndTag,
                                       kLongTarget,            kLongAsciiElementName,   kLongAsciiAttributeName,
                                       kLongText,              kLongAttributeValue,     kLongNameThenMalformed};
const char* const kLongDocumentNames[] = {"ElementName",       "AttributeName",      "PrefixOfElement",
                                          "PrefixOfAttribute", "NamespaceUri",       "EndTag",
                                          "Target",            "AsciiElementName",   "AsciiAttributeName",
                                          "Text",              "AttributeValue",     "ElementNameThenMalformed"};

const std::size_t kLongLength = 100000;  // characters

std::string longDocumentInUtf8(LongDocument document)
{
    std::string name;
    for (std::size_t i = 0; i < kLongLength; ++i)
        name += "\xC3\xA9";
    const std::string asciiName(kLongLength, 'n');
    switch (document)
    {
    case kLongElementName:
        return "<" + name + "/>";
    case kLongAttributeName:
        return "<r " + name + "='v'/>";
    case kLongPrefixOfElement:
        return "<" + name + ":r xmlns:" + name + "='urn:x'/>";
    case kLongPrefixOfAttribute:
        return "<r xmlns:" + name + "='urn:x' " + name + ":a='v'/>";
    case kLongNamespaceUri:
        return "<p:r xmlns:p='" + name + "'/>";
    case kLongEndTag:
        return "<" + name + ">x</" + name + ">";
    case kLongTarget:
        return "<?" + name + " data?><r/>";
    case kLongAsciiElementName:
        return "<" + asciiName + ">x</" + asciiName + ">";
    case kLongAsciiAttributeName:
        return "<r " + asciiName + "='v'/>";
    case kLongText:
        return "<r>" + name + "</r>";
    case kLongAttributeValue:
        return "<r a='" + name + "'/>";
    case kLongNameThenMalformed:
        return "<" + name + "><x>& </x></" + name + ">";
    }
    return "";
}

struct SizeSweep
{
    Reader reader;
    LongDocument document;
    bool inUtf16;  // little-endian, after a byte-order mark
    Counted counted;
};

std::string sweepName(const SizeSweep& sweep)
{
    const bool libxml2sOnly = sweep.counted == Counted::Libxml2;
    return nameOf(sweep.reader) + "ReadingLong" + kLongDocumentNames[sweep.document]
           + (sweep.inUtf16 ? "InUtf16" : "InUtf8") + (libxml2sOnly ? "Libxml2AllocationsOnly" : "");
}

void PrintTo(const SizeSweep& sweep, std::ostream* out)
{
    *out << sweepName(sweep);
}

std::string textOf(const SizeSweep& sweep)
{
    const std::string text = longDocumentInUtf8(sweep.document);
    return sweep.inUtf16 ? Brisvale::Testing::utf16(text, false) : text;
}

const std::string kStdBadAlloc = "std::bad_alloc";

std::string errorText(Exceptions::DomException& error)
{
    return "DomException: " + error.getMessage();
}

// What a read makes of the text: its tree described, or its error.
std::string resultOf(Reader reader, const std::string& text)
{
    try
    {
        return readAndDescribe(reader, text);
    }
    catch (Exceptions::DomException& error)
    {
        return errorText(error);
    }
}

// The same, while every allocation that counts, of `size` bytes or more,
// fails, or kStdBadAlloc; `failed` tells whether one did. The tree is
// described once allocations succeed again.
std::string resultFailingFromSize(const SizeSweep& sweep, const std::string& text, std::size_t size, bool& failed)
{
    std::unique_ptr<Xml::XMLNode> root;
    std::string result = kStdBadAlloc;
    FailingAllocator::failFromSize(size, sweep.counted);
    try
    {
        root = read(sweep.reader, text);
    }
    catch (const std::bad_alloc&)
    {
    }
    catch (Exceptions::DomException& error)
    {
        FailingAllocator::stop();
        result = errorText(error);
    }
    failed = FailingAllocator::stop();
    if (root != nullptr)
    {
        result.clear();
        describe(*root, result);
    }
    return result;
}

// A text cut for a report, with its length if it was cut.
std::string shortened(const std::string& text)
{
    const std::size_t kShown = 100;
    return text.size() <= kShown ? text : text.substr(0, kShown) + "... (" + std::to_string(text.size()) + " bytes)";
}

// What a read ended in, shortened, unless std::bad_alloc or as expected.
std::string unexpected(const std::string& result, const std::string& expected)
{
    return result == kStdBadAlloc || result == expected ? std::string() : shortened(result);
}

// What a read in which allocations failed left allocated of what it
// allocated, once the reader has read again (which frees what a reader
// keeps of one read until the next), but for the last error that libxml2
// keeps for a thread: nothing (kFailedCleanly), what Xerces may keep
// (kXercesKeptLittle), or more (kLeak), with the blocks and bytes.
Outcome keptByTheRead(Reader reader, FailingAllocator::Blocks& kept)
{
    xmlResetLastError();
    kept = FailingAllocator::notedBlocksInUse();
    if (kept.count > 0)
        return reader == readWithXerces && kept.bytes <= kXercesKeeps ? kXercesKeptLittle : kLeak;
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0)
        return kLeak;
#endif
    return kFailedCleanly;
}

// A reader that has read the text before (in the parent) reads it again
// with every allocation from the size on failing: the read ends in
// std::bad_alloc or as it does without failure, the reader then reads the
// text as before, after which nothing stays allocated that the failed
// read allocated, and reads every encoding. What went wrong goes into the
// report.
Outcome failFromSizeOn(const SizeSweep& sweep, const std::string& text, const std::string& expected,
                       std::size_t size, std::string& report)
{
    bool failed = false;
    FailingAllocator::noteNewBlocks(true);
    std::string endedIn = resultFailingFromSize(sweep, text, size, failed);
    FailingAllocator::noteNewBlocks(false);
    endedIn = unexpected(endedIn, expected);
    if (!endedIn.empty())
    {
        report = "ended in " + endedIn;
        return endedIn.rfind("DomException", 0) == 0 ? kParseError : kWrongResult;
    }
    if (!failed)
        return kNothingLeftToFail;
    const std::string readAfterwards = unexpected(resultOf(sweep.reader, text), expected);
    if (!readAfterwards.empty())
    {
        report = "read afterwards as " + readAfterwards;
        return kWrongResult;
    }
    FailingAllocator::Blocks kept{0, 0};
    const Outcome keeping = keptByTheRead(sweep.reader, kept);
    if (keeping == kLeak)
    {
        report = kept.count == 0 ? "LeakSanitizer found blocks lost"
                                 : "kept " + std::to_string(kept.count) + " blocks of " + std::to_string(kept.bytes)
                                       + " bytes that it allocated";
        return kLeak;
    }
    if (!readsEveryEncoding(sweep.reader))
    {
        report = "read the small documents wrongly afterwards";
        return kWrongResult;
    }
    return keeping;
}

// What a child process reports: its outcome, the size of the first
// allocation that failed in it (0 if none did), and what went wrong.
struct ChildReport
{
    int outcome;
    std::size_t failedSize;
    std::string text;
};

// As inChild, with the child's report handed back.
ChildReport inChildReporting(const std::function<int(std::string&)>& step)
{
    std::FILE* file = std::tmpfile();
    if (file == nullptr)
        return {kWrongResult, 0, "no file for the child's report"};
    const int outcome = inChild([&] {
        std::string report;
        const int result = step(report);
        std::fprintf(file, "%zu\n%s", FailingAllocator::failedSize(), report.c_str());
        std::fflush(file);
        return result;
    });
    std::rewind(file);
    ChildReport child{outcome, 0, ""};
    if (std::fscanf(file, "%zu", &child.failedSize) == 1 && std::fgetc(file) == '\n')
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
            child.text += static_cast<char>(c);
    std::fclose(file);
    if (child.text.empty() && outcome == kPrinted)
        child.text = "wrote to the standard error";
    else if (child.text.empty())
        child.text = "ended with status " + std::to_string(outcome);
    return child;
}

// The size to fail from after `size`: the smaller of half as large again
// and one byte past the allocation that failed first, so that each
// allocation that is the first to fail at some size also goes through once.
std::size_t nextSize(std::size_t size, std::size_t failedSize)
{
    const std::size_t halfAsLargeAgain = size + size / 2;
    return failedSize >= size ? std::min(halfAsLargeAgain, failedSize + 1) : halfAsLargeAgain;
}

using EveryAllocationFromASizeFailing = testing::TestWithParam<SizeSweep>;

// From 64 bytes up until none fails, and at most eight times the text's
// size, each size in a child process.
TEST_P(EveryAllocationFromASizeFailing, EndsInStdBadAllocOrAsWithoutFailureAndLeaksNothing)
{
    const SizeSweep& sweep = GetParam();
    const std::string text = textOf(sweep);
    const std::string expected = resultOf(sweep.reader, text);
    if (sweep.document != kLongNameThenMalformed)
    {
        const Reader other = sweep.reader == readWithLibxml2 ? readWithXerces : readWithLibxml2;
        const std::string byTheOther = resultOf(other, text);
        ASSERT_TRUE(expected == byTheOther) << "without failure " << shortened(expected) << ", by the other reader "
                                            << shortened(byTheOther);
    }
    std::string wrong;
    for (std::size_t size = 64;;)
    {
        const ChildReport child =
            inChildReporting([&](std::string& report) { return failFromSizeOn(sweep, text, expected, size, report); });
        const bool clean = child.outcome == kFailedCleanly || child.outcome == kXercesKeptLittle;
        if (!clean && child.outcome != kNothingLeftToFail)
            wrong += "\n  from " + std::to_string(size) + " bytes on: " + child.text;
        if (child.outcome == kNothingLeftToFail)
            break;
        if (nextSize(size, child.failedSize) > 8 * text.size())
        {
            wrong += "\n  allocations still failed from " + std::to_string(size) + " bytes on, the last size tried";
            break;
        }
        size = nextSize(size, child.failedSize);
    }
    EXPECT_TRUE(wrong.empty()) << sweepName(sweep) << ", without failure " << shortened(expected) << wrong;
}

// Each long document in UTF-8 and in UTF-16 by each reader, and by libxml2
// with only its own allocations failing, in UTF-8 alone: libxml2 is given
// text in UTF-8 whatever the document's encoding.
std::vector<SizeSweep> sizeSweeps()
{
    std::vector<SizeSweep> sweeps;
    for (LongDocument document : kLongDocuments)
    {
        for (bool inUtf16 : {false, true})
            for (Reader reader : kReaders)
                sweeps.push_back({reader, document, inUtf16, Counted::Every});
        sweeps.push_back({readWithLibxml2, document, false, Counted::Libxml2});
    }
    return sweeps;
}

INSTANTIATE_TEST_SUITE_P(EachLongDocumentEncodingAndReader, EveryAllocationFromASizeFailing,
                         testing::ValuesIn(sizeSweeps()),
                         [](const testing::TestParamInfo<SizeSweep>& info) { return sweepName(info.param); });

// Every start mark was ended by one end mark or is still open, and every
// end mark made one execution time; the last, of a call that ran through,
// nests in the marks left open (of calls that ran out of memory after
// their start mark), and nothing nests in it.
bool marksAgree(const MarkRecorder& recorder)
{
    const std::vector<MarkRecorder::Event> events = recorder.events();
    const auto countOf = [&](MarkRecorder::EventKind kind) {
        return static_cast<std::size_t>(std::count_if(events.begin(), events.end(),
                                                      [&](const MarkRecorder::Event& event) { return event.kind == kind; }));
    };
    const std::size_t starts = countOf(MarkRecorder::EventKind::Start);
    const std::size_t ends = countOf(MarkRecorder::EventKind::End);
    const std::size_t open = recorder.openMarks().size();
    const auto times = recorder.executionTimes();
    return starts + ends == events.size() && starts == ends + open && times.size() == ends && !times.empty()
           && static_cast<std::size_t>(times.back().depth()) == open && times.back().nestedMarks() == 0
           && times.back().discardedMarks() == 0;
}

// Two calls make their marks with a recorder installed while the allocation
// at the point fails; a third call runs through.
Outcome failMarksAt(long point)
{
    Base::RefId message;
    MarkRecorder recorder;
    ScopedMonitorListener recording(recorder);
    const auto write = [&] {
        Xml::XmlStream stream;
        message.outputXML(stream, "r");
    };
    const Outcome outcome = failingAt(point, false, [&] {
        write();
        write();
    });
    write();
    return outcome == kNothingLeftToFail || marksAgree(recorder) ? outcome : kWrongResult;
}

TEST(MarksRunningOutOfMemory, AreRecordedWholeOrNotAtAll)
{
    EXPECT_EQ(wrongPoints(failMarksAt, [](long, int) { return false; }, 1), "") << "failure points and their outcomes";
}

// addChild fails at each of its allocations in turn, under a parent with
// no children yet and under one whose children fill their room, with a
// subtree that a cycle check walks: the call throws std::bad_alloc, the
// tree and the caller's subtree stay as they were, and the same call then
// goes through.
TEST(AddChildRunningOutOfMemory, ChangesNothingAndCanBeMadeAgain)
{
    for (const std::string parentText : {"<p><q/></p>", "<p><q/><q/><q/></p>"})
    {
        Outcome outcome = kFailedCleanly;
        for (long point = 0; outcome != kNothingLeftToFail; ++point)
        {
            std::unique_ptr<Xml::XMLNode> tree = Xml::parseXmlDocument("<r>" + parentText + "</r>");
            Xml::XMLNode* parent = parentText == "<p><q/></p>" ? tree->getChildren()[0]->getChildren()[0]
                                                               : tree->getChildren()[0];
            std::unique_ptr<Xml::XMLNode> subtree = Xml::parseXmlDocument("<s><t/></s>");
            std::string before;
            describe(*tree, before);
            outcome = failingAt(point, false, [&] { parent->addChild(std::move(subtree)); });
            if (outcome == kNothingLeftToFail)
                break;
            std::string after;
            describe(*tree, after);
            ASSERT_EQ(before, after) << "at allocation " << point;
            ASSERT_NE(nullptr, subtree) << "at allocation " << point;
            parent->addChild(std::move(subtree));
            EXPECT_EQ(":s", parent->getChildren().back()->getNamespaceUri() + ":" +
                                parent->getChildren().back()->getName());
        }
    }
}

// setAttr fails at each of its allocations in turn, with a new name and
// with a name the node has, with names and values too long to be held
// inside their strings: the call throws std::bad_alloc and the attributes
// stay as they were, and the same call then goes through.
TEST(SetAttrRunningOutOfMemory, ChangesNothingAndCanBeMadeAgain)
{
    const std::string longName(40, 'n');
    for (const std::string& name : {std::string("new") + longName, longName})
    {
        const std::string value(60, 'v');
        Outcome outcome = kFailedCleanly;
        for (long point = 0; outcome != kNothingLeftToFail; ++point)
        {
            std::unique_ptr<Xml::XMLNode> node = Xml::parseXmlDocument("<r a='1' " + longName + "='2'/>");
            const std::map<std::string, std::string> before = node->attrs();
            outcome = failingAt(point, false, [&] { node->setAttr(name, value); });
            if (outcome == kNothingLeftToFail)
                break;
            ASSERT_EQ(before, node->attrs()) << name << " at allocation " << point;
            node->setAttr(name, value);
            EXPECT_EQ(value, node->getAttr(name));
            EXPECT_EQ(before.size() + (name == longName ? 0 : 1), node->attrs().size());
        }
    }
}

} // namespace
