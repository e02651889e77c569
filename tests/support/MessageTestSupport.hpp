#ifndef BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP
#define BRISVALE_TESTING_MESSAGETESTSUPPORT_HPP

// Small helpers shared by the hand-written message tests: namespace URIs,
// model objects, hand-written documents, parse failures and attribute order.

#include <memory>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "XmlTestSupport.hpp"

#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

namespace Brisvale {
namespace Testing {

// The namespace URIs of the base schema and of the three Cad schemas.
inline constexpr const char* baseUri = "http://brisvale.example/Schemas/Soa/2006-03/Base";
inline constexpr const char* dataManagement0701Uri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";
inline constexpr const char* structure0701Uri = "http://brisvale.example/Schemas/Cad/2007-01/StructureManagement";
inline constexpr const char* structure0706Uri = "http://brisvale.example/Schemas/Cad/2007-06/StructureManagement";

// A model object with only its uid set.
inline Schemas::Soa::_2006_03::Base::ModelObject modelObject(const std::string& uid)
{
    Schemas::Soa::_2006_03::Base::ModelObject object;
    object.setUid(uid);
    return object;
}

// A model object with its uid, class name and type set.
inline Schemas::Soa::_2006_03::Base::ModelObject modelObject(const std::string& uid, const std::string& className,
                                                             const std::string& type)
{
    Schemas::Soa::_2006_03::Base::ModelObject object = modelObject(uid);
    object.setClassName(className);
    object.setType(type);
    return object;
}

// Writes hand-written documents whose root is sm:<root>, "sm" bound to one
// schema's namespace and "b" to the base schema; the attributes, when given,
// start with a space.
class PrefixedDocument
{
public:
    explicit PrefixedDocument(std::string uri) : uri_(std::move(uri)) {}

    std::string operator()(const std::string& root, const std::string& body, const std::string& attributes = "") const
    {
        return "<sm:" + root + attributes + " xmlns:sm='" + uri_ + "' xmlns:b='" + baseUri + "'>" + body + "</sm:" +
               root + ">";
    }

private:
    std::string uri_;
};

// What parseFailure returns when the parse throws nothing.
inline const char* const noException = "(no exception)";

// Parses text into a node tree (which must succeed) and the tree into an
// existing message, and returns the message of the DomException that parse
// throws (noException when it throws none); the message keeps whatever the
// parse stored before the failure.
template <class Message>
std::string parseFailure(Message& message, const std::string& text)
{
    std::unique_ptr<Soa::Common::Xml::XMLNode> root = Soa::Common::Xml::parseXmlDocument(text);
    try {
        message.parse(*root);
    } catch (Soa::Common::Exceptions::DomException& failure) {
        return failure.getMessage();
    }
    return noException;
}

// The same for a new default message.
template <class Message>
std::string parseFailure(const std::string& text)
{
    Message message;
    return parseFailure(message, text);
}

// The document compare ignores attribute order; this checks that the given
// attributes appear in the written text in the order listed.
inline ::testing::AssertionResult attributesInOrder(const std::string& text, const std::vector<std::string>& names)
{
    std::string::size_type from = 0;
    for (const std::string& name : names) {
        const std::string::size_type at = text.find(" " + name + "=", from);
        if (at == std::string::npos)
            return ::testing::AssertionFailure() << "\"" << name << "\" missing or out of order in " << text;
        from = at + name.size();
    }
    return ::testing::AssertionSuccess();
}

} // namespace Testing
} // namespace Brisvale

#endif
