// Eight threads read and write their own messages at once, with both
// readers and in two encodings, while a MarkRecorder receives the marks
// and another thread keeps installing and removing a listener in front of
// it. Every text written must be the one that a single thread writes, and
// the recorder must hold every mark of every thread, paired on its thread:
// those of the outermost parse and outputXML of every message type, and
// no others.
//
// The threads make the first calls of the process, so the readers also
// start up under them.

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include "MessageTypeRegistry.hpp"
#include "XmlTestSupport.hpp"

namespace {

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::MonitorListener;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;
using Brisvale::Testing::MessageTypeCase;

constexpr std::size_t kThreads = 8;
constexpr int kRounds = 10;

using Reader = std::unique_ptr<XMLNode> (*)(const std::string&);
const Reader kReaders[] = {
    [](const std::string& text) { return Brisvale::Soa::Common::Xml::parseXmlDocument(text); },
    [](const std::string& text) { return Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces(text.data(), text.size()); }};

// A message type's sample, in UTF-8 as written or in UTF-16, read with
// one of the readers into its message, which is written again.
struct Call
{
    const MessageTypeCase* type;
    std::string text;
    Reader read;

    // The text written, or the error. (What else the call throws ends the
    // process, with its message.)
    std::string run() const
    {
        try {
            Brisvale::Soa::Common::Xml::XmlStream stream;
            type->entry.roundTrip(*read(text), stream, type->entry.localName);
            return stream.str();
        } catch (Brisvale::Soa::Common::Exceptions::DomException& error) {
            return "DomException: " + error.getMessage();
        }
    }
};

std::vector<Call> callsOf(const MessageTypeCase& type)
{
    std::ifstream file(std::string(BRISVALE_TEST_SUPPORT_DIR) + "/" + type.folder + "/samples/" +
                           type.entry.localName + ".xml",
                       std::ios::binary);
    const std::string sample(std::istreambuf_iterator<char>(file), {});
    std::string declaredUtf16 = sample;
    if (const std::size_t at = sample.find("encoding=\"UTF-8\""); at != std::string::npos)
        declaredUtf16.replace(at + 10, 5, "UTF-16");
    std::vector<Call> calls;
    for (const std::string& text : {sample, Brisvale::Testing::utf16(declaredUtf16, false)})
        for (Reader read : kReaders)
            calls.push_back({&type, text, read});
    return calls;
}

// Each thread's calls, which it makes every round, and what it writes.
struct Work
{
    std::vector<Call> calls;
    std::thread::id thread;
    std::vector<std::string> written;
};

// Passes every mark on, and counts the calls inside it.
class RelayListener : public MonitorListener
{
public:
    explicit RelayListener(MonitorListener& next) : fNext(next) {}
    void markStart(const std::string& name) override { relay(&MonitorListener::markStart, name); }
    void markEnd(const std::string& name) override { relay(&MonitorListener::markEnd, name); }

    std::atomic<int> inside{0};

private:
    void relay(void (MonitorListener::*mark)(const std::string&), const std::string& name)
    {
        ++inside;
        (fNext.*mark)(name);
        --inside;
    }

    MonitorListener& fNext;
};

TEST(Threads, EachThreadWritesWhatOneThreadWritesAndTheRecorderKeepsEveryThreadsMarks)
{
    const std::vector<MessageTypeCase> types = Brisvale::Testing::allMessageTypes();
    std::vector<Work> work(kThreads);
    for (std::size_t i = 0; i < types.size(); ++i)
        for (Call& call : callsOf(types[i]))
            work[i % kThreads].calls.push_back(std::move(call));

    MarkRecorder recorder;
    int stillInside = 0;  // relays that a thread was still inside after their removal
    {
        ScopedMonitorListener recording(recorder);
        std::atomic<bool> stop{false};
        std::thread changer([&] {
            do {
                auto relay = std::make_unique<RelayListener>(recorder);
                {
                    ScopedMonitorListener installed(*relay);
                    std::this_thread::yield();
                }
                stillInside += relay->inside != 0;
            } while (!stop);
        });
        std::vector<std::thread> threads;
        for (Work& each : work) {
            threads.emplace_back([&each] {
                each.thread = std::this_thread::get_id();
                for (int round = 0; round < kRounds; ++round)
                    for (const Call& call : each.calls)
                        each.written.push_back(call.run());
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        stop = true;
        changer.join();
    }
    EXPECT_EQ(stillInside, 0) << "a listener was still in use after its removal";

    std::map<std::thread::id, std::vector<MarkRecorder::Event>> byThread;
    for (const MarkRecorder::Event& event : recorder.events())
        byThread[event.thread].push_back(event);
    EXPECT_EQ(byThread.size(), kThreads);
    for (const Work& each : work) {
        // What the thread would write and mark alone.
        std::vector<std::string> alone;
        for (const Call& call : each.calls) {
            alone.push_back(call.run());
            EXPECT_EQ(alone.back().substr(0, 1), "<") << alone.back();
        }
        std::vector<MarkRecorder::Event> events;
        std::size_t differences = 0;
        for (std::size_t i = 0; i < each.written.size(); ++i) {
            const std::string& name = each.calls[i % alone.size()].type->entry.qualifiedName;
            if (each.written[i] != alone[i % alone.size()] && ++differences == 1)
                ADD_FAILURE() << name << " written as " << each.written[i];
            for (const char* method : {"::parse", "::outputXML"})
                for (const auto kind : {MarkRecorder::EventKind::Start, MarkRecorder::EventKind::End})
                    events.push_back({kind, name + method, each.thread});
        }
        EXPECT_TRUE(byThread[each.thread] == events) << byThread[each.thread].size() << " events recorded";
    }
    EXPECT_TRUE(recorder.openMarks().empty());
    const auto times = recorder.executionTimes();
    EXPECT_EQ(times.size(), recorder.events().size() / 2);
    for (const auto& time : times)
        ASSERT_TRUE(time.depth() == 0 && time.nestedMarks() == 0 && time.discardedMarks() == 0) << time.name();
}

} // namespace
