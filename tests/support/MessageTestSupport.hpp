#ifndef BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP
#define BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP

// Reading the hand-written expected documents of tests/cad/expected.

#include <fstream>
#include <iterator>
#include <string>

#include "XmlTestSupport.hpp"

namespace Brisvale {
namespace Testing {

// The whole content of a file; empty when the file cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An expected document, <folder>/<name>.xml under tests/cad/expected (for
// instance "datamanagement_2007_01", "CreateOrUpdatePartsInput"), without
// the line breaks and indentation between its tags: the exact text that a
// message holding its content writes.
inline std::string expectedText(const std::string& folder, const std::string& name)
{
    const std::string text = readFile(std::string(BRISVALE_EXPECTED_DOCUMENTS_DIR) + "/" + folder + "/" + name + ".xml");
    std::string kept;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t next = text.find_first_not_of(' ', at + 1);
        if (text[at] == '\n' && !kept.empty() && kept.back() == '>' && (next == std::string::npos || text[next] == '<'))
            at = (next == std::string::npos ? text.size() : next) - 1;
        else
            kept += text[at];
    }
    return kept;
}

// An expected document parsed into a new default message.
template <class Message>
Message readExpected(const std::string& folder, const std::string& name)
{
    return readXml<Message>(expectedText(folder, name));
}

} // namespace Testing
} // namespace Brisvale

#endif
