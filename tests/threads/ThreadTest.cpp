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
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorValue.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include "MessageTypeRegistry.hpp"
#include "XmlTestSupport.hpp"

namespace {

using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::Monitor;
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

// Every wait is bounded: a deadlock fails the test rather than hang it.
constexpr std::chrono::seconds kBound{10};

// Ends the process with a message unless it is destroyed within its bound.
class Watchdog
{
public:
    Watchdog(const char* what, std::chrono::seconds bound)
        : fThread([done = fDone.get_future(), what, bound] {
              if (done.wait_for(bound) == std::future_status::timeout) {
                  std::fprintf(stderr, "%s did not finish: deadlock\n", what);
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        fDone.set_value();
        fThread.join();
    }

private:
    std::promise<void> fDone;
    std::thread fThread;
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
    Watchdog watchdog("eight threads and a changing listener", 30 * kBound);
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

// Writes a message, which makes marks, and returns its thread.
std::thread::id writeAMessage()
{
    Brisvale::Schemas::Soa::_2006_03::Base::ErrorValue message;
    Brisvale::Soa::Common::Xml::XmlStream stream;
    message.outputXML(stream, "error");
    return std::this_thread::get_id();
}

// Inside its first call, lets the test replace it, waits until it is
// replaced, then has another thread write a message and waits for it.
class HandingOnListener : public MonitorListener
{
public:
    void markStart(const std::string&) override
    {
        if (++marks != 1)
            return;
        inside = true;
        entered.set_value();
        const auto end = std::chrono::steady_clock::now() + kBound;
        while (Monitor::getListener() == this && std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
        writer = std::async(std::launch::async, writeAMessage);
        writerFinished = writer.wait_for(kBound) == std::future_status::ready;
        inside = false;
    }
    void markEnd(const std::string&) override { ++marks; }

    std::atomic<int> marks{0};
    std::atomic<bool> inside{false};
    std::promise<void> entered;
    std::future<std::thread::id> writer;
    bool writerFinished = false;
};

// While setListener waits for a call inside the listener it replaces, marks
// on other threads go to the new listener (or to none) without waiting, so
// the call can wait for them.
TEST(Threads, MarksMadeWhileTheListenerChangesDoNotWaitForTheChange)
{
    const std::string written = "Brisvale::Schemas::Soa::_2006_03::Base::ErrorValue::outputXML";
    for (const bool removed : {true, false}) {
        Watchdog watchdog("a listener waiting for a writer while the listener changes", 3 * kBound);
        HandingOnListener handingOn;
        MarkRecorder replacement;
        MonitorListener* const next = removed ? nullptr : &replacement;
        Monitor::setListener(&handingOn);
        std::thread changer([&, entered = handingOn.entered.get_future()] {
            entered.wait();
            EXPECT_EQ(Monitor::setListener(next), &handingOn);
            EXPECT_FALSE(handingOn.inside) << "setListener returned while a thread was inside the listener";
        });
        Monitor::markStart("call");
        changer.join();

        EXPECT_TRUE(handingOn.writerFinished) << "the writer waited for setListener";
        EXPECT_EQ(handingOn.marks, 1) << "the writer's marks reached the listener replaced";
        const std::thread::id writer = handingOn.writer.get();
        EXPECT_EQ(replacement.events().size(), removed ? 0u : 2u);
        for (const MarkRecorder::Event& event : replacement.events())
            EXPECT_TRUE(event.name == written && event.thread == writer);
        EXPECT_EQ(Monitor::setListener(nullptr), next);
    }
}

// A listener that throws is left all the same: removing it does not wait
// for the call, nor finds the thread still inside a listener.
TEST(Threads, AListenerThatThrowsIsLeft)
{
    Watchdog watchdog("removing a listener that threw", kBound);
    struct : MonitorListener {
        void markStart(const std::string&) override { throw std::runtime_error("listener failed"); }
        void markEnd(const std::string&) override {}
    } throwing;
    ScopedMonitorListener installed(throwing);
    EXPECT_THROW(Monitor::markStart("call"), std::runtime_error);
}

} // namespace
