// Writes and reads the DataManagement part, alternate-id and available-types
// messages against documents written out by hand, element by element, so
// that a wrong name, form or order in a schema file shows up here.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MessageTestSupport.hpp"
#include "XmlTestSupport.hpp"

#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ClassToTypesMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CommitDatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileTicketInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExtraObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ExtraObjectOutput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsProperties.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAvailableTypesInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAvailableTypesResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/IndexToAltId.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemRevInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/NamedReferenceObjectInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/PartInfo.hpp>

namespace {

using namespace Brisvale::Schemas::Cad::_2007_01::Datamanagement;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::XmlStream;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using namespace Brisvale::Testing;

// ---------------------------------------------------------------------------
// CreateOrUpdateParts request

TEST(DatamanagementExpectedXml, CreateOrUpdatePartsRequestWithItemDatasetAndFiles)
{
    ExtraObjectInfo masterForm("xo-1", "ItemMaster", "MasterForm", modelObject("form-1", "Form", "ItemMaster"));
    masterForm.addAttrNameValuePair(AttributeInfo("user_data_1", "blue"));

    // Filled in an order unlike the written one: the item's folder goes
    // after its two arrays, attributes before extra objects.
    ItemInfo item;
    item.setFolder(modelObject("folder-7"));
    item.addExtraObject(masterForm);
    item.addAttrList(AttributeInfo("material", "Al 6061"));
    item.setItem(modelObject("item-1", "Item", "Item"));
    item.setItemId("000123");
    item.setName("Bracket");
    item.setDescription("Bracket & <plate> \"B\"");
    item.setItemType("Item");
    item.addAttrList(AttributeInfo("finish", ""));

    ItemRevInfo revision("A", modelObject("rev-1"));
    revision.addAttrList(AttributeInfo("object_name", "Rev A"));

    DatasetFileInfo modelFile;  // "isText" left at its default
    modelFile.setClientId("file-1");
    modelFile.setAllowReplace(true);
    modelFile.setNamedReferencedName("CadPart");
    modelFile.setFileName("bracket.prt");

    NamedReferenceObjectInfo namedReference("nr-1", "ImanFile", "CadPart-ATTR", modelObject("file-obj-1"));
    namedReference.addAttrNameValuePair(AttributeInfo("ref", "1"));

    DatasetInfo dataset("ds-1", true, "bracket-model", "", "CadPart", "Describes", "CadModel", "1",
                        "Model of the bracket", modelObject(""));
    dataset.addNamedReferenceObjectInfo(namedReference);
    dataset.addDatasetFileInfo(modelFile);
    dataset.addDatasetFileInfo(DatasetFileInfo("file-2", false, "Text", true, "notes.txt"));
    dataset.addMappingAttribute(AttributeInfo("part_number", "000123"));
    dataset.addAttrList(AttributeInfo("object_desc", "main model"));
    dataset.addExtraObject(ExtraObjectInfo("xo-2", "Form", "Reference", modelObject("form-2")));

    PartInfo part("part-1", item, revision);
    part.addDatasetInput(dataset);

    PartInfo emptyPart;
    emptyPart.setClientId("part-2");

    CreateOrUpdatePartsInput request;
    request.addInfo(part);
    request.addInfo(emptyPart);

    XmlStream stream;
    request.outputXML(stream, "CreateOrUpdatePartsInput");

    const std::string expected = R"(
<CreateOrUpdatePartsInput xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <info clientId="part-1">
    <itemInput name="Bracket" description="Bracket &amp; &lt;plate&gt; &quot;B&quot;" itemType="Item" itemId="000123">
      <item uid="item-1" className="Item" type="Item"/>
      <attrList name="material" value="Al 6061"/>
      <attrList name="finish" value=""/>
      <extraObject clientId="xo-1" typeName="ItemMaster" relationTypeName="MasterForm">
        <object uid="form-1" className="Form" type="ItemMaster"/>
        <attrNameValuePairs name="user_data_1" value="blue"/>
      </extraObject>
      <folder uid="folder-7"/>
    </itemInput>
    <itemRevInput revId="A">
      <itemRevision uid="rev-1"/>
      <attrList name="object_name" value="Rev A"/>
    </itemRevInput>
    <datasetInput clientId="ds-1" createNewVersion="true" name="bracket-model" id=""
                  namedReferencePreference="CadPart" itemRevRelationName="Describes"
                  type="CadModel" datasetRev="1" description="Model of the bracket">
      <dataset uid=""/>
      <attrList name="object_desc" value="main model"/>
      <mappingAttributes name="part_number" value="000123"/>
      <extraObject clientId="xo-2" typeName="Form" relationTypeName="Reference">
        <object uid="form-2"/>
      </extraObject>
      <datasetFileInfos clientId="file-1" allowReplace="true" namedReferencedName="CadPart" isText="false" fileName="bracket.prt"/>
      <datasetFileInfos clientId="file-2" allowReplace="false" namedReferencedName="Text" isText="true" fileName="notes.txt"/>
      <namedReferenceObjectInfos clientId="nr-1" typeName="ImanFile" namedReferenceName="CadPart-ATTR">
        <object uid="file-obj-1"/>
        <attrNameValuePairs name="ref" value="1"/>
      </namedReferenceObjectInfos>
    </datasetInput>
  </info>
  <info clientId="part-2">
    <itemInput name="" description="" itemType="" itemId="">
      <item uid=""/>
      <folder uid=""/>
    </itemInput>
    <itemRevInput revId="">
      <itemRevision uid=""/>
    </itemRevInput>
  </info>
</CreateOrUpdatePartsInput>)";
    EXPECT_TRUE(sameXml(stream.str(), expected));
}

