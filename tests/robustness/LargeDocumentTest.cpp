// Documents of a gigabyte and more, read by both readers: the longest
// attribute value, CDATA section and processing instruction's data that
// they take, and one byte more; a namespace URI one byte longer; and a text
// and a comment longer than any of those. Each case needs several gigabytes
// of memory and skips itself on a machine that has not got them available;
// none may run beside another test.

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "XmlTestSupport.hpp"

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;

namespace {

const std::size_t kGiB = std::size_t{1} << 30;
const std::size_t kMiB = std::size_t{1} << 20;

// The longest attribute value, CDATA section or processing instruction's
// data that the readers take, in bytes of UTF-8.
const std::size_t kLongestValue = 1000000000;

const std::string kEAcute = "\xC3\xA9";

struct Reader
{
    const char* name;
    std::unique_ptr<XMLNode> (*read)(const char* data, std::size_t length);
    bool isXerces;
};

const Reader kLibxml2 = {"Libxml2", Brisvale::Soa::Common::Xml::parseXmlDocument, false};
const Reader kXerces = {"Xerces", Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces, true};

void PrintTo(const Reader& reader, std::ostream* out)
{
    *out << reader.name;
}

// The memory that a case needs available with each reader: its peak,
// measured, and a margin.
struct MemoryNeeds
{
    std::size_t withLibxml2;
    std::size_t withXerces;
};

// The memory that the system can give without swapping, from
// /proc/meminfo; 0 where it does not say.
std::size_t availableMemory()
{
    std::ifstream info("/proc/meminfo");
    std::string field;
    std::size_t kilobytes = 0;
    while (info >> field >> kilobytes)
    {
        if (field == "MemAvailable:")
            return kilobytes * 1024;
        info.ignore(256, '\n');
    }
    return 0;
}

// A part of a document: a text, repeated.
struct Run
{
    std::string part;
    std::size_t count;
};

// Appends a run, copying ever longer stretches of what it appended.
void append(std::string& text, const Run& run)
{
    const std::size_t start = text.size();
    const std::size_t length = run.part.size() * run.count;
    if (length == 0)
        return;
    text.append(run.part);
    while (text.size() - start < length)
        text.append(text, start, std::min(text.size() - start, length - (text.size() - start)));
}

// A document made of runs one after the other, in one allocation.
std::string document(std::initializer_list<Run> runs)
{
    std::size_t length = 0;
    for (const Run& run : runs)
        length += run.part.size() * run.count;
    std::string text;
    text.reserve(length);
    for (const Run& run : runs)
        append(text, run);
    return text;
}

// Whether a text is the part repeated, from its start to its end.
bool isRepeated(const std::string& text, const std::string& part)
{
    if (text.size() % part.size() != 0)
        return false;
    for (std::size_t at = 0; at < text.size(); at += part.size())
        if (text.compare(at, part.size(), part) != 0)
            return false;
    return true;
}

class LargeDocument : public ::testing::TestWithParam<Reader>
{
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "documents of a gigabyte take far too much memory under AddressSanitizer";
#endif
    }

    std::unique_ptr<XMLNode> read(const std::string& text) const { return GetParam().read(text.data(), text.size()); }

    // Why a case cannot run here, or "".
    std::string lackOfMemory(MemoryNeeds needs) const
    {
        const std::size_t needed = GetParam().isXerces ? needs.withXerces : needs.withLibxml2;
        const std::size_t available = availableMemory();
        if (available >= needed)
            return std::string();
        return "needs " + std::to_string(needed / kMiB) + " MiB of memory available, has "
               + std::to_string(available / kMiB) + " MiB";
    }

    std::unique_ptr<XMLNode> readWhole(const std::string& text) const
    {
        return Brisvale::Testing::readOrFail([this](const std::string& whole) { return read(whole); }, text);
    }

    // Whether a document is refused with a DomException.
    bool refuses(const std::string& text) const
    {
        try
        {
            read(text);
        }
        catch (DomException&)
        {
            return true;
        }
        return false;
    }
};

INSTANTIATE_TEST_SUITE_P(Readers, LargeDocument, ::testing::Values(kLibxml2, kXerces),
                         [](const auto& info) { return std::string(info.param.name); });

