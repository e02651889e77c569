#ifndef BRISVALE_TESTING_EXPATREADING_HPP
#define BRISVALE_TESTING_EXPATREADING_HPP

#include <cstddef>
#include <memory>
#include <string>

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Testing {

// What expat, a parser that shares nothing with our readers, makes of a
// document: a third opinion on them.
struct ExpatReading
{
    enum class Verdict
    {
        wellFormed,
        malformed,
        // Not a document that the readers must read as expat does: one
        // with a document type declaration, XML other than 1.0, an encoding
        // other than UTF-8, UTF-16, US-ASCII and ISO-8859-1, a byte-order
        // mark that contradicts the declared encoding, past a limit, or
        // with a name that the editions of XML 1.0 judge differently
        // (expat keeps the tables of those before the fifth).
        outsideScope,
    };

    Verdict verdict;
    // For a well-formed document, the tree the readers make of it: local
    // names, namespace URIs, attributes (one in a namespace as
    // "{uri}local") and all the character data of each element, joined.
    std::unique_ptr<Soa::Common::Xml::XMLNode> root;
    // Expat's error with its position, or why the document is outside.
    std::string reason;
};

ExpatReading readWithExpat(const char* data, std::size_t length);

// Where a reader's outcome, its tree or null for a refusal, departs from
// expat's: "" when it reads a well-formed document inside the scope into
// expat's tree, or refuses a malformed one, or the document is outside.
std::string disagreementWithExpat(const ExpatReading& expat, const Soa::Common::Xml::XMLNode* root,
                                  const std::string& refusal);

} // namespace Testing
} // namespace Brisvale

#endif