TEST(DatamanagementExpectedXml, EmptyRequestIsNotSelfClosing)
{
    const std::string text = writeXml(CreateOrUpdatePartsInput(), "Request");
    EXPECT_TRUE(sameXml(text, R"(<Request xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"/>)"));
    EXPECT_NE(std::string::npos, text.find("Request>")) << text;
}

// ---------------------------------------------------------------------------
// CreateOrUpdateParts response

TEST(DatamanagementExpectedXml, CreateOrUpdatePartsResponseWithCommitInfoAndTickets)
{
    DatasetFileTicketInfo modelTicket("ticket-1", DatasetFileInfo("file-1", true, "CadPart", false, "bracket.prt"));
    DatasetFileTicketInfo textTicket;
    textTicket.setTicket("ticket-2");
    textTicket.getDatasetFileInfo().setAllowReplace(false);
    textTicket.getDatasetFileInfo().setIsText(true);
    textTicket.getDatasetFileInfo().setFileName("notes.txt");

    CommitDatasetFileInfo commit(true, modelObject("ds-uid", "Dataset", "CadModel"));
    commit.addDatasetFileTicketInfo(modelTicket);
    commit.addDatasetFileTicketInfo(textTicket);

    // One extra object held by two arrays is written once per array, and a
    // change made after it was added shows in both.
    ExtraObjectOutput sharedForm("xo-0", modelObject("form-1"));

    DatasetOutput datasetOutput("ds-1", modelObject("ds-uid"));
    datasetOutput.addNamedRefObj(ExtraObjectOutput("nr-1", modelObject("file-obj-1")));
    datasetOutput.addExtraObj(sharedForm);
    datasetOutput.addCommitInfo(commit);

    CreateOrUpdatePartsOutput output("part-1", modelObject("item-1"), modelObject("rev-1"));
    output.addExtraItemRevObj(ExtraObjectOutput("xo-2", modelObject("form-2")));
    output.addExtraItemObj(sharedForm);
    output.addDatasetOutput(datasetOutput);
    sharedForm.setClientId("xo-1");

    CreateOrUpdatePartsResponse response;
    response.addOutput(output);
    response.addOutput(CreateOrUpdatePartsOutput("part-2", modelObject("item-2"), modelObject("rev-2")));

    const std::string expected = R"(
<CreateOrUpdatePartsResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
                             xmlns:base="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <output clientId="part-1">
    <item uid="item-1"/>
    <itemRev uid="rev-1"/>
    <datasetOutput clientId="ds-1">
      <dataset uid="ds-uid"/>
      <commitInfo createNewVersion="true">
        <dataset uid="ds-uid" className="Dataset" type="CadModel"/>
        <datasetFileTicketInfos ticket="ticket-1">
          <datasetFileInfo clientId="file-1" allowReplace="true" namedReferencedName="CadPart" isText="false" fileName="bracket.prt"/>
        </datasetFileTicketInfos>
        <datasetFileTicketInfos ticket="ticket-2">
          <datasetFileInfo clientId="" allowReplace="false" namedReferencedName="" isText="true" fileName="notes.txt"/>
        </datasetFileTicketInfos>
      </commitInfo>
      <extraObjs clientId="xo-1">
        <object uid="form-1"/>
      </extraObjs>
      <namedRefObjs clientId="nr-1">
        <object uid="file-obj-1"/>
      </namedRefObjs>
    </datasetOutput>
    <extraItemObjs clientId="xo-1">
      <object uid="form-1"/>
    </extraItemObjs>
    <extraItemRevObjs clientId="xo-2">
      <object uid="form-2"/>
    </extraItemRevObjs>
  </output>
  <output clientId="part-2">
    <item uid="item-2"/>
    <itemRev uid="rev-2"/>
  </output>
  <base:ServiceData/>
</CreateOrUpdatePartsResponse>)";
    EXPECT_TRUE(sameXml(writeXml(response, "CreateOrUpdatePartsResponse"), expected));
}

