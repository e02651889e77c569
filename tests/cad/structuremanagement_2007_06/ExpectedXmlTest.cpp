// Structure management (2007-06) configured item revision messages written
// and read against documents written out by hand.

#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_06/Structuremanagement/GetConfiguredItemRevisionInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_06/Structuremanagement/GetConfiguredItemRevisionInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_06/Structuremanagement/GetConfiguredItemRevisionOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_06/Structuremanagement/GetConfiguredItemRevisionResponse.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTestSupport.hpp"
#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
namespace Sm = Brisvale::Schemas::Cad::_2007_06::Structuremanagement;
using Brisvale::Soa::Common::Xml::XmlStream;
using namespace Brisvale::Testing;

// A hand-written document whose root is sm:<root>, "sm" being the 2007-06
// structure management namespace and "b" the base schema.
const PrefixedDocument document(structure0706Uri);

TEST(StructureManagement0706Xml, RequestWritesOneInputsElementPerEntry)
{
    const Base::ModelObject rule = modelObject("rule-latest");
    Sm::GetConfiguredItemRevisionInput request;
    XmlStream emptyStream;
    request.outputXML(emptyStream, "Configure");
    EXPECT_TRUE(sameXml(emptyStream.str(), document("Configure", "")));

    request.addInput(Sm::GetConfiguredItemRevisionInfo(modelObject("item-1"), rule));
    Sm::GetConfiguredItemRevisionInfo second;
    second.setObject(modelObject("item-2"));
    second.setRevRule(rule);
    request.addInput(second);

    XmlStream stream;
    request.outputXML(stream, "Configure");
    EXPECT_TRUE(sameXml(stream.str(), document("Configure", R"(
        <sm:inputs><sm:object uid="item-1"/><sm:revRule uid="rule-latest"/></sm:inputs>
        <sm:inputs><sm:object uid="item-2"/><sm:revRule uid="rule-latest"/></sm:inputs>)")));
}

TEST(StructureManagement0706Xml, ResponseWritesEveryChildInTheNewerNamespace)
{
    // Nothing set: the output still writes its info with both objects.
    EXPECT_TRUE(sameXml(writeXml(Sm::GetConfiguredItemRevisionOutput(), "Output"), document("Output", R"(
        <sm:inputInfo><sm:object uid=""/><sm:revRule uid=""/></sm:inputInfo>
        <sm:configuredItemRev uid=""/>)")));

    Sm::GetConfiguredItemRevisionResponse response;
    EXPECT_TRUE(sameXml(writeXml(response, "Configured"), document("Configured", "<b:ServiceData/>")));

    response.addOutput(Sm::GetConfiguredItemRevisionOutput(
        Sm::GetConfiguredItemRevisionInfo(modelObject("item-1"), modelObject("rule-1")),
        modelObject("item-1-rev-B")));
    EXPECT_TRUE(sameXml(writeXml(response, "Configured"), document("Configured", R"(
        <sm:output>
          <sm:inputInfo><sm:object uid="item-1"/><sm:revRule uid="rule-1"/></sm:inputInfo>
          <sm:configuredItemRev uid="item-1-rev-B"/>
        </sm:output>
        <b:ServiceData/>)")));
}

TEST(StructureManagement0706Xml, ResponseReadsFromHandWrittenText)
{
    const Sm::GetConfiguredItemRevisionResponse response =
        readXml<Sm::GetConfiguredItemRevisionResponse>(document("Configured", R"(
        <sm:output>
          <sm:configuredItemRev uid="rev-A" className="ItemRevision"/>
          <sm:inputInfo><sm:revRule uid="rule-1"/><sm:object uid="item-1"/></sm:inputInfo>
        </sm:output>
        <sm:output>
          <sm:inputInfo><sm:object uid="item-2"/></sm:inputInfo>
        </sm:output>
        <b:ServiceData><b:plainObjs uid="rev-A"/></b:ServiceData>)"));

    ASSERT_EQ(response.getOutputArray().size(), 2u);
    const Sm::GetConfiguredItemRevisionOutput& first = response.getOutputArray()[0];
    EXPECT_EQ(first.getInputInfo().getObject().getUid(), "item-1");
    EXPECT_EQ(first.getInputInfo().getRevRule().getUid(), "rule-1");
    EXPECT_EQ(first.getConfiguredItemRev().getUid(), "rev-A");
    EXPECT_EQ(first.getConfiguredItemRev().getClassName(), "ItemRevision");
    const Sm::GetConfiguredItemRevisionOutput& second = response.getOutputArray()[1];
    EXPECT_EQ(second.getInputInfo().getObject().getUid(), "item-2");
    EXPECT_EQ(second.getInputInfo().getRevRule().getUid(), "");
    EXPECT_EQ(second.getConfiguredItemRev().getUid(), "");
    EXPECT_EQ(response.getServiceData().getPlainObjArray().size(), 1u);
}

TEST(StructureManagement0706Xml, ParsingAnOutputFillsTheInfoItShares)
{
    const Sm::GetConfiguredItemRevisionInfo asked(modelObject("before"), modelObject("before"));
    Sm::GetConfiguredItemRevisionInput request;
    request.addInput(asked);
    Sm::GetConfiguredItemRevisionOutput output;
    output.setInputInfo(asked);

    output.parse(*Brisvale::Soa::Common::Xml::parseXmlDocument(document("output", R"(
        <sm:inputInfo><sm:object uid="item-9"/><sm:revRule uid="rule-9"/></sm:inputInfo>)")));
    EXPECT_EQ(request.getInputArray()[0].getObject().getUid(), "item-9");
    EXPECT_EQ(request.getInputArray()[0].getRevRule().getUid(), "rule-9");
}

TEST(StructureManagement0706Xml, RequestAcceptsOnlyThePluralName)
{
    EXPECT_EQ(parseFailure<Sm::GetConfiguredItemRevisionInput>(document("Configure", "<sm:input/>")),
              "Unexpected node name: input");
}

} // namespace
