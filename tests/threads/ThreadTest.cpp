// Eight threads read and write their own messages at once, with both
// readers and in two encodings, while a MarkRecorder receives the marks
// and another thread keeps installing and removing a listener in front of
// it. Every text written must be the one that a single thread writes, and
// the recorder must hold every mark of every thread, paired on its thread.
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
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>
#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include "MessageTypeRegistry.hpp"

namespace {

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::MonitorListener;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;
using Brisvale::Testing::MessageTypeCase;

constexpr std::size_t kThreads = 8;
constexpr int kRounds = 10;

// A message type's sample document, in UTF-8 as written or in UTF-16.
struct Document
{
    const MessageTypeCase* type;
    std::string text;
};

// UTF-16LE with a byte-order mark, from well-formed UTF-8.
std::string utf16(const std::string& utf8)
{
    std::string text = "\xFF\xFE";
    const auto unit = [&text](char32_t value) {
        text += static_cast<char>(value & 0xFF);
        text += static_cast<char>(value >> 8);
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            code = code << 6 | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
        at += static_cast<std::size_t>(length);
        if (code < 0x10000) {
            unit(code);
        } else {
            unit(0xD800 | (code - 0x10000) >> 10);
            unit(0xDC00 | (code & 0x3FF));
        }
    }
    return text;
}

std::vector<Document> documentsOf(const MessageTypeCase& type)
{
    std::ifstream file(std::string(BRISVALE_TEST_SUPPORT_DIR) + "/" + type.folder + "/samples/" +
                           type.entry.localName + ".xml",
                       std::ios::binary);
    const std::string sample(std::istreambuf_iterator<char>(file), {});
    const std::string declared = "encoding=\"UTF-8\"";
    std::string inUtf16 = sample;
    const std::size_t at = inUtf16.find(declared);
    if (at != std::string::npos)
        inUtf16.replace(at, declared.size(), "encoding=\"UTF-16\"");
    return {{&type, sample}, {&type, utf16(inUtf16)}};
}

using Reader = std::unique_ptr<XMLNode> (*)(const std::string&);

std::unique_ptr<XMLNode> readWithLibxml2(const std::string& text)
{
    return Brisvale::Soa::Common::Xml::parseXmlDocument(text);
}

std::unique_ptr<XMLNode> readWithXerces(const std::string& text)
{
    return Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces(text.data(), text.size());
}

const Reader kReaders[] = {&readWithLibxml2, &readWithXerces};

// What reading the document into its message and writing that gives, or
// the error.
std::string roundTrip(const Document& document, Reader read)
{
    try {
        std::unique_ptr<XMLNode> root = read(document.text);
        XmlStream stream;
        document.type->entry.roundTrip(*root, stream, document.type->entry.localName);
        return stream.str();
    } catch (const DomException& error) {
        return "DomException: " + const_cast<DomException&>(error).getMessage();
    } catch (const std::exception& error) {
        return std::string("exception: ") + error.what();
    }
}

// Each thread's work: its documents, every round, with each reader.
struct Work
{
    std::vector<Document> documents;
    std::thread::id thread;
    std::vector<std::string> written;

    template <class Call>
    void forEachCall(Call call) const
    {
        for (int round = 0; round < kRounds; ++round)
            for (const Document& document : documents)
                for (Reader read : kReaders)
                    call(document, read);
    }

    void run()
    {
        thread = std::this_thread::get_id();
        forEachCall([this](const Document& document, Reader read) { written.push_back(roundTrip(document, read)); });
    }

    std::vector<MarkRecorder::Event> expectedEvents() const
    {
        std::vector<MarkRecorder::Event> events;
        forEachCall([&](const Document& document, Reader) {
            for (const char* call : {"::parse", "::outputXML"}) {
                const std::string name = document.type->entry.qualifiedName + call;
                events.push_back({MarkRecorder::EventKind::Start, name, thread});
                events.push_back({MarkRecorder::EventKind::End, name, thread});
            }
        });
        return events;
    }

