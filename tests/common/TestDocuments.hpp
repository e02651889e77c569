#ifndef BRISVALE_TESTS_COMMON_TESTDOCUMENTS_HPP
#define BRISVALE_TESTS_COMMON_TESTDOCUMENTS_HPP

#include <memory>
#include <string>
#include <vector>

#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace TestDocuments {

const std::string kCadUri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";
const std::string kBaseUri = "http://brisvale.example/Schemas/Soa/2006-03/Base";

// Writes <values a="..."> with one <p:value> text element per attribute
// text, the way messages write attributes and string arrays, and reads it
// back.
inline std::unique_ptr<Brisvale::Soa::Common::Xml::XMLNode>
roundTrip(const std::string& attributeText, const std::vector<std::string>& elementTexts)
{
    using namespace Brisvale::Soa::Common::Xml;
    XmlStream stream;
    stream << stream.writeOpenElement(kCadUri, "values");
    stream << stream.writeAttribute("a", attributeText);
    stream << stream.writeOpenElementClose(kCadUri, false);
    const std::string prefix = stream.getNamespacePrefix(kCadUri);
    for (const std::string& text : elementTexts)
        stream << "<" << prefix << ":" << "value>" << text << "</" << prefix << ":" << "value>";
    stream << stream.writeCloseElement(kCadUri, "values");
    return parseXmlDocument(stream.str());
}

} // namespace TestDocuments

#endif
