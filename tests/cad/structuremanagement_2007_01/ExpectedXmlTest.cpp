// Structure management (2007-01) messages written and read against documents
// written out by hand: BOM windows with their revision rule configuration,
// revision and variant rules, and one-level and all-level expansion.

#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CloseBOMWindowsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CloseBOMWindowsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ConfigureAttrStatusMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSAllLevelsInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSAllLevelsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSAllLevelsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSAllLevelsPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSAllLevelsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSData.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSOneLevelInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSOneLevelInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSOneLevelOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSOneLevelPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSOneLevelResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ExpandPSParentData.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/GetRevisionRulesInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/GetRevisionRulesResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/GetVariantRulesInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/GetVariantRulesResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ItemRevisionToVariantRulesMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/OverrideInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RelationAndTypesFilter.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RevisionRuleConfigInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RevisionRuleEntryProps.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RevisionRuleInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/PropertyValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>
#include <Brisvale/Soa/Common/DateTime.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTestSupport.hpp"
#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Soa::Common::DateTime;
using Brisvale::Soa::Common::Xml::XmlStream;
using namespace Brisvale::Testing;

// A hand-written document whose root is sm:<root>, "sm" bound to structure
// management and "b" to the base schema.
const PrefixedDocument document(structure0701Uri);

// --- CreateBOMWindows and CloseBOMWindows -----------------------------------

