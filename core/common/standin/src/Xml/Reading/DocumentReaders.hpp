#ifndef BRISVALE_SOA_COMMON_XML_DOCUMENTREADERS_HPP
#define BRISVALE_SOA_COMMON_XML_DOCUMENTREADERS_HPP

#include <cstddef>
#include <memory>
#include <string>

#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

#include "Xml/Reading/TextPositions.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// The two parsers under parseXmlDocument and parseXmlDocumentWithXerces.
// Each reads a document that screenDocument has passed, in the layout the
// screen found, into a tree made by TreeBuilder, refuses what the parser
// finds wrong with a DomException naming line and column as TextPositions
// counts them, and returns the root (null for a document without one).
std::unique_ptr<XMLNode> readWithLibxml2(const char* data, std::size_t length, const TextLayout& layout);
std::unique_ptr<XMLNode> readWithXerces(const char* data, std::size_t length, const TextLayout& layout);

// The two kinds of failure every reader reports, with where it happened:
// "XML parse error at line L, column C: ..." for text a parser finds
// malformed, and "XML document refused at line L, column C: ..." for what
// our own checks and limits refuse.
Exceptions::DomException parseErrorAt(long long line, long long column, const std::string& what);
Exceptions::DomException refusalAt(long long line, long long column, const std::string& why);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
