// Writes and reads the DataManagement relation, expansion and attribute
// mapping messages against documents written out by hand, element by
// element, so that a wrong name, form or order in a schema file shows up
// here rather than only in the generated round trips.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MessageTestSupport.hpp"
#include "XmlTestSupport.hpp"

#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttrMappingInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdateRelationsInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdateRelationsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdateRelationsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdateRelationsPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdateRelationsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFolderForCADPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFoldersForCADInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFoldersForCADItemOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFoldersForCADItemRevOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFoldersForCADOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandFoldersForCADResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandGRMRelationsData.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandGRMRelationsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandGRMRelationsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandGRMRelationsPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandGRMRelationsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandPrimaryObjectsData.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandPrimaryObjectsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandPrimaryObjectsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandPrimaryObjectsPref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExpandPrimaryObjectsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAllAttrMappingsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAllAttrMappingsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAttrMappingsForDatasetTypeCriteria.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAttrMappingsForDatasetTypeInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAttrMappingsForDatasetTypeOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAttrMappingsForDatasetTypeResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/MappedDatasetAttrProperty.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PropDescriptor.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/RelationAndTypesFilter2.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ResolveAttrMappingsForDatasetInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ResolveAttrMappingsForDatasetInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ResolveAttrMappingsForDatasetOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ResolveAttrMappingsForDatasetResponse.hpp>

namespace {

using namespace Brisvale::Schemas::Cad::_2007_01::Datamanagement;
using Brisvale::Schemas::Soa::_2006_03::Base::ModelObject;
using Brisvale::Schemas::Soa::_2006_03::Base::RefId;
using Brisvale::Schemas::Soa::_2006_03::Base::ServiceData;
using Brisvale::Soa::Common::Xml::XmlStream;
using namespace Brisvale::Testing;

// The relation filter used by the requests below: three type names, one of
// them with characters that must be escaped, one empty.
RelationAndTypesFilter2 describesFilter()
{
    RelationAndTypesFilter2 filter("Describes & <more>");
    filter.addObjectTypeName("CadModel");
    filter.addObjectTypeName("a<b & \"c\"");
    filter.addObjectTypeName("");
    return filter;
}

const char* const describesFilterXml = R"(
    <info relationName="Describes &amp; &lt;more&gt;">
      <objectTypeNames>CadModel</objectTypeNames>
      <objectTypeNames>a&lt;b &amp; "c"</objectTypeNames>
      <objectTypeNames></objectTypeNames>
    </info>)";

// ---------------------------------------------------------------------------
// CreateOrUpdateRelations

TEST(RelationsAndMappingsXml, CreateOrUpdateRelationsRequestWithInfosAndFilters)
{
    CreateOrUpdateRelationsPref pref;
    pref.addInfo(describesFilter());
    pref.addInfo(RelationAndTypesFilter2());  // no type names: start and end tag only

    // Objects set in an order unlike the written one.
    CreateOrUpdateRelationsInfo relation;
    relation.setUserData(modelObject("user-1"));
    relation.setRelation(modelObject("rel-1"));
    relation.setSecondaryObject(modelObject("ds-1"));
    relation.setPrimaryObject(modelObject("rev-1"));
    relation.setRelationType("Describes");
    relation.setClientId("c-1");

    CreateOrUpdateRelationsInput request(true, pref);
    request.addInfo(relation);
    request.addInfo(CreateOrUpdateRelationsInfo());  // four default objects, empty strings

    const std::string expected = std::string(R"(
<Relations xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement" complete="true">
  <info clientId="c-1" relationType="Describes">
    <primaryObject uid="rev-1"/>
    <secondaryObject uid="ds-1"/>
    <relation uid="rel-1"/>
    <userData uid="user-1"/>
  </info>
  <info clientId="" relationType="">
    <primaryObject uid=""/>
    <secondaryObject uid=""/>
    <relation uid=""/>
    <userData uid=""/>
  </info>
  <pref>)") + describesFilterXml + R"(
    <info relationName=""/>
  </pref>
</Relations>)";
    EXPECT_TRUE(sameXml(writeXml(request, "Relations"), expected));
}

