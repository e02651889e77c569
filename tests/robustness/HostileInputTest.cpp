// Input that once broke the library, read through generated message types:
// numbers that do not convert, long names, underflow; and text that once
// cost a reader time out of all proportion to its size.

#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccDataInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

using namespace Brisvale::Soa::Common;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Schemas::Soa::_2006_03::Base::ErrorStack;

template <class Message>
Message read(const std::string& text)
{
    Message message;
    message.parse(*Xml::parseXmlDocument(text));
    return message;
}

// The message of what reading the text raises.
template <class Message>
std::string failure(const std::string& text)
{
    try {
        read<Message>(text);
    } catch (const Xml::BadLexicalCast& error) {
        return error.what();
    } catch (Exceptions::DomException& error) {
        return error.getMessage();
    }
    return "(no exception)";
}

// What lexical_cast itself raises for the text.
template <class Target>
std::string castFailure(const std::string& text)
{
    try {
        Xml::lexical_cast<Target>(text);
    } catch (const Xml::BadLexicalCast& error) {
        return error.what();
    }
    return "(no exception)";
}

TEST(HostileInput, ANumberThatDoesNotConvertReachesTheCallerAsTheConversionRaisedIt)
{
    EXPECT_EQ(failure<ErrorStack>("<s><errorValues code='12ab' level='1'/></s>"), castFailure<int>("12ab"));
    EXPECT_EQ(failure<Sm::AbsOccDataInfo>("<o asRequired='maybe'/>"), castFailure<bool>("maybe"));
    EXPECT_EQ(failure<Sm::AbsOccDataInfo>("<o asRequired='0'><occTransform>1,5</occTransform></o>"),
              castFailure<double>("1,5"));
    EXPECT_NE(castFailure<double>("1,5").find("\"1,5\""), std::string::npos);
}

TEST(HostileInput, AnUnexpectedNameIsGivenWholeInTheMessage)
{
    const std::string name = std::string(127, 'n') + "\xC3\xBC" + std::string(40000, 'n');
    EXPECT_EQ(failure<ErrorStack>("<s><" + name + "/></s>"), "Unexpected node name: " + name);
    EXPECT_EQ(failure<Sm::AbsOccDataInfo>("<o asRequired='0'><" + name + "/></o>"), "Unexpected node name: " + name);
}

TEST(HostileInput, DoublesTooSmallForADoubleReadAsTheNearestOne)
{
    const auto occurrence = read<Sm::AbsOccDataInfo>(
        "<o asRequired='0'><occTransform>1e-400</occTransform><occTransform>-0.0000001e-317</occTransform>"
        "<occTransform>2.4703282292062328e-324</occTransform></o>");
    EXPECT_EQ(occurrence.getOccTransformArray(), std::vector<double>({0.0, -0.0, 5e-324}));
    EXPECT_TRUE(std::signbit(occurrence.getOccTransformArray().at(1)));
}

// A thousand nested elements, each declaring a hundred prefixes of its own
// and carrying 155 attributes in the root's (4.4 MB). A reader that kept
// every declaration in scope would look each of these prefixes up among up
// to 100,000 of them: some ten billion steps, where the same bytes laid flat
// take a few million. Both readers refuse the third element, before they
// read on.
std::string nestedDeclarations()
{
    std::string text;
    for (int depth = 0; depth < 1000; ++depth) {
        text += "<e";
        for (int i = 0; i < 100; ++i)
            text += " xmlns:p" + std::to_string(depth) + "_" + std::to_string(i) + "='urn:n'";
        for (int i = 0; i < 155; ++i)
            text += " p0_" + std::to_string(i % 100) + ":a" + std::to_string(i) + "='v'";
        text += ">";
    }
    for (int depth = 0; depth < 1000; ++depth)
        text += "</e>";
    return text;
}

TEST(HostileInput, DeclarationsPilingUpInScopeAreRefusedByBothReaders)
{
    using Reader = std::unique_ptr<Xml::XMLNode> (*)(const char*, std::size_t);
    const std::string text = nestedDeclarations();
    const std::size_t third = text.find("<e", text.find("<e", 1) + 1);
    const std::size_t fourth = text.find("<e", third + 1);
    for (const Reader reader : {Reader(Xml::parseXmlDocument), Reader(Xml::parseXmlDocumentWithXerces)}) {
        try {
            reader(text.data(), text.size());
            ADD_FAILURE() << "read";
        } catch (Exceptions::DomException& error) {
            const std::string message = error.getMessage();
            EXPECT_NE(message.find("namespace declarations in scope"), std::string::npos) << message;
            // On the third element's tag, or just past it.
            const std::size_t offset = std::stoul(message.substr(message.find("column ") + 7)) - 1;
            EXPECT_GT(offset, third) << message;
            EXPECT_LE(offset, fourth) << message;
        }
    }
}
