#ifndef BRISVALE_SOA_COMMON_XML_XMLDOCUMENTREADER_HPP
#define BRISVALE_SOA_COMMON_XML_XMLDOCUMENTREADER_HPP

#include <cstddef>
#include <memory>
#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Parses an XML document held in memory into a node tree, with namespaces
// and without validation. The reader never touches a file or the network:
// document type declarations and external entities are refused.
//
// A document that cannot be read raises Exceptions::DomException with the
// line, the column and the reason.
BRISVALE_SOA_COMMON_API std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text);
BRISVALE_SOA_COMMON_API std::unique_ptr<XMLNode> parseXmlDocument(const char* data,
                                                                  std::size_t length);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
