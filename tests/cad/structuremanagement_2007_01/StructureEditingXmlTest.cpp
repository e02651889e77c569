// Structure editing messages (2007-01 structure management) written and read
// against documents written out by hand: absolute structure with occurrence
// data and assembly arrangements, deleting arrangements, and relative
// structure created, updated and deleted.

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccAttachment.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccDataInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AssemblyArrangementInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AttributesInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ClientIdToAbsOccMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ClientIdToAsmArrMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/ClientIdToPSOccurrenceThreadMap.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructureInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructureInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructurePref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructureResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateRelativeStructureInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateRelativeStructureInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateRelativeStructurePref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateRelativeStructureResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteAssemblyArrangementsInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteAssemblyArrangementsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteAssemblyArrangementsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteRelativeStructureInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteRelativeStructureInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteRelativeStructurePref.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/DeleteRelativeStructureResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/OccNote.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RelOccInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RelativeStructureChildInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

#include "MessageTestSupport.hpp"
#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Soa::Common::Xml::XmlStream;
using namespace Brisvale::Testing;

// A hand-written document whose root is sm:<root> with the given attributes,
// "sm" bound to the structure management namespace and "b" to the base schema.
const PrefixedDocument document(structure0701Uri);

// Values whose text must be the shortest that reads back exactly, with the
// texts expected for them.
const std::vector<double> awkwardTransform = {1, 0, -2.5, 0.1, 1e-300, 1.0 / 3, DBL_MAX, 5e-324};
const char* const awkwardTransformText = R"(
    <sm:occTransform>1</sm:occTransform>
    <sm:occTransform>0</sm:occTransform>
    <sm:occTransform>-2.5</sm:occTransform>
    <sm:occTransform>0.1</sm:occTransform>
    <sm:occTransform>1e-300</sm:occTransform>
    <sm:occTransform>0.3333333333333333</sm:occTransform>
    <sm:occTransform>1.7976931348623157e+308</sm:occTransform>
    <sm:occTransform>5e-324</sm:occTransform>)";

// --- CreateOrUpdateAbsoluteStructure ------------------------------------------