TEST(DatamanagementParse, CreateOrUpdatePartsResponseFromHandWrittenText)
{
    // Children in an order of their own: the result block first, the two
    // extra-object arrays of the dataset interleaved, a stray element inside
    // a file description (which has no children and ignores it).
    const std::string text = R"(
<r:Answer xmlns:r="http://brisvale.example/Schemas/Cad/2007-01/DataManagement"
          xmlns:b="http://brisvale.example/Schemas/Soa/2006-03/Base">
  <b:ServiceData>
    <b:createdObjs uid="item-1"/>
    <b:createdObjs uid="rev-1"/>
  </b:ServiceData>
  <r:output clientId="part-1">
    <r:extraItemObjs clientId="xo-3"><r:object uid="form-3"/></r:extraItemObjs>
    <r:itemRev uid="rev-1"/>
    <r:item uid="item-1" className="Item"/>
    <r:datasetOutput clientId="ds-1">
      <r:extraObjs clientId="xo-1"><r:object uid="form-1"/></r:extraObjs>
      <r:namedRefObjs clientId="nr-1"><r:object uid="file-obj-1"/></r:namedRefObjs>
      <r:extraObjs clientId="xo-2"><r:object uid="form-2"/></r:extraObjs>
      <r:dataset uid="ds-uid"/>
      <r:commitInfo createNewVersion="true">
        <r:dataset uid="ds-uid"/>
        <r:datasetFileTicketInfos ticket="a&amp;b">
          <r:datasetFileInfo clientId="file-1" allowReplace="false" namedReferencedName="CadPart"
                             isText="true" fileName="bracket.prt">
            <r:whatever/>
          </r:datasetFileInfo>
        </r:datasetFileTicketInfos>
        <r:datasetFileTicketInfos ticket="t2">
          <r:datasetFileInfo clientId="file-2" allowReplace="true" namedReferencedName="Text"
                             isText="false" fileName="notes.txt"/>
        </r:datasetFileTicketInfos>
      </r:commitInfo>
    </r:datasetOutput>
  </r:output>
</r:Answer>)";

    const CreateOrUpdatePartsResponse response = readXml<CreateOrUpdatePartsResponse>(text);

    ASSERT_EQ(2u, response.getServiceData().getCreatedObjArray().size());
    EXPECT_EQ("rev-1", response.getServiceData().getCreatedObjArray()[1].getUid());

    ASSERT_EQ(1u, response.getOutputArray().size());
    const CreateOrUpdatePartsOutput& output = response.getOutputArray()[0];
    EXPECT_EQ("part-1", output.getClientId());
    EXPECT_EQ("item-1", output.getItem().getUid());
    EXPECT_EQ("Item", output.getItem().getClassName());
    EXPECT_EQ("rev-1", output.getItemRev().getUid());
    ASSERT_EQ(1u, output.getExtraItemObjArray().size());
    EXPECT_EQ("form-3", output.getExtraItemObjArray()[0].getObject().getUid());
    EXPECT_TRUE(output.getExtraItemRevObjArray().empty());

    ASSERT_EQ(1u, output.getDatasetOutputArray().size());
    const DatasetOutput& datasetOutput = output.getDatasetOutputArray()[0];
    EXPECT_EQ("ds-1", datasetOutput.getClientId());
    EXPECT_EQ("ds-uid", datasetOutput.getDataset().getUid());
    ASSERT_EQ(2u, datasetOutput.getExtraObjArray().size());
    EXPECT_EQ("xo-1", datasetOutput.getExtraObjArray()[0].getClientId());
    EXPECT_EQ("form-2", datasetOutput.getExtraObjArray()[1].getObject().getUid());
    ASSERT_EQ(1u, datasetOutput.getNamedRefObjArray().size());
    EXPECT_EQ("nr-1", datasetOutput.getNamedRefObjArray()[0].getClientId());

    ASSERT_EQ(1u, datasetOutput.getCommitInfoArray().size());
    const CommitDatasetFileInfo& commit = datasetOutput.getCommitInfoArray()[0];
    EXPECT_TRUE(commit.getCreateNewVersion());
    EXPECT_EQ("ds-uid", commit.getDataset().getUid());
    ASSERT_EQ(2u, commit.getDatasetFileTicketInfoArray().size());

    const DatasetFileTicketInfo& first = commit.getDatasetFileTicketInfoArray()[0];
    EXPECT_EQ("a&b", first.getTicket());
    EXPECT_EQ("file-1", first.getDatasetFileInfo().getClientId());
    EXPECT_FALSE(first.getDatasetFileInfo().getAllowReplace());
    EXPECT_EQ("CadPart", first.getDatasetFileInfo().getNamedReferencedName());
    EXPECT_TRUE(first.getDatasetFileInfo().getIsText());
    EXPECT_EQ("bracket.prt", first.getDatasetFileInfo().getFileName());

    const DatasetFileTicketInfo& second = commit.getDatasetFileTicketInfoArray()[1];
    EXPECT_EQ("t2", second.getTicket());
    EXPECT_TRUE(second.getDatasetFileInfo().getAllowReplace());
    EXPECT_FALSE(second.getDatasetFileInfo().getIsText());
}

