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
// and without validation, with libxml2. The reader never touches a file or
// the network: document type declarations are refused, so no entity but the
// predefined ones and character references can be expanded. An attribute in
// a namespace is kept under "{uri}local", never under its local name alone.
//
// A document that cannot be read, or that passes one of the reader's limits
// (see the README), raises Exceptions::DomException with the line, the
// column and the reason; nothing of the tree is kept. Lines end at LF, CRLF
// and a lone CR; columns count characters from 1, whatever their size in
// bytes, and not a byte-order mark.
BRISVALE_SOA_COMMON_API std::unique_ptr<XMLNode> parseXmlDocument(const std::string& text);
BRISVALE_SOA_COMMON_API std::unique_ptr<XMLNode> parseXmlDocument(const char* data,
                                                                  std::size_t length);

// The same, with the same checks and limits and the same tree, read by
// Xerces-C's SAX2 parser and SAXToNodeParser: a second reader to check the
// first against.
BRISVALE_SOA_COMMON_API std::unique_ptr<XMLNode> parseXmlDocumentWithXerces(const char* data,
                                                                            std::size_t length);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