// Only the text's size bounds the text of an element: one of more than
// 1 GiB is read whole.
TEST_P(LargeDocument, ReadsATextOfMoreThanOneGiB)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 8 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    // A part whose length is prime: a byte lost or doubled anywhere shifts
    // everything after it.
    const std::string part = "0123456789abcdefghijklmnopqrstuvwxyz\n";
    const std::size_t length = kGiB + kMiB;
    const std::size_t count = (length - 7) / part.size();
    const std::string text =
        document({{"<r>", 1}, {"h", length - 7 - count * part.size()}, {part, count}, {"</r>", 1}});
    ASSERT_EQ(length, text.size());
    const auto root = readWhole(text);
    ASSERT_TRUE(root);
    EXPECT_EQ("r", root->getName());
    EXPECT_TRUE(root->getChildren().empty());
    EXPECT_EQ(length - 7, root->getText().size());
    EXPECT_EQ(0, root->getText().compare(0, std::string::npos, text, 3, length - 7));
}

// An attribute value counts after its references are replaced: this one is
// the longest there, and longer as written.
TEST_P(LargeDocument, ReadsTheLongestAttributeValue)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 16 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    const std::size_t references = 1000;
    const std::size_t plain = kLongestValue - references * kEAcute.size();
    const std::string text = document({{"<r a='", 1}, {"v", plain}, {"&#xE9;", references}, {"'/>", 1}});
    const auto root = readWhole(text);
    ASSERT_TRUE(root);
    const auto attribute = root->attrs().find("a");
    ASSERT_NE(root->attrs().end(), attribute);
    const std::string& value = attribute->second;
    EXPECT_EQ(kLongestValue, value.size());
    EXPECT_EQ(0, value.compare(0, plain, text, 6, plain));
    EXPECT_TRUE(isRepeated(value.substr(plain), kEAcute));
}

// One byte more is refused, in half as many characters.
TEST_P(LargeDocument, RefusesAnAttributeValueOneByteLonger)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 10 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    EXPECT_TRUE(refuses(document({{"<r a='", 1}, {kEAcute, kLongestValue / 2}, {"v'/>", 1}})));
}

// A namespace URI is an attribute value of its declaration.
TEST_P(LargeDocument, RefusesANamespaceUriOneByteLonger)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 16 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    EXPECT_TRUE(refuses(document({{"<p:r xmlns:p='urn:", 1}, {"u", kLongestValue - 3}, {"'/>", 1}})));
}

TEST_P(LargeDocument, ReadsTheLongestCdataSection)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 8 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    const std::string text = document({{"<r><![CDATA[", 1}, {kEAcute, kLongestValue / 2}, {"]]></r>", 1}});
    const auto root = readWhole(text);
    ASSERT_TRUE(root);
    EXPECT_EQ(kLongestValue, root->getText().size());
    EXPECT_EQ(0, root->getText().compare(0, std::string::npos, text, 12, kLongestValue));
}

TEST_P(LargeDocument, RefusesACdataSectionOneByteLonger)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 8 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    EXPECT_TRUE(refuses(document({{"<r><![CDATA[", 1}, {"c", kLongestValue + 1}, {"]]></r>", 1}})));
}

// A processing instruction's data starts after its target and the white
// space after that.
TEST_P(LargeDocument, ReadsTheLongestProcessingInstruction)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 6 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    const auto root = readWhole(document({{"<r>t<?p \r\n\t ", 1}, {"d", kLongestValue}, {"?></r>", 1}}));
    ASSERT_TRUE(root);
    EXPECT_EQ("t", root->getText());
}

TEST_P(LargeDocument, RefusesAProcessingInstructionOneByteLonger)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 6 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    EXPECT_TRUE(refuses(document({{"<r>t<?p \r\n\t ", 1}, {kEAcute, kLongestValue / 2}, {"d?></r>", 1}})));
}

// Comments bound nothing, however long.
TEST_P(LargeDocument, ReadsACommentLongerThanTheLongestValue)
{
    if (const std::string lack = lackOfMemory({6 * kGiB, 6 * kGiB}); !lack.empty())
        GTEST_SKIP() << lack;
    const auto root = readWhole(document({{"<r>t<!--", 1}, {"c", kLongestValue + 1}, {"--></r>", 1}}));
    ASSERT_TRUE(root);
    EXPECT_EQ("t", root->getText());
}

} // namespace