TEST(DatamanagementParse, CreateOrUpdatePartsRequestFromHandWrittenText)
{
    // The item's folder comes first here, and the dataset's two attribute
    // arrays alternate with the same content: each entry goes to the array
    // its element names.
    const std::string text = R"(
<Request xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <info clientId="part-1">
    <itemRevInput revId="B"><itemRevision uid="rev-2"/></itemRevInput>
    <itemInput name="Bracket" description="a &lt;b&gt; &amp; &quot;c&quot;" itemType="Item" itemId="000123">
      <folder uid="folder-7"/>
      <attrList name="material" value="Al"/>
      <item uid="item-1"/>
      <extraObject clientId="xo-1" typeName="ItemMaster" relationTypeName="MasterForm">
        <attrNameValuePairs name="k1" value="v1"/>
        <object uid="form-1"/>
        <attrNameValuePairs name="k2" value="v2"/>
      </extraObject>
    </itemInput>
    <datasetInput clientId="ds-1" createNewVersion="false" name="n" id="i" namedReferencePreference="p"
                  itemRevRelationName="r" type="t" datasetRev="2" description="d">
      <mappingAttributes name="x" value="1"/>
      <attrList name="x" value="1"/>
      <mappingAttributes name="y" value="2"/>
      <datasetFileInfos clientId="f" allowReplace="true" namedReferencedName="N" isText="true" fileName="a.txt"/>
      <dataset uid="ds-uid"/>
    </datasetInput>
  </info>
</Request>)";

    const CreateOrUpdatePartsInput request = readXml<CreateOrUpdatePartsInput>(text);

    ASSERT_EQ(1u, request.getInfoArray().size());
    const PartInfo& part = request.getInfoArray()[0];
    EXPECT_EQ("part-1", part.getClientId());

    const ItemInfo& item = part.getItemInput();
    EXPECT_EQ("Bracket", item.getName());
    EXPECT_EQ("a <b> & \"c\"", item.getDescription());
    EXPECT_EQ("Item", item.getItemType());
    EXPECT_EQ("000123", item.getItemId());
    EXPECT_EQ("item-1", item.getItem().getUid());
    EXPECT_EQ("folder-7", item.getFolder().getUid());
    ASSERT_EQ(1u, item.getAttrListArray().size());
    EXPECT_EQ("Al", item.getAttrListArray()[0].getValue());
    ASSERT_EQ(1u, item.getExtraObjectArray().size());
    const ExtraObjectInfo& extra = item.getExtraObjectArray()[0];
    EXPECT_EQ("MasterForm", extra.getRelationTypeName());
    EXPECT_EQ("form-1", extra.getObject().getUid());
    ASSERT_EQ(2u, extra.getAttrNameValuePairArray().size());
    EXPECT_EQ("k2", extra.getAttrNameValuePairArray()[1].getName());

    EXPECT_EQ("B", part.getItemRevInput().getRevId());
    EXPECT_EQ("rev-2", part.getItemRevInput().getItemRevision().getUid());

    ASSERT_EQ(1u, part.getDatasetInputArray().size());
    const DatasetInfo& dataset = part.getDatasetInputArray()[0];
    EXPECT_FALSE(dataset.getCreateNewVersion());
    EXPECT_EQ("p", dataset.getNamedReferencePreference());
    EXPECT_EQ("2", dataset.getDatasetRev());
    EXPECT_EQ("ds-uid", dataset.getDataset().getUid());
    ASSERT_EQ(1u, dataset.getAttrListArray().size());
    ASSERT_EQ(2u, dataset.getMappingAttributeArray().size());
    EXPECT_EQ("y", dataset.getMappingAttributeArray()[1].getName());
    ASSERT_EQ(1u, dataset.getDatasetFileInfoArray().size());
    EXPECT_TRUE(dataset.getDatasetFileInfoArray()[0].getIsText());
    EXPECT_EQ("N", dataset.getDatasetFileInfoArray()[0].getNamedReferencedName());
    EXPECT_TRUE(dataset.getNamedReferenceObjectInfoArray().empty());
}

