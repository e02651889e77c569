// Running out of memory while writing: every allocation of every XmlStream
// operation is made to fail in turn, and the operation is made again; the
// text written in the end must be the text written without any failure.

#include <functional>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "FailingAllocator.hpp"

using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::toXmlString;

namespace {

const std::string kMessageUri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";
const std::string kBaseUri = "http://brisvale.example/Schemas/Soa/2006-03/Base";
const std::string kOtherUri = "urn:brisvale:other&more";

// One call of the stream; its result as text.
using Operation = std::function<std::string(XmlStream&)>;

// The calls a message makes, with their arguments made beforehand, so that
// the only allocations while a call runs are the stream's own.
class MessageCalls
{
public:
    MessageCalls()
    {
        root();
        for (int part = 0; part < 3; ++part)
            partWithObjects(part);
        closeElement(kMessageUri, "Message");
    }

    const std::vector<Operation>& operations() const { return fOperations; }

private:
    void add(Operation operation) { fOperations.push_back(std::move(operation)); }

    void openElement(const std::string& uri, const std::string& name)
    {
        add([=](XmlStream& stream) { return stream.writeOpenElement(uri, name); });
    }

    void attribute(const std::string& name, const std::string& text)
    {
        add([=](XmlStream& stream) { return stream.writeAttribute(name, text); });
    }

    void endStartTag(const std::string& uri, bool leaf)
    {
        add([=](XmlStream& stream) { return stream.writeOpenElementClose(uri, leaf); });
    }

    void closeElement(const std::string& uri, const std::string& name)
    {
        add([=](XmlStream& stream) { return stream.writeCloseElement(uri, name); });
    }

    void askPrefix(const std::string& uri)
    {
        add([=](XmlStream& stream) { return "[" + stream.getNamespacePrefix(uri) + "]"; });
    }

    void askRoot()
    {
        add([](XmlStream& stream) { return stream.isRootElement() ? "[root]" : "[inner]"; });
    }

    void root()
    {
        askRoot();
        askPrefix(kOtherUri);  // pending until the first start tag
        openElement(kMessageUri, "Message");
        attribute("id", "m1");
        attribute("description", toXmlString("left & right \"type B\" <rev A>"));
        attribute("notes", std::string(300, 'n'));
        endStartTag(kMessageUri, false);
        askRoot();
        askPrefix(kMessageUri);
    }

    // A part in the message's namespace under its prefix, objects of the
    // base namespace inside it, a prefix of the caller's own, a default
    // namespace that changes, and forty long names used once each.
    void partWithObjects(int part)
    {
        const std::string partName = "ns1:createOrUpdatePartsInput";
        openElement(kMessageUri, partName);
        attribute("clientId", "part-" + std::to_string(part));
        endStartTag(kMessageUri, false);

        askPrefix(kBaseUri);  // declared on the next start tag
        openElement(kBaseUri, "ns1:itemRevisionObject");
        attribute("uid", "wXFAa" + std::to_string(part));
        endStartTag(kBaseUri, true);

        openElement(kOtherUri, "custom" + std::to_string(part) + ":extra");
        attribute("value", std::string(260, 'v'));
        endStartTag(kOtherUri, false);
        openElement(kBaseUri, "unprefixedObjectWithAVeryLongName");
        endStartTag(kBaseUri, true);
        closeElement(kOtherUri, "custom" + std::to_string(part) + ":extra");

        for (int i = 0; i < 40; ++i)
        {
            const std::string name = "ns1:attributeNameValuePairNumber" + std::to_string(part * 40 + i);
            openElement(kMessageUri, name);
            attribute("propertyName" + std::to_string(part * 40 + i), "value &amp; more");
            endStartTag(kMessageUri, i % 2 == 0);
            if (i % 2 != 0)
                closeElement(kMessageUri, name);
        }
        closeElement(kMessageUri, partName);
    }

    std::vector<Operation> fOperations;
};

// Runs the calls in order into a fresh stream and returns all their results.
// With failures, each call runs first with its first allocation failing,
// then its second, and so on, until it runs through.
std::string run(const std::vector<Operation>& operations, bool failing, long& failures)
{
    XmlStream stream;
    std::string results;
    for (const Operation& operation : operations)
    {
        for (long allocationsToPass = 0;; ++allocationsToPass)
        {
            if (failing)
                FailingAllocator::failAfter(allocationsToPass, false);
            try
            {
                const std::string text = operation(stream);
                FailingAllocator::stop();
                results += text;
                if (text.front() != '[')
                    stream << text;
                break;
            }
            catch (const std::bad_alloc&)
            {
                FailingAllocator::stop();
                ++failures;
            }
        }
    }
    EXPECT_TRUE(stream.isRootElement());
    return results + "\n" + stream.str();
}

} // namespace

TEST(WriterRunningOutOfMemory, EveryOperationCanBeMadeAgainAndWritesTheSameText)
{
    const MessageCalls calls;
    long failures = 0;
    const std::string expected = run(calls.operations(), false, failures);
    ASSERT_EQ(0, failures);
    EXPECT_EQ(expected, run(calls.operations(), true, failures));
    EXPECT_GT(failures, static_cast<long>(calls.operations().size()));

    // Once more, from a thread whose table of checked names is full of them.
    failures = 0;
    EXPECT_EQ(expected, run(calls.operations(), true, failures));
}