TEST(StructureManagement0701Xml, CreateBOMWindowsRequestWritesTheWholeConfiguration)
{
    Sm::RevisionRuleEntryProps props(false, DateTime(2007, 3, 15, 10, 20, 30), 7,
                                     modelObject("end-1"), modelObject("end-rev-1"));
    props.addOverrideFolder(Sm::OverrideInfo(modelObject("entry-1"), modelObject("folder-1")));
    Sm::OverrideInfo secondFolder;
    secondFolder.setRuleEntry(modelObject("entry-2"));
    secondFolder.setFolder(modelObject("folder-2"));
    props.addOverrideFolder(secondFolder);

    const Base::ModelObject itemRev = modelObject("rev-1", "ItemRevision", "Part Revision");
    const Sm::RevisionRuleConfigInfo config("config \"A\" & <B>", modelObject("rule-1"), props);
    const Sm::CreateBOMWindowsInfo configured("window-1", modelObject("item-1"), itemRev,
                                              modelObject("view-1"), config,
                                              modelObject("configure-1"), Base::ModelObject());

    // A default entry still writes every child; only the values without an
    // initial value are set.
    Sm::CreateBOMWindowsInfo plain;
    plain.getRevRuleConfigInfo().getProps().setToday(true);
    plain.getRevRuleConfigInfo().getProps().setDate(DateTime(2000, 2, 29, 0, 0, 0));
    plain.getRevRuleConfigInfo().getProps().setUnitNo(-1);

    Sm::CreateBOMWindowsInput request;
    request.addInfo(configured);
    request.addInfo(plain);

    XmlStream stream;
    request.outputXML(stream, "CreateBOMWindows");

    EXPECT_TRUE(sameXml(stream.str(), document("CreateBOMWindows", R"(
        <sm:info clientId="window-1">
          <sm:item uid="item-1"/>
          <sm:itemRev uid="rev-1" className="ItemRevision" type="Part Revision"/>
          <sm:bomView uid="view-1"/>
          <sm:revRuleConfigInfo clientId="config &quot;A&quot; &amp; &lt;B&gt;">
            <sm:revRule uid="rule-1"/>
            <sm:props today="false" date="2007-03-15T10:20:30" unitNo="7">
              <sm:endItem uid="end-1"/>
              <sm:endItemRevision uid="end-rev-1"/>
              <sm:overrideFolders>
                <sm:ruleEntry uid="entry-1"/>
                <sm:folder uid="folder-1"/>
              </sm:overrideFolders>
              <sm:overrideFolders>
                <sm:ruleEntry uid="entry-2"/>
                <sm:folder uid="folder-2"/>
              </sm:overrideFolders>
            </sm:props>
          </sm:revRuleConfigInfo>
          <sm:objectForConfigure uid="configure-1"/>
          <sm:activeAssemblyArrangement uid=""/>
        </sm:info>
        <sm:info clientId="">
          <sm:item uid=""/>
          <sm:itemRev uid=""/>
          <sm:bomView uid=""/>
          <sm:revRuleConfigInfo clientId="">
            <sm:revRule uid=""/>
            <sm:props today="true" date="2000-02-29T00:00:00" unitNo="-1">
              <sm:endItem uid=""/>
              <sm:endItemRevision uid=""/>
            </sm:props>
          </sm:revRuleConfigInfo>
          <sm:objectForConfigure uid=""/>
          <sm:activeAssemblyArrangement uid=""/>
        </sm:info>)")));
}

TEST(StructureManagement0701Xml, CreateBOMWindowsRequestReadsDateAndChildrenInAnyOrder)
{
    const Sm::CreateBOMWindowsInput request = readXml<Sm::CreateBOMWindowsInput>(document("Request", R"(
        <sm:info clientId="w&amp;1">
          <sm:activeAssemblyArrangement uid="arrangement"/>
          <sm:revRuleConfigInfo clientId="c1">
            <sm:props today="true" date="1999-12-31T23:59:59" unitNo="-4">
              <sm:overrideFolders><sm:ruleEntry uid="e1"/><sm:folder uid="f1"/></sm:overrideFolders>
              <sm:endItem uid="end"/>
              <sm:overrideFolders><sm:folder uid="f2"/></sm:overrideFolders>
            </sm:props>
            <sm:revRule uid="rule"/>
          </sm:revRuleConfigInfo>
          <sm:item uid="first"/>
          <sm:item uid="second"/>
        </sm:info>)"));

    ASSERT_EQ(request.getInfoArray().size(), 1u);
    const Sm::CreateBOMWindowsInfo& info = request.getInfoArray()[0];
    EXPECT_EQ(info.getClientId(), "w&1");
    EXPECT_EQ(info.getItem().getUid(), "second");
    EXPECT_EQ(info.getActiveAssemblyArrangement().getUid(), "arrangement");
    EXPECT_EQ(info.getBomView().getUid(), "");
    EXPECT_EQ(info.getRevRuleConfigInfo().getClientId(), "c1");
    EXPECT_EQ(info.getRevRuleConfigInfo().getRevRule().getUid(), "rule");

    const Sm::RevisionRuleEntryProps& props = info.getRevRuleConfigInfo().getProps();
    EXPECT_TRUE(props.getToday());
    EXPECT_EQ(props.getUnitNo(), -4);
    const DateTime date = props.getDate();
    EXPECT_TRUE(date == DateTime(1999, 12, 31, 23, 59, 59));
    EXPECT_EQ(date.year(), 1999);
    EXPECT_EQ(date.second(), 59);
    EXPECT_EQ(props.getEndItem().getUid(), "end");
    ASSERT_EQ(props.getOverrideFolderArray().size(), 2u);
    EXPECT_EQ(props.getOverrideFolderArray()[0].getRuleEntry().getUid(), "e1");
    EXPECT_EQ(props.getOverrideFolderArray()[0].getFolder().getUid(), "f1");
    EXPECT_EQ(props.getOverrideFolderArray()[1].getRuleEntry().getUid(), "");
    EXPECT_EQ(props.getOverrideFolderArray()[1].getFolder().getUid(), "f2");
}

TEST(StructureManagement0701Xml, DateIsHeldByValue)
{
    Sm::RevisionRuleEntryProps props;
    props.setDate(DateTime(2010, 1, 2, 3, 4, 5));
    DateTime copy = props.getDate();
    copy = DateTime(2020, 6, 7, 8, 9, 10);
    EXPECT_TRUE(props.getDate() == DateTime(2010, 1, 2, 3, 4, 5));
    props.setDate(copy);
    EXPECT_TRUE(props.getDate() == DateTime(2020, 6, 7, 8, 9, 10));
}

TEST(StructureManagement0701Xml, BOMWindowResponsesEndWithTheirServiceData)
{
    Sm::CreateBOMWindowsResponse created;
    created.addOutput(Sm::CreateBOMWindowsOutput("w1", modelObject("window-1"), modelObject("line-1")));
    created.addOutput(Sm::CreateBOMWindowsOutput());
    EXPECT_TRUE(sameXml(writeXml(created, "Created"), document("Created", R"(
        <sm:output clientId="w1"><sm:bomWindow uid="window-1"/><sm:bomLine uid="line-1"/></sm:output>
        <sm:output clientId=""><sm:bomWindow uid=""/><sm:bomLine uid=""/></sm:output>
        <b:ServiceData/>)")));

    EXPECT_TRUE(sameXml(writeXml(Sm::CreateBOMWindowsResponse(), "Created"),
                        document("Created", "<b:ServiceData/>")));
    EXPECT_TRUE(sameXml(writeXml(Sm::CloseBOMWindowsResponse(), "Closed"),
                        document("Closed", "<b:ServiceData/>")));
}

TEST(StructureManagement0701Xml, CloseBOMWindowsRequestWritesOnePluralElementPerWindow)
{
    Sm::CloseBOMWindowsInput request;
    EXPECT_TRUE(sameXml(writeXml(request, "Close"), document("Close", "")));

    request.addBomWindow(modelObject("w3"));
    request.addBomWindow(modelObject("w1"));
    request.addBomWindow(modelObject("w2"));
    EXPECT_TRUE(sameXml(writeXml(request, "Close"), document("Close", R"(
        <sm:bomWindows uid="w3"/><sm:bomWindows uid="w1"/><sm:bomWindows uid="w2"/>)")));

    EXPECT_EQ(parseFailure<Sm::CloseBOMWindowsInput>(document("Close", "<sm:bomWindow uid='x'/>")),
              "Unexpected node name: bomWindow");
}

// --- GetRevisionRules ----------------------------------------------------------

TEST(StructureManagement0701Xml, FieldlessRevisionRulesRequestIsOneSelfClosingElement)
{
    const std::string text = writeXml(Sm::GetRevisionRulesInput(), "GetRevisionRules");
    EXPECT_TRUE(sameXml(text, std::string("<sm:GetRevisionRules xmlns:sm='") + structure0701Uri + "'/>"));
    EXPECT_EQ(text.find("</"), std::string::npos) << text;

    // Its parse reads nothing: attributes and children are ignored.
    EXPECT_NO_THROW(readXml<Sm::GetRevisionRulesInput>(
        document("GetRevisionRules", "<sm:anything at='1'><sm:deeper/></sm:anything>")));
}

TEST(StructureManagement0701Xml, RevisionRulesResponseWritesStatusesBeforeOverrideFolders)
{
    Sm::RevisionRuleInfo rule(modelObject("rule-1"));
    rule.addOverrideFolder(Sm::OverrideInfo(modelObject("entry-1"), modelObject("folder-1")));
    rule.addHasValueStatu(Sm::ConfigureAttrStatusMap("date", true));
    rule.addHasValueStatu(Sm::ConfigureAttrStatusMap("", false));

    Sm::GetRevisionRulesResponse response;
    response.addOutput(rule);
    response.addOutput(Sm::RevisionRuleInfo(modelObject("rule-2")));

    const std::string text = writeXml(response, "Rules");
    EXPECT_TRUE(sameXml(text, document("Rules", R"(
        <sm:output>
          <sm:revRule uid="rule-1"/>
          <sm:hasValueStatus key="date" value="true"/>
          <sm:hasValueStatus key="" value="false"/>
          <sm:overrideFolders><sm:ruleEntry uid="entry-1"/><sm:folder uid="folder-1"/></sm:overrideFolders>
        </sm:output>
        <sm:output>
          <sm:revRule uid="rule-2"/>
        </sm:output>
        <b:ServiceData/>)")));
    // The status map entries are leaves: their elements close themselves.
    EXPECT_EQ(text.find("hasValueStatus>"), std::string::npos) << text;
}

TEST(StructureManagement0701Xml, RevisionRulesResponseReadsInterleavedArrays)
{
    const std::string text = document("Rules", R"(
        <sm:output>
          <sm:overrideFolders><sm:ruleEntry uid="entry-1"/><sm:folder uid="folder-1"/></sm:overrideFolders>
          <sm:hasValueStatus key="unitNo" value="false"><sm:ignored/></sm:hasValueStatus>
          <sm:revRule uid="rule-1"/>
          <sm:overrideFolders><sm:ruleEntry uid="entry-2"/><sm:folder uid="folder-2"/></sm:overrideFolders>
          <sm:hasValueStatus key="endItem" value="true"/>
        </sm:output>
        <b:ServiceData>
          <b:partialErrors clientId="rule-1"><b:errorValues code="214001" level="3" message="stale"/></b:partialErrors>
        </b:ServiceData>)");
    const Sm::GetRevisionRulesResponse response = readXml<Sm::GetRevisionRulesResponse>(text);

    ASSERT_EQ(response.getOutputArray().size(), 1u);
    const Sm::RevisionRuleInfo& rule = response.getOutputArray()[0];
    EXPECT_EQ(rule.getRevRule().getUid(), "rule-1");
    ASSERT_EQ(rule.getHasValueStatuArray().size(), 2u);
    EXPECT_EQ(rule.getHasValueStatuArray()[0].getKey(), "unitNo");
    EXPECT_FALSE(rule.getHasValueStatuArray()[0].getValue());
    EXPECT_EQ(rule.getHasValueStatuArray()[1].getKey(), "endItem");
    EXPECT_TRUE(rule.getHasValueStatuArray()[1].getValue());
    ASSERT_EQ(rule.getOverrideFolderArray().size(), 2u);
    EXPECT_EQ(rule.getOverrideFolderArray()[1].getFolder().getUid(), "folder-2");
    ASSERT_EQ(response.getServiceData().getPartialErrorArray().size(), 1u);
    EXPECT_EQ(response.getServiceData().getPartialErrorArray()[0].getErrorValueArray()[0].getCode(), 214001);

    // Written back, every status comes before every override folder.
    EXPECT_TRUE(sameXml(writeXml(response, "Rules"), document("Rules", R"(
        <sm:output>
          <sm:revRule uid="rule-1"/>
          <sm:hasValueStatus key="unitNo" value="false"/>
          <sm:hasValueStatus key="endItem" value="true"/>
          <sm:overrideFolders><sm:ruleEntry uid="entry-1"/><sm:folder uid="folder-1"/></sm:overrideFolders>
          <sm:overrideFolders><sm:ruleEntry uid="entry-2"/><sm:folder uid="folder-2"/></sm:overrideFolders>
        </sm:output>
        <b:ServiceData>
          <b:partialErrors clientId="rule-1"><b:errorValues code="214001" level="3" message="stale"/></b:partialErrors>
        </b:ServiceData>)")));

    // Only the XML name counts, never the accessor stem.
    EXPECT_EQ(parseFailure<Sm::GetRevisionRulesResponse>(
                  document("Rules", "<sm:output><sm:hasValueStatu key='k' value='true'/></sm:output>")),
              "Unexpected node name: hasValueStatu");
}

// --- GetVariantRules -------------------------------------------------------------

TEST(StructureManagement0701Xml, VariantRulesMessagesWriteTheMapKeyAsAnElement)
{
    Sm::GetVariantRulesInput request;
    request.addItemRev(modelObject("rev-2"));
    request.addItemRev(modelObject("rev-1"));
    EXPECT_TRUE(sameXml(writeXml(request, "VariantRules"), document("VariantRules", R"(
        <sm:itemRevs uid="rev-2"/><sm:itemRevs uid="rev-1"/>)")));

    Sm::ItemRevisionToVariantRulesMap withRules(modelObject("rev-2"));
    withRules.addValue(modelObject("rule-a"));
    withRules.addValue(modelObject("rule-b"));
    Sm::GetVariantRulesResponse response;
    response.addInputItemRevToVarRule(withRules);
    response.addInputItemRevToVarRule(Sm::ItemRevisionToVariantRulesMap(modelObject("rev-1")));
    EXPECT_TRUE(sameXml(writeXml(response, "VariantRules"), document("VariantRules", R"(
        <sm:inputItemRevToVarRules>
          <sm:key uid="rev-2"/>
          <sm:value uid="rule-a"/>
          <sm:value uid="rule-b"/>
        </sm:inputItemRevToVarRules>
        <sm:inputItemRevToVarRules>
          <sm:key uid="rev-1"/>
        </sm:inputItemRevToVarRules>
        <b:ServiceData/>)")));
}

TEST(StructureManagement0701Xml, VariantRulesResponseReadsServiceDataFirstAndOneKeyPerEntry)
{
    const Sm::GetVariantRulesResponse response = readXml<Sm::GetVariantRulesResponse>(document("VariantRules", R"(
        <b:ServiceData/>
        <sm:inputItemRevToVarRules>
          <sm:value uid="rule-a"/>
          <sm:key uid="first-key"/>
          <sm:value uid="rule-b"/>
          <sm:key uid="second-key"/>
        </sm:inputItemRevToVarRules>)"));

    ASSERT_EQ(response.getInputItemRevToVarRuleArray().size(), 1u);
    const Sm::ItemRevisionToVariantRulesMap& entry = response.getInputItemRevToVarRuleArray()[0];
    EXPECT_EQ(entry.getKey().getUid(), "second-key");
    ASSERT_EQ(entry.getValueArray().size(), 2u);
    EXPECT_EQ(entry.getValueArray()[0].getUid(), "rule-a");
    EXPECT_EQ(entry.getValueArray()[1].getUid(), "rule-b");
}

// --- ExpandPSOneLevel and ExpandPSAllLevels ------------------------------------

// The expected request of both expansion operations, with the relation name
// changed after the filter was added to the preferences.
std::string expectedExpansionRequest()
{
    return document("Expand", R"(
        <sm:input excludeFilter="suppressed">
          <sm:parentBomLines uid="line-1"/>
          <sm:parentBomLines uid="line-2"/>
        </sm:input>
        <sm:pref expItemRev="true">
          <sm:info relationName="attachments">
            <sm:relationTypeNames>Drawing &lt;2D&gt;</sm:relationTypeNames>
            <sm:relationTypeNames>A&amp;B</sm:relationTypeNames>
          </sm:info>
          <sm:info relationName=""/>
        </sm:pref>)");
}

std::string expectedExpansionResponse()
{
    return document("Expand", R"(
        <sm:output>
          <sm:parent>
            <sm:bomLine uid="top"/>
            <sm:itemRevOfBOMLine uid="top-rev"/>
            <sm:parentDatasets uid="top-dataset"/>
          </sm:parent>
          <sm:children>
            <sm:bomLine uid="child-1"/>
            <sm:itemRevOfBOMLine uid="child-1-rev"/>
            <sm:datasets uid="dataset-1"/>
            <sm:datasets uid="dataset-2"/>
          </sm:children>
          <sm:children>
            <sm:bomLine uid="child-2"/>
            <sm:itemRevOfBOMLine uid=""/>
          </sm:children>
        </sm:output>
        <sm:output>
          <sm:parent><sm:bomLine uid=""/><sm:itemRevOfBOMLine uid=""/></sm:parent>
        </sm:output>
        <b:ServiceData/>)");
}

TEST(StructureManagement0701Xml, BothExpansionRequestsWriteTheSameDocument)
{
    Sm::RelationAndTypesFilter filter("renamed below");
    filter.addRelationTypeName("Drawing <2D>");
    filter.addRelationTypeName("A&B");
    const Sm::RelationAndTypesFilter noTypes;

    Sm::ExpandPSOneLevelInfo oneLevelInfo("suppressed");
    oneLevelInfo.addParentBomLine(modelObject("line-1"));
    oneLevelInfo.addParentBomLine(modelObject("line-2"));
    Sm::ExpandPSOneLevelPref oneLevelPref(true);
    oneLevelPref.addInfo(filter);
    oneLevelPref.addInfo(noTypes);
    const Sm::ExpandPSOneLevelInput oneLevel(oneLevelInfo, oneLevelPref);

    Sm::ExpandPSAllLevelsInput allLevels;
    allLevels.getInput().setExcludeFilter("suppressed");
    allLevels.getInput().setParentBomLineArray(oneLevelInfo.getParentBomLineArray());
    allLevels.getPref().setExpItemRev(true);
    allLevels.getPref().addInfo(filter);
    allLevels.getPref().addInfo(noTypes);

    // Both preferences share the filter, so both see the new name.
    filter.setRelationName("attachments");

    const std::string oneLevelText = writeXml(oneLevel, "Expand");
    EXPECT_TRUE(sameXml(oneLevelText, expectedExpansionRequest()));
    EXPECT_TRUE(sameXml(writeXml(allLevels, "Expand"), expectedExpansionRequest()));
    EXPECT_EQ(writeXml(allLevels, "Expand"), oneLevelText);

    Sm::ExpandPSAllLevelsInput defaultAllLevels;
    defaultAllLevels.getPref().setExpItemRev(false);
    EXPECT_TRUE(sameXml(writeXml(defaultAllLevels, "Expand"), document("Expand", R"(
        <sm:input excludeFilter=""/>
        <sm:pref expItemRev="false"/>)")));
}

TEST(StructureManagement0701Xml, BothExpansionResponsesWriteTheSameDocument)
{
    Sm::ExpandPSParentData top(modelObject("top"), modelObject("top-rev"));
    top.addParentDataset(modelObject("top-dataset"));
    Sm::ExpandPSData first(modelObject("child-1"), modelObject("child-1-rev"));
    first.addDataset(modelObject("dataset-1"));
    first.addDataset(modelObject("dataset-2"));
    Sm::ExpandPSData second;
    second.setBomLine(modelObject("child-2"));

    Sm::ExpandPSOneLevelOutput oneLevelOutput(top);
    oneLevelOutput.addChildren(first);
    oneLevelOutput.addChildren(second);
    Sm::ExpandPSOneLevelResponse oneLevel;
    oneLevel.addOutput(oneLevelOutput);
    oneLevel.addOutput(Sm::ExpandPSOneLevelOutput());

    Sm::ExpandPSAllLevelsOutput allLevelsOutput(top);
    allLevelsOutput.setChildrenArray(oneLevelOutput.getChildrenArray());
    Sm::ExpandPSAllLevelsResponse allLevels;
    allLevels.addOutput(allLevelsOutput);
    allLevels.addOutput(Sm::ExpandPSAllLevelsOutput());

    const std::string oneLevelText = writeXml(oneLevel, "Expand");
    EXPECT_TRUE(sameXml(oneLevelText, expectedExpansionResponse()));
    EXPECT_EQ(writeXml(allLevels, "Expand"), oneLevelText);
}

// A multi-level structure flattened into one output per expanded line, with
// children before parents, a property-carrying bom line and a partial error.
std::string deepExpansionText()
{
    return std::string("<Expand xmlns='") + structure0701Uri + "' xmlns:b='" + baseUri + "'>" + R"(
        <output>
          <children>
            <datasets uid="asm-drawing"/>
            <bomLine uid="asm-line"/>
            <itemRevOfBOMLine uid="asm-rev"/>
            <datasets uid="asm-model"/>
          </children>
          <children><bomLine uid="bolt-line"/><itemRevOfBOMLine uid="bolt-rev"/></children>
          <parent>
            <bomLine uid="top-line" className="BOMLine" type="Line">
              <b:properties name="title" uiValue="Top &amp; tail" modifiable="false">
                <b:values value="Top &amp; tail"/>
              </b:properties>
            </bomLine>
            <itemRevOfBOMLine uid="top-rev"/>
            <parentDatasets uid="top-sheet"/>
          </parent>
        </output>
        <output>
          <parent><bomLine uid="asm-line"/><itemRevOfBOMLine uid="asm-rev"/></parent>
          <children><bomLine uid="plate-line"/><itemRevOfBOMLine uid="plate-rev"/><datasets uid="plate-model"/></children>
          <children><bomLine uid="nut-line"/><itemRevOfBOMLine uid="nut-rev"/></children>
        </output>
        <output>
          <parent><bomLine uid="plate-line"/><itemRevOfBOMLine uid="plate-rev"/><parentDatasets uid="plate-model"/></parent>
        </output>
        <b:ServiceData>
          <b:partialErrors clientIndex="2"><b:errorValues code="46002" level="1"/></b:partialErrors>
        </b:ServiceData>
    </Expand>)";
}

template <class Response>
void expectDeepExpansion(const Response& response)
{
    ASSERT_EQ(response.getOutputArray().size(), 3u);

    const auto& top = response.getOutputArray()[0];
    EXPECT_EQ(top.getParent().getBomLine().getUid(), "top-line");
    EXPECT_EQ(top.getParent().getBomLine().getClassName(), "BOMLine");
    ASSERT_EQ(top.getParent().getBomLine().getPropertieArray().size(), 1u);
    const Base::Property& title = top.getParent().getBomLine().getPropertieArray()[0];
    EXPECT_EQ(title.getUiValue(), "Top & tail");
    ASSERT_EQ(title.getValueArray().size(), 1u);
    EXPECT_EQ(title.getValueArray()[0].getValue(), "Top & tail");
    EXPECT_EQ(top.getParent().getItemRevOfBOMLine().getUid(), "top-rev");
    ASSERT_EQ(top.getParent().getParentDatasetArray().size(), 1u);
    EXPECT_EQ(top.getParent().getParentDatasetArray()[0].getUid(), "top-sheet");
    ASSERT_EQ(top.getChildrenArray().size(), 2u);
    EXPECT_EQ(top.getChildrenArray()[0].getBomLine().getUid(), "asm-line");
    EXPECT_EQ(top.getChildrenArray()[0].getItemRevOfBOMLine().getUid(), "asm-rev");
    ASSERT_EQ(top.getChildrenArray()[0].getDatasetArray().size(), 2u);
    EXPECT_EQ(top.getChildrenArray()[0].getDatasetArray()[0].getUid(), "asm-drawing");
    EXPECT_EQ(top.getChildrenArray()[0].getDatasetArray()[1].getUid(), "asm-model");
    EXPECT_EQ(top.getChildrenArray()[1].getBomLine().getUid(), "bolt-line");
    EXPECT_TRUE(top.getChildrenArray()[1].getDatasetArray().empty());

    const auto& assembly = response.getOutputArray()[1];
    EXPECT_EQ(assembly.getParent().getBomLine().getUid(), "asm-line");
    EXPECT_TRUE(assembly.getParent().getParentDatasetArray().empty());
    ASSERT_EQ(assembly.getChildrenArray().size(), 2u);
    EXPECT_EQ(assembly.getChildrenArray()[0].getDatasetArray()[0].getUid(), "plate-model");
    EXPECT_EQ(assembly.getChildrenArray()[1].getItemRevOfBOMLine().getUid(), "nut-rev");

    const auto& plate = response.getOutputArray()[2];
    EXPECT_EQ(plate.getParent().getBomLine().getUid(), "plate-line");
    EXPECT_TRUE(plate.getChildrenArray().empty());

    ASSERT_EQ(response.getServiceData().getPartialErrorArray().size(), 1u);
    const Base::ErrorStack& error = response.getServiceData().getPartialErrorArray()[0];
    EXPECT_EQ(error.getClientIndex(), 2);
    ASSERT_EQ(error.getErrorValueArray().size(), 1u);
    EXPECT_EQ(error.getErrorValueArray()[0].getCode(), 46002);
}

TEST(StructureManagement0701Xml, DeepAllLevelsResponseReadsFromHandWrittenText)
{
    const Sm::ExpandPSAllLevelsResponse allLevels = readXml<Sm::ExpandPSAllLevelsResponse>(deepExpansionText());
    expectDeepExpansion(allLevels);

    // The one-level twin reads the same tree to the same values and writes it
    // back to the same text.
    const Sm::ExpandPSOneLevelResponse oneLevel = readXml<Sm::ExpandPSOneLevelResponse>(deepExpansionText());
    expectDeepExpansion(oneLevel);
    EXPECT_EQ(writeXml(allLevels, "Expand"), writeXml(oneLevel, "Expand"));
}

TEST(StructureManagement0701Xml, ExpansionEntriesAcceptOnlyTheirOwnNames)
{
    EXPECT_EQ(parseFailure<Sm::ExpandPSAllLevelsResponse>(document("Expand", R"(
        <sm:output><sm:children><sm:itemRevOfBomLine uid="x"/></sm:children></sm:output>)")),
              "Unexpected node name: itemRevOfBomLine");
    EXPECT_EQ(parseFailure<Sm::ExpandPSOneLevelResponse>(document("Expand", R"(
        <sm:output><sm:parent><sm:datasets uid="x"/></sm:parent></sm:output>)")),
              "Unexpected node name: datasets");
    EXPECT_EQ(parseFailure<Sm::ExpandPSAllLevelsResponse>(document("Expand", R"(
        <sm:output><sm:children><sm:parentDatasets uid="x"/></sm:children></sm:output>)")),
              "Unexpected node name: parentDatasets");
}

} // namespace