TEST(DatamanagementParse, WrongChildNamesStopTheParseAndKeepWhatCameBefore)
{
    const std::string dm = std::string("xmlns=\"") + dataManagement0701Uri + "\"";

    // "ticket" is an attribute of a ticket entry, never an element of the
    // commit information: the second output entry is not appended.
    CreateOrUpdatePartsResponse response;
    EXPECT_EQ("Unexpected node name: ticket",
              parseFailure(response, "<R " + dm + ">"
                                     "<output clientId=\"ok\"><item uid=\"1\"/></output>"
                                     "<output clientId=\"bad\"><datasetOutput clientId=\"d\">"
                                     "<commitInfo createNewVersion=\"true\"><ticket/></commitInfo>"
                                     "</datasetOutput></output></R>"));
    ASSERT_EQ(1u, response.getOutputArray().size());
    EXPECT_EQ("ok", response.getOutputArray()[0].getClientId());

    // The element carries the plural field name; the accessor stem is no
    // element name.
    ItemInfo item;
    EXPECT_EQ("Unexpected node name: attrNameValuePair",
              parseFailure(item, "<I " + dm + " name=\"n\" description=\"\" itemType=\"\" itemId=\"\">"
                                 "<extraObject clientId=\"x\" typeName=\"\" relationTypeName=\"\">"
                                 "<attrNameValuePair name=\"a\" value=\"b\"/></extraObject></I>"));
    EXPECT_EQ("n", item.getName());
    EXPECT_TRUE(item.getExtraObjectArray().empty());

    // An item revision has no folder, a dataset no singular file entry.
    ItemRevInfo revision;
    EXPECT_EQ("Unexpected node name: folder", parseFailure(revision, "<V " + dm + " revId=\"A\"><folder uid=\"f\"/></V>"));
    DatasetInfo dataset;
    EXPECT_EQ("Unexpected node name: datasetFileInfo",
              parseFailure(dataset, "<D " + dm + " clientId=\"\" createNewVersion=\"true\" name=\"\" id=\"\""
                                    " namedReferencePreference=\"\" itemRevRelationName=\"\" type=\"\""
                                    " datasetRev=\"\" description=\"\"><datasetFileInfo/></D>"));

    // Names are matched with their case; the classes read before stay.
    GetAvailableTypesInput request;
    EXPECT_EQ("Unexpected node name: Classes",
              parseFailure(request, "<Q " + dm + "><classes>Item</classes><Classes>Form</Classes></Q>"));
    EXPECT_EQ(std::vector<std::string>{"Item"}, request.getClasseArray());
}