TEST(StructureEditingXml, AbsoluteStructureRequestWritesEveryLevelInFieldOrder)
{
    // Occurrence data filled out of field order: the writer groups by field.
    Sm::AbsOccDataInfo data(true, "arr & co", modelObject("used-arr"));
    data.addOccNote(Sm::OccNote("Torque <5 Nm>", "assembly"));
    data.addAttachment(Sm::AbsOccAttachment("drawing", modelObject("sheet")));
    data.addOverridesToSet(Sm::AttributesInfo("material", "steel \"S235\""));
    data.setOccTransformArray(awkwardTransform);
    data.addAttachmentsToUnattach(Sm::AbsOccAttachment("reference", modelObject("old-sheet")));
    data.addOverridesToRemove("finish<old>");
    data.addOverridesToSet(Sm::AttributesInfo());
    data.addOccNote(Sm::OccNote());

    Sm::AbsOccInfo occurrence("occ-1", modelObject("abs-occ-1"), data);
    occurrence.addCadOccIdPath("top/asm");
    occurrence.addCadOccIdPath("a&b");

    Sm::AbsOccDataInfo plainData;
    plainData.setAsRequired(false);
    Sm::AssemblyArrangementInfo exploded("arr-1", "Exploded", "exploded view", true, "ext-7",
                                         modelObject("arrangement-1"));
    exploded.addAbsOccInfo(Sm::AbsOccInfo("occ-2", Base::ModelObject(), plainData));

    Sm::CreateOrUpdateAbsoluteStructureInfo info(modelObject("context-rev"));
    info.addArrAbsOccInfo(exploded);
    info.addBvrAbsOccInfo(occurrence);
    // A default arrangement starts as not the default one.
    info.addArrAbsOccInfo(Sm::AssemblyArrangementInfo());

    Sm::CreateOrUpdateAbsoluteStructureInput request(true, "view",
                                                    Sm::CreateOrUpdateAbsoluteStructurePref("CAD_OCC_ID"));
    request.addInfo(info);
    request.addInfo(Sm::CreateOrUpdateAbsoluteStructureInfo());

    XmlStream stream;
    request.outputXML(stream, "CreateOrUpdateAbsoluteStructure");

    const std::string body = std::string(R"(
        <sm:info>
          <sm:contextItemRev uid="context-rev"/>
          <sm:bvrAbsOccInfo clientId="occ-1">
            <sm:absOcc uid="abs-occ-1"/>
            <sm:cadOccIdPath>top/asm</sm:cadOccIdPath>
            <sm:cadOccIdPath>a&amp;b</sm:cadOccIdPath>
            <sm:absOccData asRequired="true" clientIdOfUsedArrangement="arr &amp; co">
              <sm:overridesToSet name="material" value="steel &quot;S235&quot;"/>
              <sm:overridesToSet name="" value=""/>
              <sm:overridesToRemove>finish&lt;old&gt;</sm:overridesToRemove>)") +
                             awkwardTransformText + R"(
              <sm:occNotes noteText="Torque &lt;5 Nm&gt;" noteType="assembly"/>
              <sm:occNotes noteText="" noteType=""/>
              <sm:attachments relationTypeName="drawing"><sm:dataset uid="sheet"/></sm:attachments>
              <sm:attachmentsToUnattach relationTypeName="reference"><sm:dataset uid="old-sheet"/></sm:attachmentsToUnattach>
              <sm:usedArr uid="used-arr"/>
            </sm:absOccData>
          </sm:bvrAbsOccInfo>
          <sm:arrAbsOccInfo clientId="arr-1" name="Exploded" description="exploded view" isDefault="true" externalUid="ext-7">
            <sm:arrangement uid="arrangement-1"/>
            <sm:absOccInfo clientId="occ-2">
              <sm:absOcc uid=""/>
              <sm:absOccData asRequired="false" clientIdOfUsedArrangement=""><sm:usedArr uid=""/></sm:absOccData>
            </sm:absOccInfo>
          </sm:arrAbsOccInfo>
          <sm:arrAbsOccInfo clientId="" name="" description="" isDefault="false" externalUid="">
            <sm:arrangement uid=""/>
          </sm:arrAbsOccInfo>
        </sm:info>
        <sm:info><sm:contextItemRev uid=""/></sm:info>
        <sm:pref cadOccIdAttrName="CAD_OCC_ID"/>)";
    EXPECT_TRUE(sameXml(stream.str(), document("CreateOrUpdateAbsoluteStructure", body,
                                               " complete='true' bomViewTypeName='view'")));
}

