// Rules that every generated message type follows, checked once across all
// types: each type's sample document (every field filled with awkward values)
// is parsed into a message and written back, and what comes back must be the
// same document, valid against the schema files.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTestSupport.hpp"
#include "MessageTypeRegistry.hpp"

namespace {

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using Brisvale::Testing::MessageTypeCase;

class AllTypes : public ::testing::TestWithParam<MessageTypeCase>
{
protected:
    std::string folderDir() const { return std::string(BRISVALE_TEST_SUPPORT_DIR) + "/" + GetParam().folder; }
    std::string sampleText() const { return Brisvale::Testing::readFile(folderDir() + "/samples/" + GetParam().entry.localName + ".xml"); }
    std::string roundTrip(const XMLNode& node) const
    {
        XmlStream stream;
        GetParam().entry.roundTrip(node, stream, GetParam().entry.localName);
        return stream.str();
    }
};

TEST_P(AllTypes, WritesBackWhatItRead)
{
    const std::string sample = sampleText();
    ASSERT_FALSE(sample.empty());
    std::unique_ptr<XMLNode> sampleRoot = parseXmlDocument(sample);
    const std::string written = roundTrip(*sampleRoot);
    EXPECT_TRUE(Brisvale::Testing::sameXml(written, sample));

    // Writing what was read a second time gives the same text.
    std::unique_ptr<XMLNode> writtenRoot = parseXmlDocument(written);
    EXPECT_EQ(roundTrip(*writtenRoot), written);
}

TEST_P(AllTypes, WrittenDocumentIsValidAgainstTheSchemaFiles)
{
    if (std::system("xmllint --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed";
    std::unique_ptr<XMLNode> sampleRoot = parseXmlDocument(sampleText());
    // The process id keeps parallel runs of the suite apart.
    const std::string path = ::testing::TempDir() + "written-" + GetParam().folder + "-" +
                             GetParam().entry.localName + "-" + std::to_string(getpid()) + ".xml";
    std::ofstream(path, std::ios::binary) << roundTrip(*sampleRoot);
    const std::string command = "xmllint --noout --schema '" + folderDir() + "/" + GetParam().folder +
                                "-roots.xsd' '" + path + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::remove(path.c_str());
}

// A child named "bogus", or named like the first child but for the case of
// its first letter, stops the parse of a type with child fields; a leaf
// ignores child nodes.
TEST_P(AllTypes, UnknownChildStopsTheParseUnlessTheTypeIsALeaf)
{
    std::unique_ptr<XMLNode> root = parseXmlDocument(sampleText());
    const bool leaf = root->getChildren().empty();
    std::string caseVariant = leaf ? "Bogus" : root->getChildren().front()->getName();
    caseVariant[0] = static_cast<char>(caseVariant[0] ^ 0x20);
    for (const std::string& name : {std::string("bogus"), caseVariant}) {
        std::unique_ptr<XMLNode> stranger(new XMLNode());
        stranger->setName(name);
        std::unique_ptr<XMLNode> node = parseXmlDocument(sampleText());
        node->addChild(std::move(stranger));
        try {
            roundTrip(*node);
            EXPECT_TRUE(leaf) << "no DomException for a child named " << name;
        } catch (DomException& error) {
            EXPECT_FALSE(leaf);
            EXPECT_EQ(error.getMessage(), "Unexpected node name: " + name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Generated, AllTypes, ::testing::ValuesIn(Brisvale::Testing::allMessageTypes()),
                         [](const ::testing::TestParamInfo<MessageTypeCase>& info) {
                             return info.param.folder + "_" + info.param.entry.localName;
                         });

} // namespace
