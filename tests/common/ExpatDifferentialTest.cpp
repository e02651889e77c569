// Both readers against expat, a parser that shares none of their code, on
// ten thousand random documents and on the samples the generator writes
// for each message type: where expat reads a document that the readers
// must read, both make expat's tree of it; where expat refuses one, both
// refuse it. A failure names the generator's seed, which gives the same
// document again, and shows the document.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "ExpatReading.hpp"
#include "RandomXmlDocument.hpp"

using Brisvale::Soa::Common::Exceptions::DomException;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Testing::ExpatReading;

namespace {

const std::uint32_t kFirstSeed = 1;
const std::uint32_t kDocuments = 10000;
const std::uint32_t kFailuresShown = 10;

struct Reader
{
    const char* name;
    std::unique_ptr<XMLNode> (*read)(const char*, std::size_t);
};

std::unique_ptr<XMLNode> readWithLibxml2(const char* data, std::size_t length)
{
    return Brisvale::Soa::Common::Xml::parseXmlDocument(data, length);
}

const Reader kReaders[] = {{"libxml2", &readWithLibxml2},
                           {"Xerces", &Brisvale::Soa::Common::Xml::parseXmlDocumentWithXerces}};

// The bytes as a C string literal would give them.
std::string escaped(const std::string& bytes)
{
    std::string text = "\"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        char escape[8];
        if (c == '\\' || c == '"')
            text += std::string("\\") + static_cast<char>(c);
        else if (c >= 0x20 && c < 0x7F)
            text += static_cast<char>(c);
        else if (std::snprintf(escape, sizeof escape, "\\x%02X", c) > 0)
            text += i + 1 < bytes.size() && std::isxdigit(static_cast<unsigned char>(bytes[i + 1])) ? escape + std::string("\"\"") : escape;
    }
    return text + "\"";
}

std::string disagreement(const Reader& reader, const std::string& bytes, const ExpatReading& expat)
{
    try {
        const std::unique_ptr<XMLNode> root = reader.read(bytes.data(), bytes.size());
        return Brisvale::Testing::disagreementWithExpat(expat, root.get(), std::string());
    } catch (DomException& error) {
        return Brisvale::Testing::disagreementWithExpat(expat, nullptr, error.getMessage());
    }
}

TEST(ExpatDifferential, BothReadersReadRandomDocumentsAsExpatDoes)
{
    std::uint32_t failures = 0;
    std::uint32_t verdicts[3] = {};
    for (std::uint32_t seed = kFirstSeed; seed < kFirstSeed + kDocuments; ++seed) {
        const Brisvale::Testing::RandomXmlDocument document = Brisvale::Testing::randomXmlDocument(seed);
        const ExpatReading expat = Brisvale::Testing::readWithExpat(document.bytes.data(), document.bytes.size());
        ++verdicts[static_cast<int>(expat.verdict)];
        const auto meant = document.misusesReservedName ? ExpatReading::Verdict::malformed
                                                        : ExpatReading::Verdict::wellFormed;
        if (!document.mutated && expat.verdict != meant)
            ADD_FAILURE() << "randomXmlDocument(" << seed << ") is not what expat makes of it: " << expat.reason
                          << "\n" << escaped(document.bytes);
        std::string differences;
        for (const Reader& reader : kReaders) {
            if (const std::string difference = disagreement(reader, document.bytes, expat); !difference.empty())
                differences += std::string(reader.name) + ": " + difference + "\n";
        }
        if (!differences.empty() && ++failures <= kFailuresShown)
            ADD_FAILURE() << "randomXmlDocument(" << seed << ") read otherwise than by expat\n"
                          << differences << escaped(document.bytes);
    }
    EXPECT_EQ(0u, failures) << "documents read otherwise than by expat, of " << kDocuments;
    // Both kinds of document come up, so both halves of the rule are tried.
    EXPECT_GT(verdicts[static_cast<int>(ExpatReading::Verdict::wellFormed)], kDocuments * 8 / 10);
    EXPECT_GT(verdicts[static_cast<int>(ExpatReading::Verdict::malformed)], kDocuments / 40);
}

TEST(ExpatDifferential, BothReadersReadTheSamplesAsExpatDoes)
{
    std::uint32_t judged = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(BRISVALE_TEST_SUPPORT_DIR)) {
        if (entry.path().extension() != ".xml")
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(file), {});
        const ExpatReading expat = Brisvale::Testing::readWithExpat(bytes.data(), bytes.size());
        judged += expat.verdict == ExpatReading::Verdict::wellFormed;
        for (const Reader& reader : kReaders)
            EXPECT_EQ("", disagreement(reader, bytes, expat)) << reader.name << " on " << entry.path();
    }
    EXPECT_GT(judged, 100u);
}

} // namespace
