// The inline members of the common library's classes listed below are
// defined by this library, which exports them: a program or library built
// on ours finds them here whatever the common library beneath keeps to
// itself. A compiler emits an inline member only where a call is not
// inlined, so this file calls each one and is compiled without
// optimisation (see CMakeLists.txt). Nothing calls these functions.

#include <map>
#include <string>

#include <Brisvale/Soa/Common/DateTime.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/BvStrX.hpp>
#include <Brisvale/Soa/Common/Xml/SAXToNodeParser.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>
#include <Brisvale/Soa/Internal/Common/ExecutionTime.hpp>
#include <Brisvale/Soa/Internal/Common/Mark.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

namespace Brisvale {
namespace Soa {
namespace CommonInlineMembers {

using Common::DateTime;
using Common::Exceptions::DomException;
using Common::Xml::BvStrX;
using Common::Xml::SAXToNodeParser;
using Common::Xml::XMLNode;
using Common::Xml::XmlStream;
using Internal::Common::ExecutionTime;
using Internal::Common::Mark;
using Internal::Common::Monitor;

int useDateTime(DateTime* to, const DateTime& from)
{
    *to = from;
    const int fields = to->year() + to->month() + to->day() + to->hour() + to->minute() + to->second();
    const bool ordered = *to != from || *to >= from || *to <= from;
    to->DateTime::~DateTime();
    return fields + ordered;
}

void useXmlStream(XmlStream* stream)
{
    stream->XmlStream::~XmlStream();
}

XMLNode* useXMLNode(const std::map<std::string, std::string>** attributes, const XMLNode& node)
{
    *attributes = &node.attrs();
    return new XMLNode();
}

// Without the sanitizer's check of the handler's dynamic type, which would
// import the handler's type information from the common library.
__attribute__((no_sanitize("vptr"))) void useSAXToNodeParser(SAXToNodeParser* handler)
{
    handler->SAXToNodeParser::startDocument();
    handler->SAXToNodeParser::endDocument();
    handler->SAXToNodeParser::ignorableWhitespace(nullptr, 0);
    handler->SAXToNodeParser::processingInstruction(nullptr, nullptr);
}

bool useBvStrX(BvStrX* to, const XMLCh* text)
{
    const BvStrX converted(text);
    *to = BvStrX(converted);
    const std::string& localForm = *to;
    const bool same = localForm.c_str() == to->localForm();
    to->BvStrX::~BvStrX();
    return same;
}

DomException useDomException(DomException* to, const DomException& from)
{
    *to = from;
    to->DomException::~DomException();
    return DomException(from);
}

Mark useMark(Mark* to, const Mark& from)
{
    *to = from;
    return Mark(from);
}

ExecutionTime useExecutionTime(ExecutionTime* to, const ExecutionTime& from)
{
    *to = from;
    return ExecutionTime(from);
}

void useMonitor(Monitor* to, const Monitor& from)
{
    *to = from;
}

} // namespace CommonInlineMembers
} // namespace Soa
} // namespace Brisvale
