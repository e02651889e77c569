// Every request and response type against a document written out by hand
// from its fields, in tests/cad/expected/<folder>/<Operation>Request.xml or
// Response.xml: the document is parsed into the message type and written back,
// and the written text must be the document's text exactly (attribute order,
// namespace declarations and escapes included; only the line breaks and
// indentation between tags of the file are layout). A wrong element or
// attribute name, form or order in a schema file changes that text.

#include <memory>
#include <regex>
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

// The request and response types of the Cad operations.
std::vector<MessageTypeCase> operationMessages()
{
    std::vector<MessageTypeCase> cases;
    for (const MessageTypeCase& type : Brisvale::Testing::allMessageTypes())
        if (type.folder != "soa_2006_03" && std::regex_search(type.entry.localName, std::regex("(Input|Response)$")))
            cases.push_back(type);
    return cases;
}

// "CreateOrUpdatePartsInput" -> "CreateOrUpdatePartsRequest".
std::string documentName(const std::string& localName)
{
    return std::regex_replace(localName, std::regex("Input$"), "Request");
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
        Brisvale::Testing::expectedText(GetParam().folder, documentName(GetParam().entry.localName));
    ASSERT_FALSE(expected.empty()) << "no expected document";
    std::unique_ptr<Brisvale::Soa::Common::Xml::XMLNode> root = Brisvale::Soa::Common::Xml::parseXmlDocument(expected);
    Brisvale::Soa::Common::Xml::XmlStream stream;
    GetParam().entry.roundTrip(*root, stream, root->getName());
    // The same break before every tag on both sides, only so that a failure shows a line diff.
    const std::regex betweenTags("><");
    EXPECT_EQ(std::regex_replace(stream.str(), betweenTags, ">\n<"), std::regex_replace(expected, betweenTags, ">\n<"));
}

INSTANTIATE_TEST_SUITE_P(Cad, ExpectedDocument, ::testing::ValuesIn(operationMessages()),
                         [](const ::testing::TestParamInfo<MessageTypeCase>& info) {
                             return info.param.folder + "_" + documentName(info.param.entry.localName);
                         });

} // namespace