    // How many texts differ from what this thread writes alone; the first
    // difference is reported.
    std::size_t differences() const
    {
        std::vector<std::string> alone;
        for (const Document& document : documents)
            for (Reader read : kReaders) {
                alone.push_back(roundTrip(document, read));
                EXPECT_EQ(alone.back().substr(0, 1), "<") << alone.back();
            }
        std::size_t count = 0;
        std::size_t at = 0;
        forEachCall([&](const Document& document, Reader) {
            const std::string& text = written.at(at);
            if (text != alone[at++ % alone.size()] && count++ == 0)
                ADD_FAILURE() << document.type->entry.qualifiedName << " written differently: " << text;
        });
        return count;
    }
};

// Passes every mark on to the recorder, and counts the calls inside it.
class RelayListener : public MonitorListener
{
public:
    explicit RelayListener(MonitorListener& next) : fNext(next) {}

    void markStart(const std::string& name) override
    {
        ++fInside;
        fNext.markStart(name);
        --fInside;
    }

    void markEnd(const std::string& name) override
    {
        ++fInside;
        fNext.markEnd(name);
        --fInside;
    }

    int inside() const { return fInside.load(); }

private:
    MonitorListener& fNext;
    std::atomic<int> fInside{0};
};

// Installs a new relay in front of the recorder and removes it again, over
// and over until told to stop; counts the relays that a thread was still
// inside after their removal.
int changeListenersUntil(const std::atomic<bool>& stop, MonitorListener& recorder)
{
    int stillInside = 0;
    do {
        auto relay = std::make_unique<RelayListener>(recorder);
        {
            ScopedMonitorListener installed(*relay);
            std::this_thread::yield();
        }
        stillInside += relay->inside() != 0;
    } while (!stop.load());
    return stillInside;
}

std::map<std::thread::id, std::vector<MarkRecorder::Event>> eventsByThread(const MarkRecorder& recorder)
{
    std::map<std::thread::id, std::vector<MarkRecorder::Event>> byThread;
    for (const MarkRecorder::Event& event : recorder.events())
        byThread[event.thread].push_back(event);
    return byThread;
}

TEST(Threads, EachThreadWritesWhatOneThreadWritesAndTheRecorderKeepsEveryThreadsMarks)
{
    const std::vector<MessageTypeCase> types = Brisvale::Testing::allMessageTypes();
    std::vector<Work> work(kThreads);
    for (std::size_t i = 0; i < types.size(); ++i)
        for (Document& document : documentsOf(types[i]))
            work[i % kThreads].documents.push_back(std::move(document));

    MarkRecorder recorder;
    int stillInside = 0;
    {
        ScopedMonitorListener recording(recorder);
        std::atomic<bool> stop{false};
        std::thread changer([&] { stillInside = changeListenersUntil(stop, recorder); });
        std::vector<std::thread> threads;
        for (Work& each : work)
            threads.emplace_back(&Work::run, &each);
        for (std::thread& thread : threads)
            thread.join();
        stop = true;
        changer.join();
    }
    EXPECT_EQ(stillInside, 0) << "a listener was still in use after its removal";

    const auto byThread = eventsByThread(recorder);
    std::size_t calls = 0;
    for (const Work& each : work) {
        EXPECT_EQ(each.differences(), 0u);
        const auto found = byThread.find(each.thread);
        ASSERT_NE(found, byThread.end());
        EXPECT_TRUE(found->second == each.expectedEvents()) << found->second.size() << " events recorded";
        calls += each.written.size() * 2;
    }
    EXPECT_EQ(byThread.size(), kThreads);
    EXPECT_TRUE(recorder.openMarks().empty());
    const auto times = recorder.executionTimes();
    EXPECT_EQ(times.size(), calls);
    for (const auto& time : times)
        ASSERT_TRUE(time.depth() == 0 && time.nestedMarks() == 0 && time.discardedMarks() == 0) << time.name();
}

} // namespace
