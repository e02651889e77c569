#ifndef BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP
#define BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP

// Reading the hand-written expected documents of tests/cad/expected.

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "XmlTestSupport.hpp"

namespace Brisvale {
namespace Testing {

// The whole content of a file; empty when the file cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An expected document, <folder>/<name>.xml under tests/cad/expected (for
// instance "datamanagement_2007_01", "CreateOrUpdatePartsRequest"), without
// the line breaks and indentation between its tags: the exact text that a
// message holding its content writes.
inline std::string expectedText(const std::string& folder, const std::string& name)
{
    const std::string path = std::string(BRISVALE_EXPECTED_DOCUMENTS_DIR) + "/" + folder + "/" + name + ".xml";
    return std::regex_replace(readFile(path), std::regex(">\n *(<|$)"), ">$1");
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
