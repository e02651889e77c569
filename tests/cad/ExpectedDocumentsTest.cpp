// Every request and response type against a document written out by hand
// from its fields, tests/cad/expected/<folder>/<Type>.xml (for instance
// datamanagement_2007_01/CreateOrUpdatePartsInput.xml): the document is parsed into the message type and written back,
// and the written text must be the document's text exactly (attribute order,
// namespace declarations and escapes included; only the line breaks and
// indentation between tags of the file are layout). A wrong element or
// attribute name, form or order in a schema file changes that text.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTestSupport.hpp"
#include "MessageTypeRegistry.hpp"

namespace {

using Brisvale::Testing::MessageTypeCase;

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The request and response types of the Cad operations.
std::vector<MessageTypeCase> operationMessages()
{
    std::vector<MessageTypeCase> cases;
    for (const MessageTypeCase& type : Brisvale::Testing::allMessageTypes())
        if (type.folder != "soa_2006_03" && (endsWith(type.entry.localName, "Input") || endsWith(type.entry.localName, "Response")))
            cases.push_back(type);
    return cases;
}

// A break before every tag but the first, only so that a failure shows a line diff.
std::string tagPerLine(std::string text)
{
    for (std::size_t at = text.find("><"); at != std::string::npos; at = text.find("><", at + 2))
        text.insert(at + 1, "\n");
    return text;
}

using ExpectedDocument = ::testing::TestWithParam<MessageTypeCase>;

TEST(ExpectedDocuments, EveryOperationHasARequestAndAResponse)
{
    // 21 operations.
    EXPECT_EQ(operationMessages().size(), 42u);
}

TEST_P(ExpectedDocument, IsWhatTheMessageWritesBackAfterReadingIt)
{
    const std::string expected =
        Brisvale::Testing::expectedText(GetParam().folder, GetParam().entry.localName);
    ASSERT_FALSE(expected.empty()) << "no expected document";
    std::unique_ptr<Brisvale::Soa::Common::Xml::XMLNode> root = Brisvale::Soa::Common::Xml::parseXmlDocument(expected);
    Brisvale::Soa::Common::Xml::XmlStream stream;
    GetParam().entry.roundTrip(*root, stream, root->getName());
    EXPECT_EQ(tagPerLine(stream.str()), tagPerLine(expected));
}

INSTANTIATE_TEST_SUITE_P(Cad, ExpectedDocument, ::testing::ValuesIn(operationMessages()),
                         [](const ::testing::TestParamInfo<MessageTypeCase>& info) {
                             return info.param.folder + "_" + info.param.entry.localName;
                         });

} // namespace
