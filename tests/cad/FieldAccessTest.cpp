// Each field read from an expected document lands in the member that its
// accessors reach, and the field constructors store each argument in its own
// field: for every kind of field (string, bool, int, date, single child,
// message array, string and double text arrays) on a few types. The values
// of a line are joined with "|", so a field read into another member shows as
// two values trading places.

#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GetAvailableTypesInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructureInput.hpp>
#include <Brisvale/Soa/Common/DateTime.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

#include "MessageTestSupport.hpp"

namespace {

namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Schemas::Soa::_2006_03::Base::ModelObject;
using Brisvale::Soa::Common::Xml::lexical_cast;
using Brisvale::Testing::readExpected;

const char* const dm = "datamanagement_2007_01";

std::string join(std::initializer_list<std::string> values)
{
    std::string joined;
    for (const std::string& value : values)
        joined += (joined.empty() ? "" : "|") + value;
    return joined;
}

std::string str(bool value) { return value ? "true" : "false"; }

std::string uid(const ModelObject& object) { return object.getUid(); }

ModelObject object(const std::string& uid)
{
    ModelObject made;
    made.setUid(uid);
    return made;
}

TEST(FieldAccess, PartsRequest)
{
    const auto request = readExpected<Dm::CreateOrUpdatePartsInput>(dm, "CreateOrUpdatePartsRequest");
    ASSERT_EQ(request.getInfoArray().size(), 1u);
    const Dm::PartInfo& part = request.getInfoArray()[0];
    EXPECT_EQ(part.getClientId(), "part-1");

    const Dm::ItemInfo& item = part.getItemInput();
    EXPECT_EQ(join({item.getName(), item.getDescription(), item.getItemType(), item.getItemId(), uid(item.getItem()),
                    uid(item.getFolder())}),
              "Bracket|Bracket & <plate> \"B\"|Item|000123|item-1|folder-7");
    ASSERT_EQ(item.getAttrListArray().size(), 1u);
    EXPECT_EQ(join({item.getAttrListArray()[0].getName(), item.getAttrListArray()[0].getValue()}), "material|Al 6061");
    ASSERT_EQ(item.getExtraObjectArray().size(), 1u);
    const Dm::ExtraObjectInfo& extra = item.getExtraObjectArray()[0];
    ASSERT_EQ(extra.getAttrNameValuePairArray().size(), 1u);
    EXPECT_EQ(join({extra.getClientId(), extra.getTypeName(), extra.getRelationTypeName(), uid(extra.getObject()),
                    extra.getAttrNameValuePairArray()[0].getName()}),
              "xo-1|ItemMaster|MasterForm|form-1|user_data_1");

    const Dm::ItemRevInfo& revision = part.getItemRevInput();
    ASSERT_EQ(revision.getAttrListArray().size(), 1u);
    ASSERT_EQ(revision.getExtraObjectArray().size(), 1u);
    EXPECT_EQ(join({revision.getRevId(), uid(revision.getItemRevision()), revision.getAttrListArray()[0].getValue(),
                    revision.getExtraObjectArray()[0].getClientId()}),
              "A|rev-1|Rev A|xo-2");

    ASSERT_EQ(part.getDatasetInputArray().size(), 1u);
    const Dm::DatasetInfo& dataset = part.getDatasetInputArray()[0];
    EXPECT_EQ(join({dataset.getClientId(), str(dataset.getCreateNewVersion()), dataset.getName(), dataset.getId(),
                    dataset.getNamedReferencePreference(), dataset.getItemRevRelationName(), dataset.getType(),
                    dataset.getDatasetRev(), dataset.getDescription(), uid(dataset.getDataset())}),
              "ds-1|true|bracket-model|ds-id|CadPart|Describes|CadModel|1|Model of the bracket|ds-uid");
    ASSERT_EQ(dataset.getAttrListArray().size(), 1u);
    ASSERT_EQ(dataset.getMappingAttributeArray().size(), 1u);
    ASSERT_EQ(dataset.getExtraObjectArray().size(), 1u);
    ASSERT_EQ(dataset.getDatasetFileInfoArray().size(), 1u);
    ASSERT_EQ(dataset.getNamedReferenceObjectInfoArray().size(), 1u);
    EXPECT_EQ(join({dataset.getAttrListArray()[0].getName(), dataset.getMappingAttributeArray()[0].getName(),
                    dataset.getExtraObjectArray()[0].getClientId()}),
              "object_desc|part_number|xo-3");
    const Dm::DatasetFileInfo& file = dataset.getDatasetFileInfoArray()[0];
    EXPECT_EQ(join({file.getClientId(), str(file.getAllowReplace()), file.getNamedReferencedName(),
                    str(file.getIsText()), file.getFileName()}),
              "file-1|true|CadPart|false|bracket.prt");
    const Dm::NamedReferenceObjectInfo& reference = dataset.getNamedReferenceObjectInfoArray()[0];
    ASSERT_EQ(reference.getAttrNameValuePairArray().size(), 1u);
    EXPECT_EQ(join({reference.getClientId(), reference.getTypeName(), reference.getNamedReferenceName(),
                    uid(reference.getObject()), reference.getAttrNameValuePairArray()[0].getValue()}),
              "nr-1|ImanFile|CadPart-ATTR|file-obj-1|1");
}

TEST(FieldAccess, IntsDatesAndTextArrays)
{
    const auto ids = readExpected<Dm::GenerateAlternateIdsInput>(dm, "GenerateAlternateIdsRequest");
    ASSERT_EQ(ids.getInputArray().size(), 1u);
    const Dm::GenerateAlternateIdsProperties& properties = ids.getInputArray()[0];
    EXPECT_EQ(join({properties.getAltIdType(), std::to_string(properties.getCount()), properties.getPattern(),
                    uid(properties.getIdContext()), uid(properties.getParentAltId())}),
              "AltId|-7|BR-###|ctx-1|alt-0");

    const auto altIds = readExpected<Dm::GenerateAlternateIdsResponse>(dm, "GenerateAlternateIdsResponse");
    ASSERT_EQ(altIds.getInputIndexToAltIdArray().size(), 1u);
    EXPECT_EQ(altIds.getInputIndexToAltIdArray()[0].getKey(), 0);
    EXPECT_EQ(altIds.getInputIndexToAltIdArray()[0].getValueArray(), std::vector<std::string>{"BR-<2>"});

    const auto types = readExpected<Dm::GetAvailableTypesInput>(dm, "GetAvailableTypesRequest");
    EXPECT_EQ(types.getClasseArray(), std::vector<std::string>{"Form & <Dataset>"});

    const auto windows = readExpected<Sm::CreateBOMWindowsInput>("structuremanagement_2007_01", "CreateBOMWindowsRequest");
    ASSERT_EQ(windows.getInfoArray().size(), 1u);
    const Sm::RevisionRuleEntryProps& props = windows.getInfoArray()[0].getRevRuleConfigInfo().getProps();
    EXPECT_EQ(join({str(props.getToday()), lexical_cast<std::string>(props.getDate()), std::to_string(props.getUnitNo()),
                    uid(props.getEndItem()), uid(props.getEndItemRevision())}),
              "true|2007-03-15T10:20:31|16|endItem-1|endItemRevision-1");

    const auto structure = readExpected<Sm::CreateOrUpdateAbsoluteStructureInput>("structuremanagement_2007_01",
                                                                                    "CreateOrUpdateAbsoluteStructureRequest");
    ASSERT_EQ(structure.getInfoArray().size(), 1u);
    ASSERT_EQ(structure.getInfoArray()[0].getBvrAbsOccInfoArray().size(), 1u);
    const Sm::AbsOccInfo& occurrence = structure.getInfoArray()[0].getBvrAbsOccInfoArray()[0];
    EXPECT_EQ(occurrence.getCadOccIdPathArray(), std::vector<std::string>{"cadOccIdPath-1"});
    const Sm::AbsOccDataInfo& data = occurrence.getAbsOccData();
    EXPECT_EQ(data.getOverridesToRemoveArray(), std::vector<std::string>{"overridesToRemove-1"});
    EXPECT_EQ(data.getOccTransformArray(), std::vector<double>{-2.25});
    ASSERT_EQ(data.getAttachmentArray().size(), 1u);
    ASSERT_EQ(data.getAttachmentsToUnattachArray().size(), 1u);
    EXPECT_EQ(join({data.getAttachmentArray()[0].getRelationTypeName(),
                    data.getAttachmentsToUnattachArray()[0].getRelationTypeName(), uid(data.getUsedArr())}),
              "relationTypeName-1|relationTypeName-2|usedArr-1");
}

// The parts request built with field constructors writes its expected document.
TEST(FieldConstructors, BuildThePartsRequest)
{
    Dm::ExtraObjectInfo itemExtra("xo-1", "ItemMaster", "MasterForm", object("form-1"));
    itemExtra.addAttrNameValuePair(Dm::AttributeInfo("user_data_1", "blue"));
    Dm::ItemInfo item("Bracket", "Bracket & <plate> \"B\"", "Item", "000123", object("item-1"), object("folder-7"));
    item.addAttrList(Dm::AttributeInfo("material", "Al 6061"));
    item.addExtraObject(itemExtra);

    Dm::ExtraObjectInfo revisionExtra("xo-2", "Form", "Reference", object("form-2"));
    revisionExtra.addAttrNameValuePair(Dm::AttributeInfo("user_data_2", "green"));
    Dm::ItemRevInfo revision("A", object("rev-1"));
    revision.addAttrList(Dm::AttributeInfo("object_name", "Rev A"));
    revision.addExtraObject(revisionExtra);

    Dm::ExtraObjectInfo datasetExtra("xo-3", "Form", "Reference", object("form-3"));
    datasetExtra.addAttrNameValuePair(Dm::AttributeInfo("user_data_3", "red"));
    Dm::NamedReferenceObjectInfo reference("nr-1", "ImanFile", "CadPart-ATTR", object("file-obj-1"));
    reference.addAttrNameValuePair(Dm::AttributeInfo("ref", "1"));
    Dm::DatasetInfo dataset("ds-1", true, "bracket-model", "ds-id", "CadPart", "Describes", "CadModel", "1",
                            "Model of the bracket", object("ds-uid"));
    dataset.addAttrList(Dm::AttributeInfo("object_desc", "main model"));
    dataset.addMappingAttribute(Dm::AttributeInfo("part_number", "000123"));
    dataset.addExtraObject(datasetExtra);
    dataset.addDatasetFileInfo(Dm::DatasetFileInfo("file-1", true, "CadPart", false, "bracket.prt"));
    dataset.addNamedReferenceObjectInfo(reference);

    Dm::PartInfo part("part-1", item, revision);
    part.addDatasetInput(dataset);
    Dm::CreateOrUpdatePartsInput request;
    request.addInfo(part);
    EXPECT_EQ(Brisvale::Testing::writeXml(request, "CreateOrUpdatePartsInput"),
              Brisvale::Testing::expectedText(dm, "CreateOrUpdatePartsRequest"));

    Sm::RevisionRuleEntryProps props(true, Brisvale::Soa::Common::DateTime(2007, 3, 15, 10, 20, 31), 16,
                                     object("endItem-1"), object("endItemRevision-1"));
    EXPECT_EQ(join({str(props.getToday()), lexical_cast<std::string>(props.getDate()), std::to_string(props.getUnitNo()),
                    uid(props.getEndItem()), uid(props.getEndItemRevision())}),
              "true|2007-03-15T10:20:31|16|endItem-1|endItemRevision-1");
    Dm::GenerateAlternateIdsProperties properties("AltId", -7, "BR-###", object("ctx-1"), object("alt-0"));
    EXPECT_EQ(join({properties.getAltIdType(), std::to_string(properties.getCount()), properties.getPattern(),
                    uid(properties.getIdContext()), uid(properties.getParentAltId())}),
              "AltId|-7|BR-###|ctx-1|alt-0");
}

} // namespace