// ---------------------------------------------------------------------------
// GetAvailableTypes

TEST(DatamanagementExpectedXml, GetAvailableTypesRequestAndResponse)
{
    GetAvailableTypesInput request;
    request.addClasse("Item");
    request.addClasse("Form & <Dataset>");
    EXPECT_TRUE(sameXml(writeXml(request, "GetAvailableTypesInput"), R"(
<GetAvailableTypesInput xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <classes>Item</classes>
  <classes>Form &amp; &lt;Dataset&gt;</classes>
</GetAvailableTypesInput>)"));

    ClassToTypesMap itemTypes("Item");
    itemTypes.addValue("Document");
    itemTypes.addValue("Part \"A\"");
    ClassToTypesMap folderTypes;
    folderTypes.setKey("Folder");

    GetAvailableTypesResponse response;
    response.addInputClassToType(itemTypes);
    response.addInputClassToType(folderTypes);

    const std::string text = writeXml(response, "GetAvailableTypesResponse");
    EXPECT_TRUE(sameXml(text, R"(
<GetAvailableTypesResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <inputClassToTypes key="Item">
    <value>Document</value>
    <value>Part "A"</value>
  </inputClassToTypes>
  <inputClassToTypes key="Folder"/>
  <ServiceData xmlns="http://brisvale.example/Schemas/Soa/2006-03/Base"/>
</GetAvailableTypesResponse>)"));
    // A map entry without values still gets an end tag of its own.
    EXPECT_EQ(std::string::npos, text.find("\"Folder\"/>")) << text;
}

TEST(DatamanagementParse, GetAvailableTypesResponseFromHandWrittenText)
{
    const std::string text = R"(
<t:Types xmlns:t="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <ServiceData xmlns="http://brisvale.example/Schemas/Soa/2006-03/Base"><plainObjs uid="p"/></ServiceData>
  <t:inputClassToTypes key="Item"><t:value>Document</t:value><t:value>A&amp;B</t:value></t:inputClassToTypes>
  <t:inputClassToTypes key="Dataset"></t:inputClassToTypes>
</t:Types>)";

    GetAvailableTypesResponse response;
    std::unique_ptr<XMLNode> root = parseXmlDocument(text);
    response.parse(*root);

    ASSERT_EQ(2u, response.getInputClassToTypeArray().size());
    EXPECT_EQ("Item", response.getInputClassToTypeArray()[0].getKey());
    EXPECT_EQ((std::vector<std::string>{"Document", "A&B"}), response.getInputClassToTypeArray()[0].getValueArray());
    EXPECT_EQ("Dataset", response.getInputClassToTypeArray()[1].getKey());
    EXPECT_TRUE(response.getInputClassToTypeArray()[1].getValueArray().empty());
    ASSERT_EQ(1u, response.getServiceData().getPlainObjArray().size());

    // Nothing is cleared first: a second parse appends.
    response.parse(*root);
    EXPECT_EQ(4u, response.getInputClassToTypeArray().size());
    EXPECT_EQ(2u, response.getServiceData().getPlainObjArray().size());
}

// ---------------------------------------------------------------------------
// GenerateAlternateIds

TEST(DatamanagementExpectedXml, GenerateAlternateIdsRequestAndResponse)
{
    GenerateAlternateIdsProperties wanted("AltId", 3, "BR-###", modelObject("ctx-1", "IdContext", "IdContext"),
                                          modelObject("alt-0"));
    GenerateAlternateIdsProperties blank;
    blank.setCount(-2147483647 - 1);

    GenerateAlternateIdsInput request;
    request.addInput(wanted);
    request.addInput(blank);
    EXPECT_TRUE(sameXml(writeXml(request, "GenerateAlternateIdsInput"), R"(
<GenerateAlternateIdsInput xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <input altIdType="AltId" count="3" pattern="BR-###">
    <idContext uid="ctx-1" className="IdContext" type="IdContext"/>
    <parentAltId uid="alt-0"/>
  </input>
  <input altIdType="" count="-2147483648" pattern="">
    <idContext uid=""/>
    <parentAltId uid=""/>
  </input>
</GenerateAlternateIdsInput>)"));

    IndexToAltId first(0);
    first.addValue("BR-001");
    first.addValue("BR-<2>");
    GenerateAlternateIdsResponse response;
    response.addInputIndexToAltId(first);
    response.addInputIndexToAltId(IndexToAltId(1));
    EXPECT_TRUE(sameXml(writeXml(response, "GenerateAlternateIdsResponse"), R"(
<GenerateAlternateIdsResponse xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <inputIndexToAltId key="0">
    <value>BR-001</value>
    <value>BR-&lt;2&gt;</value>
  </inputIndexToAltId>
  <inputIndexToAltId key="1"/>
  <ServiceData xmlns="http://brisvale.example/Schemas/Soa/2006-03/Base"/>
</GenerateAlternateIdsResponse>)"));
}

TEST(DatamanagementParse, GenerateAlternateIdsMessagesFromHandWrittenText)
{
    const GenerateAlternateIdsInput request = readXml<GenerateAlternateIdsInput>(R"(
<Q xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <input altIdType="AltId" count="12" pattern="P">
    <parentAltId uid="alt-0"/>
    <idContext uid="ctx-1"/>
  </input>
</Q>)");
    ASSERT_EQ(1u, request.getInputArray().size());
    const GenerateAlternateIdsProperties& entry = request.getInputArray()[0];
    EXPECT_EQ("AltId", entry.getAltIdType());
    EXPECT_EQ(12, entry.getCount());
    EXPECT_EQ("P", entry.getPattern());
    EXPECT_EQ("ctx-1", entry.getIdContext().getUid());
    EXPECT_EQ("alt-0", entry.getParentAltId().getUid());

    const GenerateAlternateIdsResponse response = readXml<GenerateAlternateIdsResponse>(R"(
<A xmlns="http://brisvale.example/Schemas/Cad/2007-01/DataManagement">
  <inputIndexToAltId key="-7"><value>X1</value><value> X2 </value></inputIndexToAltId>
  <ServiceData xmlns="http://brisvale.example/Schemas/Soa/2006-03/Base"/>
</A>)");
    ASSERT_EQ(1u, response.getInputIndexToAltIdArray().size());
    EXPECT_EQ(-7, response.getInputIndexToAltIdArray()[0].getKey());
    EXPECT_EQ((std::vector<std::string>{"X1", " X2 "}), response.getInputIndexToAltIdArray()[0].getValueArray());
}

} // namespace