TEST(RelationsAndMappingsXml, EmptyRelationsRequestStillWritesFlagAndPreference)
{
    CreateOrUpdateRelationsInput request;
    request.setComplete(false);
    const std::string text = writeXml(request, "Relations");
    EXPECT_TRUE(sameXml(text, R"(
<Relations xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement" complete="false">
  <pref/>
</Relations>)"));
    // Neither the request nor its preference is a leaf: both have end tags.
    EXPECT_NE(std::string::npos, text.find("pref>")) << text;
    EXPECT_NE(std::string::npos, text.find("Relations>")) << text;
}

TEST(RelationsAndMappingsXml, CreateOrUpdateRelationsResponseWritesServiceDataLast)
{
    CreateOrUpdateRelationsResponse response;
    response.addOutput(CreateOrUpdateRelationsOutput("c-1", modelObject("rel-1")));
    response.addOutput(CreateOrUpdateRelationsOutput("", ModelObject()));

    EXPECT_TRUE(sameXml(writeXml(response, "RelationsResponse"), R"(
<RelationsResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                   xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output clientId="c-1"><relation uid="rel-1"/></output>
  <output clientId=""><relation uid=""/></output>
  <base:ServiceData/>
</RelationsResponse>)"));
}

// One filter object shared by the four preferences that hold filters is
// written as the same "info" element by each, with the changes made to it
// after it was added.
TEST(RelationsAndMappingsXml, OneFilterSharedByTheFourPreferences)
{
    RelationAndTypesFilter2 filter("Reference");

    CreateOrUpdateRelationsPref relationsPref;
    ExpandFolderForCADPref folderPref(false, 0);
    ExpandGRMRelationsPref grmPref(false);
    ExpandPrimaryObjectsPref primaryPref(true);
    relationsPref.addInfo(filter);
    folderPref.addInfo(filter);
    grmPref.addInfo(filter);
    primaryPref.addInfo(filter);
    filter.addObjectTypeName("Text");

    const std::string ns = std::string("xmlns='") + dataManagement0701Uri + "'";
    const std::string info = "<info relationName='Reference'><objectTypeNames>Text</objectTypeNames></info>";
    EXPECT_TRUE(sameXml(writeXml(relationsPref, "pref"), "<pref " + ns + ">" + info + "</pref>"));
    EXPECT_TRUE(sameXml(writeXml(folderPref, "pref"),
                        "<pref " + ns + " expItemRev='false' latestNRevs='0'>" + info + "</pref>"));
    EXPECT_TRUE(sameXml(writeXml(grmPref, "pref"), "<pref " + ns + " expItemRev='false'>" + info + "</pref>"));
    EXPECT_TRUE(sameXml(writeXml(primaryPref, "pref"), "<pref " + ns + " expItemRev='true'>" + info + "</pref>"));
}

// ---------------------------------------------------------------------------
// ExpandFoldersForCAD

TEST(RelationsAndMappingsXml, ExpandFoldersForCADRequestSharesItsPreference)
{
    ExpandFolderForCADPref pref(true, 3);
    ExpandFoldersForCADInput request(pref);
    request.addFolder(modelObject("folder-1"));
    request.addFolder(modelObject("folder-2"));
    // Changed after the request was built: the request holds the same object.
    pref.setLatestNRevs(-2);
    pref.addInfo(describesFilter());

    const std::string expected = std::string(R"(
<ExpandFolders xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <folders uid="folder-1"/>
  <folders uid="folder-2"/>
  <pref expItemRev="true" latestNRevs="-2">)") + describesFilterXml + R"(
  </pref>
</ExpandFolders>)";
    EXPECT_TRUE(sameXml(writeXml(request, "ExpandFolders"), expected));
}

TEST(RelationsAndMappingsXml, ExpandFoldersForCADResponseNestsItemRevisionOutputsAtTwoLevels)
{
    ExpandFoldersForCADItemRevOutput revisionA(modelObject("rev-A"));
    revisionA.addOutputDataset(modelObject("ds-1"));
    revisionA.addOutputDataset(modelObject("ds-2"));

    ExpandFoldersForCADItemOutput item(modelObject("item-1"));
    item.addItemRevsOutput(revisionA);

    // Arrays filled in reverse of the written order.
    ExpandFoldersForCADOutput output(modelObject("folder-1"));
    output.addItemRevsOutput(ExpandFoldersForCADItemRevOutput(modelObject("rev-loose")));
    output.addItemsOutput(item);
    output.addFstlvlFolder(modelObject("sub-1"));
    output.addFstlvlFolder(modelObject("sub-2"));

    ExpandFoldersForCADResponse response;
    response.addOutput(output);
    response.addOutput(ExpandFoldersForCADOutput());

    EXPECT_TRUE(sameXml(writeXml(response, "ExpandFoldersResponse"), R"(
<ExpandFoldersResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                       xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output>
    <inputFolder uid="folder-1"/>
    <fstlvlFolders uid="sub-1"/>
    <fstlvlFolders uid="sub-2"/>
    <itemsOutput>
      <outputItem uid="item-1"/>
      <itemRevsOutput>
        <outputItemRevs uid="rev-A"/>
        <outputDatasets uid="ds-1"/>
        <outputDatasets uid="ds-2"/>
      </itemRevsOutput>
    </itemsOutput>
    <itemRevsOutput>
      <outputItemRevs uid="rev-loose"/>
    </itemRevsOutput>
  </output>
  <output>
    <inputFolder uid=""/>
  </output>
  <base:ServiceData/>
</ExpandFoldersResponse>)"));
}

TEST(RelationsAndMappingsParse, ExpandFoldersForCADResponseFromHandWrittenText)
{
    // The result block first; item-revision outputs of the entry and of its
    // item interleaved with the other arrays; "outputItemRevs" twice, parsed
    // into the one object it names.
    const std::string text = R"(
<d:Answer xmlns:d="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
          xmlns:b="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <b:ServiceData><b:plainObjs uid="folder-1"/></b:ServiceData>
  <d:output>
    <d:itemRevsOutput>
      <d:outputDatasets uid="ds-9"/>
      <d:outputItemRevs uid="rev-first"/>
      <d:outputItemRevs uid="rev-loose" className="ItemRevision"/>
    </d:itemRevsOutput>
    <d:itemsOutput>
      <d:itemRevsOutput><d:outputItemRevs uid="rev-A"/></d:itemRevsOutput>
      <d:outputItem uid="item-1"/>
      <d:itemRevsOutput><d:outputItemRevs uid="rev-B"/></d:itemRevsOutput>
    </d:itemsOutput>
    <d:fstlvlFolders uid="sub-1"/>
    <d:inputFolder uid="folder-1"/>
  </d:output>
</d:Answer>)";

    const ExpandFoldersForCADResponse response = readXml<ExpandFoldersForCADResponse>(text);
    ASSERT_EQ(1u, response.getServiceData().getPlainObjArray().size());
    ASSERT_EQ(1u, response.getOutputArray().size());

    const ExpandFoldersForCADOutput& output = response.getOutputArray()[0];
    EXPECT_EQ("folder-1", output.getInputFolder().getUid());
    ASSERT_EQ(1u, output.getFstlvlFolderArray().size());
    EXPECT_EQ("sub-1", output.getFstlvlFolderArray()[0].getUid());

    ASSERT_EQ(1u, output.getItemRevsOutputArray().size());
    const ExpandFoldersForCADItemRevOutput& loose = output.getItemRevsOutputArray()[0];
    EXPECT_EQ("rev-loose", loose.getOutputItemRevs().getUid());
    EXPECT_EQ("ItemRevision", loose.getOutputItemRevs().getClassName());
    ASSERT_EQ(1u, loose.getOutputDatasetArray().size());
    EXPECT_EQ("ds-9", loose.getOutputDatasetArray()[0].getUid());

    ASSERT_EQ(1u, output.getItemsOutputArray().size());
    const ExpandFoldersForCADItemOutput& item = output.getItemsOutputArray()[0];
    EXPECT_EQ("item-1", item.getOutputItem().getUid());
    ASSERT_EQ(2u, item.getItemRevsOutputArray().size());
    EXPECT_EQ("rev-A", item.getItemRevsOutputArray()[0].getOutputItemRevs().getUid());
    EXPECT_EQ("rev-B", item.getItemRevsOutputArray()[1].getOutputItemRevs().getUid());
}

// ---------------------------------------------------------------------------
// ExpandGRMRelations and ExpandPrimaryObjects: the same shape, two type sets

TEST(RelationsAndMappingsXml, ExpandGRMRelationsRequestAndResponse)
{
    ExpandGRMRelationsInput request(ExpandGRMRelationsPref(true));
    request.getPref().addInfo(RelationAndTypesFilter2("Manifestation"));
    request.addObject(modelObject("rev-1"));

    EXPECT_TRUE(sameXml(writeXml(request, "Expand"), R"(
<Expand xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <objects uid="rev-1"/>
  <pref expItemRev="true"><info relationName="Manifestation"/></pref>
</Expand>)"));

    ExpandGRMRelationsData data("Describes");
    data.addOtherSideObject(modelObject("ds-1"));
    data.addOtherSideObject(modelObject("ds-2"));
    ExpandGRMRelationsOutput output(modelObject("rev-1"));
    output.addOtherSideObjData(data);
    output.addOtherSideObjData(ExpandGRMRelationsData("a&b"));
    ExpandGRMRelationsResponse response;
    response.addOutput(output);

    EXPECT_TRUE(sameXml(writeXml(response, "ExpandResponse"), R"(
<ExpandResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output>
    <inputObject uid="rev-1"/>
    <otherSideObjData relationName="Describes">
      <otherSideObjects uid="ds-1"/>
      <otherSideObjects uid="ds-2"/>
    </otherSideObjData>
    <otherSideObjData relationName="a&amp;b"/>
  </output>
  <base:ServiceData/>
</ExpandResponse>)"));
}

TEST(RelationsAndMappingsParse, ExpandPrimaryObjectsResponseAndItsRejectedNames)
{
    const std::string text = R"(
<Answer xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <output>
    <otherSideObjData relationName="Describes">
      <otherSideObjects uid="item-1"/>
    </otherSideObjData>
    <inputObject uid="ds-1"/>
  </output>
</Answer>)";
    const ExpandPrimaryObjectsResponse response = readXml<ExpandPrimaryObjectsResponse>(text);
    ASSERT_EQ(1u, response.getOutputArray().size());
    const ExpandPrimaryObjectsOutput& output = response.getOutputArray()[0];
    EXPECT_EQ("ds-1", output.getInputObject().getUid());
    ASSERT_EQ(1u, output.getOtherSideObjDataArray().size());
    EXPECT_EQ("Describes", output.getOtherSideObjDataArray()[0].getRelationName());
    ASSERT_EQ(1u, output.getOtherSideObjDataArray()[0].getOtherSideObjectArray().size());

    // The data entry's array one level too high, and the singular of the
    // request's array: both rejected; a failing entry is not appended.
    ExpandPrimaryObjectsResponse misplaced;
    EXPECT_EQ("Unexpected node name: otherSideObjects",
              parseFailure(misplaced, "<Answer><output><otherSideObjects uid='x'/></output></Answer>"));
    EXPECT_TRUE(misplaced.getOutputArray().empty());

    ExpandPrimaryObjectsInput singular;
    EXPECT_EQ("Unexpected node name: object",
              parseFailure(singular, "<Input><objects uid='a'/><object uid='b'/></Input>"));
    EXPECT_EQ(1u, singular.getObjectArray().size());
}

// ---------------------------------------------------------------------------
// Attribute mappings

TEST(RelationsAndMappingsXml, FieldlessAttrMappingsRequestIsOneSelfClosingElement)
{
    const std::string text = writeXml(GetAllAttrMappingsInput(), "GetAllAttrMappings");
    EXPECT_TRUE(sameXml(text, R"(<GetAllAttrMappings xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"/>)"));
    EXPECT_EQ(std::string::npos, text.find("</")) << text;

    // Its parse reads nothing and rejects nothing.
    EXPECT_NO_THROW(readXml<GetAllAttrMappingsInput>("<GetAllAttrMappings a='1'><anything><deeper/></anything></GetAllAttrMappings>"));
}

TEST(RelationsAndMappingsXml, AllAttrMappingsResponseWithDefaultAndFullDescriptors)
{
    // A default descriptor: the five flags start false; the ints have no
    // defined start value, so they are set here.
    PropDescriptor defaults;
    defaults.setPropType(0);
    defaults.setMaxLength(0);
    defaults.setAttachedSpecifier(0);
    defaults.setPropValueType(0);

    // Every value lands in the field of its position; only isRequired is true.
    PropDescriptor full(1, 2, false, true, "object_name", false, 3, false, "<none>", "Name & Title", false, 4,
                        modelObject("lov-1"));
    full.addInterdependentProp("item_id");
    full.addInterdependentProp("a<b");

    GetAllAttrMappingsResponse response;
    response.addAttrMappingInfo(AttrMappingInfo(modelObject("map-1"), full));
    response.addAttrMappingInfo(AttrMappingInfo(modelObject("map-2"), defaults));

    EXPECT_TRUE(sameXml(writeXml(response, "Mappings"), R"(
<Mappings xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
          xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <attrMappingInfos>
    <cadAttrMappingDefinition uid="map-1"/>
    <propDesc propType="1" maxLength="2" isDisplayable="false" isRequired="true" propName="object_name"
              isArray="false" attachedSpecifier="3" isModifiable="false" defaultValue="&lt;none&gt;"
              displayName="Name &amp; Title" isEnabled="false" propValueType="4">
      <lov uid="lov-1"/>
      <interdependentProps>item_id</interdependentProps>
      <interdependentProps>a&lt;b</interdependentProps>
    </propDesc>
  </attrMappingInfos>
  <attrMappingInfos>
    <cadAttrMappingDefinition uid="map-2"/>
    <propDesc propType="0" maxLength="0" isDisplayable="false" isRequired="false" propName=""
              isArray="false" attachedSpecifier="0" isModifiable="false" defaultValue=""
              displayName="" isEnabled="false" propValueType="0">
      <lov uid=""/>
    </propDesc>
  </attrMappingInfos>
  <base:ServiceData/>
</Mappings>)"));
}

TEST(RelationsAndMappingsXml, DescriptorWritesItsTwelveAttributesInFieldOrder)
{
    const PropDescriptor descriptor(1, 2, true, false, "n", true, 3, false, "d", "D", true, 4, ModelObject());
    EXPECT_TRUE(attributesInOrder(writeXml(descriptor, "propDesc"),
                                  {"propType", "maxLength", "isDisplayable", "isRequired", "propName", "isArray",
                                   "attachedSpecifier", "isModifiable", "defaultValue", "displayName", "isEnabled",
                                   "propValueType"}));

    const MappedDatasetAttrProperty property("p", "i", "d", "t", ModelObject());
    EXPECT_TRUE(attributesInOrder(writeXml(property, "mappedProperties"),
                                  {"resolvedPropertyName", "itemTypeName", "datasetTypeName", "attrTitle"}));
}

TEST(RelationsAndMappingsParse, AllAttrMappingsResponseFromHandWrittenText)
{
    // Result block first, descriptor before the definition, text array
    // before "lov", escaped and empty strings.
    const std::string text = R"(
<m:Answer xmlns:m="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
          xmlns:b="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <b:ServiceData><b:updatedObjs uid="map-1"/></b:ServiceData>
  <m:attrMappingInfos>
    <m:propDesc propType="7" maxLength="32" isDisplayable="true" isRequired="false" propName="p&amp;q"
                isArray="true" attachedSpecifier="-1" isModifiable="false" defaultValue="" displayName="P"
                isEnabled="true" propValueType="8">
      <m:interdependentProps>x &lt; y</m:interdependentProps>
      <m:interdependentProps></m:interdependentProps>
      <m:lov uid="lov-1"/>
    </m:propDesc>
    <m:cadAttrMappingDefinition uid="map-1"/>
  </m:attrMappingInfos>
</m:Answer>)";

    const GetAllAttrMappingsResponse response = readXml<GetAllAttrMappingsResponse>(text);
    ASSERT_EQ(1u, response.getServiceData().getUpdatedObjArray().size());
    ASSERT_EQ(1u, response.getAttrMappingInfoArray().size());
    const AttrMappingInfo& mapping = response.getAttrMappingInfoArray()[0];
    EXPECT_EQ("map-1", mapping.getCadAttrMappingDefinition().getUid());

    const PropDescriptor& descriptor = mapping.getPropDesc();
    EXPECT_EQ(7, descriptor.getPropType());
    EXPECT_EQ(32, descriptor.getMaxLength());
    EXPECT_TRUE(descriptor.getIsDisplayable());
    EXPECT_FALSE(descriptor.getIsRequired());
    EXPECT_EQ("p&q", descriptor.getPropName());
    EXPECT_TRUE(descriptor.getIsArray());
    EXPECT_EQ(-1, descriptor.getAttachedSpecifier());
    EXPECT_FALSE(descriptor.getIsModifiable());
    EXPECT_EQ("", descriptor.getDefaultValue());
    EXPECT_EQ("P", descriptor.getDisplayName());
    EXPECT_TRUE(descriptor.getIsEnabled());
    EXPECT_EQ(8, descriptor.getPropValueType());
    EXPECT_EQ("lov-1", descriptor.getLov().getUid());
    EXPECT_EQ((std::vector<std::string>{"x < y", ""}), descriptor.getInterdependentPropArray());

    // The singular of the entry name is no field of the response.
    GetAllAttrMappingsResponse singular;
    EXPECT_EQ("Unexpected node name: attrMappingInfo",
              parseFailure(singular, "<Answer><attrMappingInfo/></Answer>"));
}

TEST(RelationsAndMappingsXml, DatasetTypeCriteriaCloseThemselvesUnderBothNames)
{
    GetAttrMappingsForDatasetTypeInput request;
    request.addInfo(GetAttrMappingsForDatasetTypeCriteria("Item", true, "CadModel"));
    request.addInfo(GetAttrMappingsForDatasetTypeCriteria("", false, "Text"));

    EXPECT_TRUE(sameXml(writeXml(request, "ForDatasetType"), R"(
<ForDatasetType xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <info itemTypeName="Item" exact="true" datasetTypeName="CadModel"/>
  <info itemTypeName="" exact="false" datasetTypeName="Text"/>
</ForDatasetType>)"));

    PropDescriptor descriptor(5, 6, true, true, "n", true, 7, true, "d", "D", true, 8, modelObject("lov"));
    GetAttrMappingsForDatasetTypeOutput output(GetAttrMappingsForDatasetTypeCriteria("Item", false, "CadPart"));
    output.addAttrMappingInfo(AttrMappingInfo(modelObject("map-1"), descriptor));
    GetAttrMappingsForDatasetTypeResponse response;
    response.addOutput(output);

    const std::string text = writeXml(response, "ForDatasetTypeResponse");
    EXPECT_TRUE(sameXml(text, R"(
<ForDatasetTypeResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                        xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output>
    <criteria itemTypeName="Item" exact="false" datasetTypeName="CadPart"/>
    <attrMappingInfos>
      <cadAttrMappingDefinition uid="map-1"/>
      <propDesc propType="5" maxLength="6" isDisplayable="true" isRequired="true" propName="n"
                isArray="true" attachedSpecifier="7" isModifiable="true" defaultValue="d"
                displayName="D" isEnabled="true" propValueType="8">
        <lov uid="lov"/>
      </propDesc>
    </attrMappingInfos>
  </output>
  <base:ServiceData/>
</ForDatasetTypeResponse>)"));
    EXPECT_EQ(std::string::npos, text.find("criteria>")) << text;

    // A criteria element ignores children; the request's entries are "info".
    GetAttrMappingsForDatasetTypeOutput read = readXml<GetAttrMappingsForDatasetTypeOutput>(
        "<o><criteria itemTypeName='I' exact='true' datasetTypeName='D'><stray/></criteria></o>");
    EXPECT_TRUE(read.getCriteria().getExact());
    EXPECT_EQ("D", read.getCriteria().getDatasetTypeName());
    GetAttrMappingsForDatasetTypeInput misnamed;
    EXPECT_EQ("Unexpected node name: criteria",
              parseFailure(misnamed, "<i><criteria itemTypeName='I' exact='true' datasetTypeName='D'/></i>"));
}

TEST(RelationsAndMappingsXml, ResolveAttrMappingsForDatasetRequestAndResponse)
{
    ResolveAttrMappingsForDatasetInfo info(modelObject("ds-1"), modelObject("rev-1"));
    info.addCadAttrMappingDefinition(modelObject("map-1"));
    info.addCadAttrMappingDefinition(modelObject("map-2"));
    ResolveAttrMappingsForDatasetInput request;
    request.addInfo(info);

    EXPECT_TRUE(sameXml(writeXml(request, "Resolve"), R"(
<Resolve xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <info>
    <dataset uid="ds-1"/>
    <itemRev uid="rev-1"/>
    <cadAttrMappingDefinitions uid="map-1"/>
    <cadAttrMappingDefinitions uid="map-2"/>
  </info>
</Resolve>)"));

    ResolveAttrMappingsForDatasetOutput output(modelObject("ds-1"));
    output.addMappedPropertie(MappedDatasetAttrProperty("object_desc", "Item", "CadModel", "Description",
                                                        modelObject("rev-1")));
    output.addMappedPropertie(MappedDatasetAttrProperty());
    ResolveAttrMappingsForDatasetResponse response;
    response.addOutput(output);

    EXPECT_TRUE(sameXml(writeXml(response, "ResolveResponse"), R"(
<ResolveResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                 xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output>
    <dataset uid="ds-1"/>
    <mappedProperties resolvedPropertyName="object_desc" itemTypeName="Item" datasetTypeName="CadModel"
                      attrTitle="Description">
      <resolvedObject uid="rev-1"/>
    </mappedProperties>
    <mappedProperties resolvedPropertyName="" itemTypeName="" datasetTypeName="" attrTitle="">
      <resolvedObject uid=""/>
    </mappedProperties>
  </output>
  <base:ServiceData/>
</ResolveResponse>)"));
}

// ---------------------------------------------------------------------------
// Relation filters read back

TEST(RelationsAndMappingsParse, RelationsRequestReadsFiltersInDocumentOrder)
{
    // "pref" before and after an "info", twice: both parse into the one
    // preference, whose filters keep document order.
    const std::string text = R"(
<Relations xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement" complete="true">
  <pref>
    <info relationName="r&amp;1">
      <objectTypeNames>A &amp; B</objectTypeNames>
      <objectTypeNames></objectTypeNames>
      <objectTypeNames>&lt;C&gt;</objectTypeNames>
    </info>
  </pref>
  <info clientId="c-1" relationType="Reference">
    <userData uid="u"/>
    <primaryObject uid="p"/>
  </info>
  <pref><info relationName="r2"/></pref>
</Relations>)";
    const CreateOrUpdateRelationsInput request = readXml<CreateOrUpdateRelationsInput>(text);
    EXPECT_TRUE(request.getComplete());
    ASSERT_EQ(1u, request.getInfoArray().size());
    EXPECT_EQ("Reference", request.getInfoArray()[0].getRelationType());
    EXPECT_EQ("p", request.getInfoArray()[0].getPrimaryObject().getUid());
    EXPECT_EQ("u", request.getInfoArray()[0].getUserData().getUid());

    const std::vector<RelationAndTypesFilter2>& filters = request.getPref().getInfoArray();
    ASSERT_EQ(2u, filters.size());
    EXPECT_EQ("r&1", filters[0].getRelationName());
    EXPECT_EQ((std::vector<std::string>{"A & B", "", "<C>"}), filters[0].getObjectTypeNameArray());
    EXPECT_EQ("r2", filters[1].getRelationName());
    EXPECT_TRUE(filters[1].getObjectTypeNameArray().empty());

    // The singular of the text array's name is rejected; the names read
    // before it stay in the filter.
    RelationAndTypesFilter2 filter;
    EXPECT_EQ("Unexpected node name: objectTypeName",
              parseFailure(filter, "<f relationName='r'><objectTypeNames>A</objectTypeNames>"
                                     "<objectTypeName>B</objectTypeName></f>"));
    EXPECT_EQ((std::vector<std::string>{"A"}), filter.getObjectTypeNameArray());
}

} // namespace