TEST(StructureEditingXml, AbsoluteStructureRequestReadsInterleavedChildrenAndExactTransforms)
{
    const Sm::CreateOrUpdateAbsoluteStructureInput request =
        readXml<Sm::CreateOrUpdateAbsoluteStructureInput>(document("Request", R"(
        <sm:pref cadOccIdAttrName="first"/>
        <sm:info>
          <sm:arrAbsOccInfo clientId="arr-1" name="n" description="d" isDefault="true" externalUid="x">
            <sm:absOccInfo clientId="in-arr">
              <sm:absOccData asRequired="false" clientIdOfUsedArrangement="arr-1"><sm:usedArr uid="arr"/></sm:absOccData>
            </sm:absOccInfo>
            <sm:arrangement uid="arrangement"/>
          </sm:arrAbsOccInfo>
          <sm:bvrAbsOccInfo clientId="occ&amp;1">
            <sm:cadOccIdPath>p1</sm:cadOccIdPath>
            <sm:absOccData asRequired="1" clientIdOfUsedArrangement="">
              <sm:usedArr uid="used"/>
              <sm:occNotes noteText="first" noteType="t"><sm:ignored/></sm:occNotes>
              <sm:occTransform>0.1</sm:occTransform>
              <sm:overridesToSet name="colour" value="red"/>
              <sm:attachmentsToUnattach relationTypeName="gone"><sm:dataset uid="d2"/></sm:attachmentsToUnattach>
              <sm:occNotes noteText="second" noteType="t"/>
              <sm:occTransform>1e-300</sm:occTransform>
              <sm:overridesToRemove>&lt;weight&gt;</sm:overridesToRemove>
              <sm:attachments relationTypeName="kept"><sm:dataset uid="d1"/></sm:attachments>
              <sm:occTransform>-0</sm:occTransform>
            </sm:absOccData>
            <sm:absOcc uid="abs"/>
            <sm:cadOccIdPath>p2</sm:cadOccIdPath>
          </sm:bvrAbsOccInfo>
          <sm:contextItemRev uid="ctx"/>
        </sm:info>
        <sm:pref cadOccIdAttrName="second"/>)", " complete='false' bomViewTypeName='view'"));

    EXPECT_FALSE(request.getComplete());
    EXPECT_EQ(request.getBomViewTypeName(), "view");
    EXPECT_EQ(request.getPref().getCadOccIdAttrName(), "second");
    ASSERT_EQ(request.getInfoArray().size(), 1u);
    const Sm::CreateOrUpdateAbsoluteStructureInfo& info = request.getInfoArray()[0];
    EXPECT_EQ(info.getContextItemRev().getUid(), "ctx");

    ASSERT_EQ(info.getArrAbsOccInfoArray().size(), 1u);
    const Sm::AssemblyArrangementInfo& arrangement = info.getArrAbsOccInfoArray()[0];
    EXPECT_EQ(arrangement.getClientId(), "arr-1");
    EXPECT_EQ(arrangement.getName(), "n");
    EXPECT_EQ(arrangement.getDescription(), "d");
    EXPECT_TRUE(arrangement.getIsDefault());
    EXPECT_EQ(arrangement.getExternalUid(), "x");
    EXPECT_EQ(arrangement.getArrangement().getUid(), "arrangement");
    ASSERT_EQ(arrangement.getAbsOccInfoArray().size(), 1u);
    EXPECT_EQ(arrangement.getAbsOccInfoArray()[0].getClientId(), "in-arr");
    EXPECT_EQ(arrangement.getAbsOccInfoArray()[0].getAbsOccData().getUsedArr().getUid(), "arr");

    ASSERT_EQ(info.getBvrAbsOccInfoArray().size(), 1u);
    const Sm::AbsOccInfo& occurrence = info.getBvrAbsOccInfoArray()[0];
    EXPECT_EQ(occurrence.getClientId(), "occ&1");
    EXPECT_EQ(occurrence.getAbsOcc().getUid(), "abs");
    EXPECT_EQ(occurrence.getCadOccIdPathArray(), (std::vector<std::string>{"p1", "p2"}));

    const Sm::AbsOccDataInfo& data = occurrence.getAbsOccData();
    EXPECT_TRUE(data.getAsRequired());
    EXPECT_EQ(data.getUsedArr().getUid(), "used");
    ASSERT_EQ(data.getOccNoteArray().size(), 2u);
    EXPECT_EQ(data.getOccNoteArray()[0].getNoteText(), "first");
    EXPECT_EQ(data.getOccNoteArray()[1].getNoteText(), "second");
    ASSERT_EQ(data.getOverridesToSetArray().size(), 1u);
    EXPECT_EQ(data.getOverridesToSetArray()[0].getName(), "colour");
    EXPECT_EQ(data.getOverridesToSetArray()[0].getValue(), "red");
    EXPECT_EQ(data.getOverridesToRemoveArray(), std::vector<std::string>{"<weight>"});
    ASSERT_EQ(data.getAttachmentArray().size(), 1u);
    EXPECT_EQ(data.getAttachmentArray()[0].getRelationTypeName(), "kept");
    EXPECT_EQ(data.getAttachmentArray()[0].getDataset().getUid(), "d1");
    ASSERT_EQ(data.getAttachmentsToUnattachArray().size(), 1u);
    EXPECT_EQ(data.getAttachmentsToUnattachArray()[0].getDataset().getUid(), "d2");

    const std::vector<double>& transform = data.getOccTransformArray();
    ASSERT_EQ(transform.size(), 3u);
    EXPECT_EQ(transform[0], 0.1);
    EXPECT_EQ(transform[1], 1e-300);
    EXPECT_EQ(transform[2], 0.0);
    EXPECT_TRUE(std::signbit(transform[2]));
}

TEST(StructureEditingXml, TransformsComeBackExactlyAfterWritingAndReading)
{
    Sm::AbsOccDataInfo absolute(false, "", Base::ModelObject());
    absolute.setOccTransformArray(awkwardTransform);
    absolute.addOccTransform(-0.0);
    const Sm::AbsOccDataInfo absoluteBack = readXml<Sm::AbsOccDataInfo>(writeXml(absolute, "data"));
    EXPECT_EQ(absoluteBack.getOccTransformArray(), absolute.getOccTransformArray());
    EXPECT_TRUE(std::signbit(absoluteBack.getOccTransformArray().back()));

    Sm::RelOccInfo relative(true);
    for (int i = 1; i <= 17; ++i)
        relative.addOccTransform(i / 10.0);
    const Sm::RelOccInfo relativeBack = readXml<Sm::RelOccInfo>(writeXml(relative, "occInfo"));
    EXPECT_EQ(relativeBack.getOccTransformArray(), relative.getOccTransformArray());
}

TEST(StructureEditingXml, AbsoluteStructureResponseWritesBothMapsInTwoRuns)
{
    Base::RefId created;
    created.setUid("abs-occ-1");
    Base::ErrorValue failure;
    failure.setCode(215034);
    failure.setLevel(3);
    failure.setMessage("arrangement \"B\" is locked");
    Base::ErrorStack stack;
    stack.setClientId("arr-2");
    stack.addErrorValue(failure);
    Base::ServiceData serviceData;
    serviceData.addCreatedObj(created);
    serviceData.addPartialError(stack);

    Sm::CreateOrUpdateAbsoluteStructureResponse response(serviceData);
    response.addAsmArrOutput(Sm::ClientIdToAsmArrMap("arr-1", modelObject("arrangement-1")));
    response.addAbsOccOutput(Sm::ClientIdToAbsOccMap("occ<1>", modelObject("abs-occ-1")));
    response.addAsmArrOutput(Sm::ClientIdToAsmArrMap());
    // Keys are kept as given: no merging of equal keys.
    response.addAbsOccOutput(Sm::ClientIdToAbsOccMap("occ<1>", modelObject("abs-occ-2")));

    EXPECT_TRUE(sameXml(writeXml(response, "Response"), document("Response", R"(
        <sm:absOccOutput key="occ&lt;1&gt;"><sm:value uid="abs-occ-1"/></sm:absOccOutput>
        <sm:absOccOutput key="occ&lt;1&gt;"><sm:value uid="abs-occ-2"/></sm:absOccOutput>
        <sm:asmArrOutput key="arr-1"><sm:value uid="arrangement-1"/></sm:asmArrOutput>
        <sm:asmArrOutput key=""><sm:value uid=""/></sm:asmArrOutput>
        <b:ServiceData>
          <b:createdObjs uid="abs-occ-1"/>
          <b:partialErrors clientId="arr-2">
            <b:errorValues message="arrangement &quot;B&quot; is locked" code="215034" level="3"/>
          </b:partialErrors>
        </b:ServiceData>)")));

    EXPECT_TRUE(sameXml(writeXml(Sm::CreateOrUpdateAbsoluteStructureResponse(), "Response"),
                        document("Response", "<b:ServiceData/>")));
}

TEST(StructureEditingXml, AbsoluteStructureResponseReadsMapsInAnyOrder)
{
    const Sm::CreateOrUpdateAbsoluteStructureResponse response =
        readXml<Sm::CreateOrUpdateAbsoluteStructureResponse>(document("Response", R"(
        <b:ServiceData><b:updatedObjs uid="ctx"/></b:ServiceData>
        <sm:asmArrOutput key="arr-1"><sm:value uid="arrangement-1" className="AssemblyArrangement"/></sm:asmArrOutput>
        <sm:absOccOutput key="occ-1"/>
        <sm:asmArrOutput key="arr-2"><sm:value uid="first"/><sm:value uid="second"/></sm:asmArrOutput>
        <sm:absOccOutput key="a&amp;b"><sm:value uid="abs"/></sm:absOccOutput>)"));

    ASSERT_EQ(response.getAbsOccOutputArray().size(), 2u);
    EXPECT_EQ(response.getAbsOccOutputArray()[0].getKey(), "occ-1");
    EXPECT_EQ(response.getAbsOccOutputArray()[0].getValue().getUid(), "");
    EXPECT_EQ(response.getAbsOccOutputArray()[1].getKey(), "a&b");
    EXPECT_EQ(response.getAbsOccOutputArray()[1].getValue().getUid(), "abs");
    ASSERT_EQ(response.getAsmArrOutputArray().size(), 2u);
    EXPECT_EQ(response.getAsmArrOutputArray()[0].getValue().getClassName(), "AssemblyArrangement");
    EXPECT_EQ(response.getAsmArrOutputArray()[1].getKey(), "arr-2");
    EXPECT_EQ(response.getAsmArrOutputArray()[1].getValue().getUid(), "second");
    ASSERT_EQ(response.getServiceData().getUpdatedObjArray().size(), 1u);
    EXPECT_EQ(response.getServiceData().getUpdatedObjArray()[0].getUid(), "ctx");

    using Response = Sm::CreateOrUpdateAbsoluteStructureResponse;
    EXPECT_EQ(parseFailure<Response>(document("Response", "<sm:value uid='x'/>")),
              "Unexpected node name: value");
    EXPECT_EQ(parseFailure<Response>(document("Response", "<sm:output key='k'/>")),
              "Unexpected node name: output");
    EXPECT_EQ(parseFailure<Response>(document("Response", "<sm:absOccOutput key='k'><b:ServiceData/></sm:absOccOutput>")),
              "Unexpected node name: ServiceData");
}

TEST(StructureEditingXml, AbsoluteStructureNamesAreCheckedPerLevel)
{
    using Request = Sm::CreateOrUpdateAbsoluteStructureInput;
    const std::string attributes = " complete='true' bomViewTypeName=''";
    auto request = [&](const std::string& body) { return document("R", body, attributes); };
    EXPECT_EQ(parseFailure<Request>(request("<sm:info><sm:arrangement uid='a'/></sm:info>")),
              "Unexpected node name: arrangement");
    EXPECT_EQ(parseFailure<Request>(request(
                  "<sm:info><sm:arrAbsOccInfo clientId='' name='' description='' isDefault='false' externalUid=''>"
                  "<sm:contextItemRev uid='c'/></sm:arrAbsOccInfo></sm:info>")),
              "Unexpected node name: contextItemRev");
    EXPECT_EQ(parseFailure<Request>(request("<sm:Info/>")), "Unexpected node name: Info");
    // Accessor stems are not element names.
    EXPECT_EQ(parseFailure<Sm::AbsOccDataInfo>(document("data", "<sm:occNote noteText='' noteType=''/>",
                                                            " asRequired='true' clientIdOfUsedArrangement=''")),
              "Unexpected node name: occNote");
}

// --- DeleteAssemblyArrangements -----------------------------------------------

TEST(StructureEditingXml, DeleteAssemblyArrangementsWritesItemRevisionThenArrangements)
{
    Sm::DeleteAssemblyArrangementsInfo info(modelObject("rev-1"));
    info.addArrangement(modelObject("arr-b"));
    info.addArrangement(modelObject("arr-a"));
    Sm::DeleteAssemblyArrangementsInput request("view <main>");
    request.addInfo(info);
    request.addInfo(Sm::DeleteAssemblyArrangementsInfo());

    EXPECT_TRUE(sameXml(writeXml(request, "input"), document("input", R"(
        <sm:info><sm:itemRev uid="rev-1"/><sm:arrangements uid="arr-b"/><sm:arrangements uid="arr-a"/></sm:info>
        <sm:info><sm:itemRev uid=""/></sm:info>)", " bomViewTypeName='view &lt;main&gt;'")));

    // Without entries the request still closes with an end tag of its own.
    const std::string empty = writeXml(Sm::DeleteAssemblyArrangementsInput(), "input");
    EXPECT_TRUE(sameXml(empty, document("input", "", " bomViewTypeName=''")));
    EXPECT_NE(empty.find("input>"), std::string::npos) << empty;

    EXPECT_TRUE(sameXml(writeXml(Sm::DeleteAssemblyArrangementsResponse(), "output"),
                        document("output", "<b:ServiceData/>")));
}

TEST(StructureEditingXml, DeleteAssemblyArrangementsReadsEntriesAndRejectsStrangers)
{
    const Sm::DeleteAssemblyArrangementsInput request = readXml<Sm::DeleteAssemblyArrangementsInput>(
        document("input", R"(
        <sm:info><sm:arrangements uid="a1"/><sm:itemRev uid="first"/><sm:itemRev uid="second"/><sm:arrangements uid="a2"/></sm:info>
        <sm:info/>)", " bomViewTypeName='view'"));
    EXPECT_EQ(request.getBomViewTypeName(), "view");
    ASSERT_EQ(request.getInfoArray().size(), 2u);
    EXPECT_EQ(request.getInfoArray()[0].getItemRev().getUid(), "second");
    ASSERT_EQ(request.getInfoArray()[0].getArrangementArray().size(), 2u);
    EXPECT_EQ(request.getInfoArray()[0].getArrangementArray()[0].getUid(), "a1");
    EXPECT_EQ(request.getInfoArray()[0].getArrangementArray()[1].getUid(), "a2");
    EXPECT_TRUE(request.getInfoArray()[1].getArrangementArray().empty());

    EXPECT_EQ(parseFailure<Sm::DeleteAssemblyArrangementsInput>(
                  document("input", "<sm:info><sm:arrangement uid='a'/></sm:info>", " bomViewTypeName=''")),
              "Unexpected node name: arrangement");
    EXPECT_EQ(parseFailure<Sm::DeleteAssemblyArrangementsResponse>(document("output", "<b:serviceData/>")),
              "Unexpected node name: serviceData");
    EXPECT_EQ(parseFailure<Sm::DeleteAssemblyArrangementsResponse>(document("output", "<sm:info/>")),
              "Unexpected node name: info");
}

// --- CreateOrUpdateRelativeStructure -------------------------------------------

TEST(StructureEditingXml, RelativeStructureRequestWritesChildEntriesAndGroupsOccurrenceData)
{
    Sm::RelOccInfo occurrence(true);
    occurrence.addOccNote(Sm::OccNote("keep upright", "handling"));
    occurrence.addOccTransform(0.1);
    occurrence.addAttrsToSet(Sm::AttributesInfo("qty", "2"));
    occurrence.addOccTransform(1e-300);

    Sm::RelativeStructureChildInfo child("child-1", "cad-7", modelObject("bolt-rev"), occurrence);
    // The child entry shares the occurrence data: a note added later is written.
    occurrence.addOccNote(Sm::OccNote("added later", ""));

    Sm::CreateOrUpdateRelativeStructureInfo parent(true, modelObject("asm-rev"));
    parent.addChildInfo(child);
    Sm::RelativeStructureChildInfo plainChild;
    plainChild.getOccInfo().setAsRequired(false);
    parent.addChildInfo(plainChild);

    Sm::CreateOrUpdateRelativeStructurePref pref("CAD_OCC_ID");
    pref.addItemType("Part & Assembly");
    pref.addItemType("");
    Sm::CreateOrUpdateRelativeStructureInput request(false, "view", pref);
    request.addInput(parent);

    EXPECT_TRUE(sameXml(writeXml(request, "input"), document("input", R"(
        <sm:inputs precise="true">
          <sm:parent uid="asm-rev"/>
          <sm:childInfo clientId="child-1" cadOccId="cad-7">
            <sm:child uid="bolt-rev"/>
            <sm:occInfo asRequired="true">
              <sm:attrsToSet name="qty" value="2"/>
              <sm:occTransform>0.1</sm:occTransform>
              <sm:occTransform>1e-300</sm:occTransform>
              <sm:occNotes noteText="keep upright" noteType="handling"/>
              <sm:occNotes noteText="added later" noteType=""/>
            </sm:occInfo>
          </sm:childInfo>
          <sm:childInfo clientId="" cadOccId="">
            <sm:child uid=""/>
            <sm:occInfo asRequired="false"/>
          </sm:childInfo>
        </sm:inputs>
        <sm:pref cadOccIdAttrName="CAD_OCC_ID">
          <sm:itemTypes>Part &amp; Assembly</sm:itemTypes>
          <sm:itemTypes></sm:itemTypes>
        </sm:pref>)", " complete='false' bomViewTypeName='view'")));
}

TEST(StructureEditingXml, RelativeStructureRequestReadsNestedChildEntries)
{
    const Sm::CreateOrUpdateRelativeStructureInput request = readXml<Sm::CreateOrUpdateRelativeStructureInput>(
        document("input", R"(
        <sm:pref cadOccIdAttrName="first"><sm:itemTypes>Part</sm:itemTypes></sm:pref>
        <sm:inputs precise="false">
          <sm:childInfo clientId="c1" cadOccId="o1">
            <sm:occInfo asRequired="false">
              <sm:occNotes noteText="n1" noteType="t"/>
              <sm:occTransform>0.1</sm:occTransform>
              <sm:attrsToSet name="a" value="1"/>
              <sm:occTransform>1e-300</sm:occTransform>
            </sm:occInfo>
            <sm:child uid="bolt"/>
            <sm:occInfo asRequired="true"><sm:occTransform>2</sm:occTransform></sm:occInfo>
          </sm:childInfo>
          <sm:parent uid="asm"/>
        </sm:inputs>
        <sm:pref cadOccIdAttrName="second"><sm:itemTypes>A&amp;B</sm:itemTypes></sm:pref>)", " complete='true' bomViewTypeName='v'"));

    EXPECT_TRUE(request.getComplete());
    EXPECT_EQ(request.getBomViewTypeName(), "v");
    EXPECT_EQ(request.getPref().getCadOccIdAttrName(), "second");
    EXPECT_EQ(request.getPref().getItemTypeArray(), (std::vector<std::string>{"Part", "A&B"}));

    ASSERT_EQ(request.getInputArray().size(), 1u);
    const Sm::CreateOrUpdateRelativeStructureInfo& parent = request.getInputArray()[0];
    EXPECT_FALSE(parent.getPrecise());
    EXPECT_EQ(parent.getParent().getUid(), "asm");
    ASSERT_EQ(parent.getChildInfoArray().size(), 1u);
    const Sm::RelativeStructureChildInfo& child = parent.getChildInfoArray()[0];
    EXPECT_EQ(child.getClientId(), "c1");
    EXPECT_EQ(child.getCadOccId(), "o1");
    EXPECT_EQ(child.getChild().getUid(), "bolt");

    // Both "occInfo" elements went into the same occurrence data.
    const Sm::RelOccInfo& occurrence = child.getOccInfo();
    EXPECT_TRUE(occurrence.getAsRequired());
    EXPECT_EQ(occurrence.getOccTransformArray(), (std::vector<double>{0.1, 1e-300, 2}));
    ASSERT_EQ(occurrence.getAttrsToSetArray().size(), 1u);
    EXPECT_EQ(occurrence.getAttrsToSetArray()[0].getName(), "a");
    ASSERT_EQ(occurrence.getOccNoteArray().size(), 1u);
    EXPECT_EQ(occurrence.getOccNoteArray()[0].getNoteText(), "n1");

    const std::string attributes = " complete='true' bomViewTypeName=''";
    EXPECT_EQ(parseFailure<Sm::CreateOrUpdateRelativeStructureInput>(
                  document("input", "<sm:childInfo clientId='' cadOccId=''/>", attributes)),
              "Unexpected node name: childInfo");
    EXPECT_EQ(parseFailure<Sm::CreateOrUpdateRelativeStructureInput>(
                  document("input", "<sm:inputs precise='true'><sm:occInfo asRequired='true'/></sm:inputs>", attributes)),
              "Unexpected node name: occInfo");
}

TEST(StructureEditingXml, RelativeStructureResponseMapsClientIdsToOccurrenceThreads)
{
    Sm::CreateOrUpdateRelativeStructureResponse response;
    response.addOutput(Sm::ClientIdToPSOccurrenceThreadMap("child-1", modelObject("thread-1")));
    response.addOutput(Sm::ClientIdToPSOccurrenceThreadMap("child-1", modelObject("thread-2")));
    response.addOutput(Sm::ClientIdToPSOccurrenceThreadMap());
    EXPECT_TRUE(sameXml(writeXml(response, "output"), document("output", R"(
        <sm:output key="child-1"><sm:value uid="thread-1"/></sm:output>
        <sm:output key="child-1"><sm:value uid="thread-2"/></sm:output>
        <sm:output key=""><sm:value uid=""/></sm:output>
        <b:ServiceData/>)")));

    const Sm::CreateOrUpdateRelativeStructureResponse read =
        readXml<Sm::CreateOrUpdateRelativeStructureResponse>(document("output", R"(
        <sm:output key="k&lt;1&gt;"><sm:value uid="t1"/></sm:output>
        <b:ServiceData><b:deletedObjs uid="gone"/></b:ServiceData>
        <sm:output key="k2"><sm:value uid="t2" type="OccurrenceThread"/></sm:output>)"));
    ASSERT_EQ(read.getOutputArray().size(), 2u);
    EXPECT_EQ(read.getOutputArray()[0].getKey(), "k<1>");
    EXPECT_EQ(read.getOutputArray()[0].getValue().getUid(), "t1");
    EXPECT_EQ(read.getOutputArray()[1].getValue().getType(), "OccurrenceThread");
    ASSERT_EQ(read.getServiceData().getDeletedObjArray().size(), 1u);
    EXPECT_EQ(read.getServiceData().getDeletedObjArray()[0].getUid(), "gone");

    EXPECT_EQ(parseFailure<Sm::CreateOrUpdateRelativeStructureResponse>(document("output", "<sm:Output key=''/>")),
              "Unexpected node name: Output");
    EXPECT_EQ(parseFailure<Sm::CreateOrUpdateRelativeStructureResponse>(document("output", "<sm:value uid=''/>")),
              "Unexpected node name: value");
}

// --- DeleteRelativeStructure ---------------------------------------------------

TEST(StructureEditingXml, DeleteRelativeStructureWritesChildInfoAsPlainText)
{
    Sm::DeleteRelativeStructureInput request;
    request.setBomViewTypeName("view");
    // The preference is written after every entry, whenever it was set.
    request.setPref(Sm::DeleteRelativeStructurePref("CAD_OCC_ID"));
    Sm::DeleteRelativeStructureInfo parent(modelObject("asm-rev"));
    parent.addChildInfo("cad-1");
    parent.addChildInfo("a<b & c");
    parent.addChildInfo("");
    request.addInput(parent);
    request.addInput(Sm::DeleteRelativeStructureInfo());

    EXPECT_TRUE(sameXml(writeXml(request, "input"), document("input", R"(
        <sm:inputs>
          <sm:parent uid="asm-rev"/>
          <sm:childInfo>cad-1</sm:childInfo>
          <sm:childInfo>a&lt;b &amp; c</sm:childInfo>
          <sm:childInfo/>
        </sm:inputs>
        <sm:inputs><sm:parent uid=""/></sm:inputs>
        <sm:pref cadOccIdAttrName="CAD_OCC_ID"/>)", " bomViewTypeName='view'")));

    EXPECT_TRUE(sameXml(writeXml(Sm::DeleteRelativeStructureInput(), "input"),
                        document("input", "<sm:pref cadOccIdAttrName=''/>", " bomViewTypeName=''")));
    EXPECT_TRUE(sameXml(writeXml(Sm::DeleteRelativeStructureResponse(), "output"),
                        document("output", "<b:ServiceData/>")));
}

TEST(StructureEditingXml, DeleteRelativeStructureReadsChildInfoStrings)
{
    const Sm::DeleteRelativeStructureInput request = readXml<Sm::DeleteRelativeStructureInput>(
        document("input", R"(
        <sm:pref cadOccIdAttrName="first"><sm:anything/></sm:pref>
        <sm:inputs>
          <sm:childInfo>c&amp;1</sm:childInfo>
          <sm:parent uid="asm"/>
          <sm:childInfo>c2</sm:childInfo>
        </sm:inputs>
        <sm:pref cadOccIdAttrName="second"/>)", " bomViewTypeName='v'"));

    EXPECT_EQ(request.getBomViewTypeName(), "v");
    EXPECT_EQ(request.getPref().getCadOccIdAttrName(), "second");
    ASSERT_EQ(request.getInputArray().size(), 1u);
    EXPECT_EQ(request.getInputArray()[0].getParent().getUid(), "asm");
    EXPECT_EQ(request.getInputArray()[0].getChildInfoArray(), (std::vector<std::string>{"c&1", "c2"}));

    EXPECT_EQ(parseFailure<Sm::DeleteRelativeStructureResponse>(document("output", "<sm:inputs/>")),
              "Unexpected node name: inputs");
    EXPECT_EQ(parseFailure<Sm::DeleteRelativeStructureInput>(
                  document("input", "<sm:inputs><sm:child uid='x'/></sm:inputs>", " bomViewTypeName=''")),
              "Unexpected node name: child");
}

} // namespace
