// Each field read from an expected document is the one its accessor returns,
// and each field-constructor argument lands in its own field: one check per
// kind of field (string, bool, int, date, single child, message array, string
// and double text arrays). The values of a check are joined with "|", so two
// fields that trade places show as two values that trade places.

#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateBOMWindowsInput.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/CreateOrUpdateAbsoluteStructureInput.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Soa/Common/DateTime.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "MessageTestSupport.hpp"

namespace {

namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;
using Brisvale::Schemas::Soa::_2006_03::Base::ModelObject;
using Brisvale::Soa::Common::Xml::lexical_cast;
using Brisvale::Testing::readExpected;

std::string join(std::initializer_list<std::string> values)
{
    std::string joined;
    for (const std::string& value : values)
        joined += (joined.empty() ? "" : "|") + value;
    return joined;
}

std::string str(bool value) { return value ? "true" : "false"; }
std::string str(const ModelObject& object) { return object.getUid(); }

ModelObject object(const std::string& uid)
{
    ModelObject made;
    made.setUid(uid);
    return made;
}

std::string itemFields(const Dm::ItemInfo& item)
{
    return join({item.getName(), item.getDescription(), item.getItemType(), item.getItemId(), str(item.getItem()),
                 item.getAttrListArray().at(0).getValue(), item.getExtraObjectArray().at(0).getClientId(),
                 str(item.getFolder())});
}

std::string fileFields(const Dm::DatasetFileInfo& file)
{
    return join({file.getClientId(), str(file.getAllowReplace()), file.getNamedReferencedName(),
                 str(file.getIsText()), file.getFileName()});
}

std::string propsFields(const Sm::RevisionRuleEntryProps& props)
{
    return join({str(props.getToday()), lexical_cast<std::string>(props.getDate()), std::to_string(props.getUnitNo()),
                 str(props.getEndItem()), str(props.getEndItemRevision())});
}

const std::string itemValues = "Bracket|Bracket & <plate> \"B\"|Item|000123|item-1|Al 6061|xo-1|folder-7";
const std::string fileValues = "file-1|true|CadPart|false|bracket.prt";
const std::string propsValues = "true|2007-03-15T10:20:31|16|endItem-1|endItemRevision-1";

TEST(FieldAccess, EveryKindOfFieldReadsBackThroughItsAccessor)
{
    const auto parts = readExpected<Dm::CreateOrUpdatePartsInput>("datamanagement_2007_01", "CreateOrUpdatePartsInput");
    const Dm::PartInfo& part = parts.getInfoArray().at(0);
    EXPECT_EQ(itemFields(part.getItemInput()), itemValues);
    EXPECT_EQ(fileFields(part.getDatasetInputArray().at(0).getDatasetFileInfoArray().at(0)), fileValues);

    const auto windows = readExpected<Sm::CreateBOMWindowsInput>("structuremanagement_2007_01", "CreateBOMWindowsInput");
    EXPECT_EQ(propsFields(windows.getInfoArray().at(0).getRevRuleConfigInfo().getProps()), propsValues);

    const auto ids = readExpected<Dm::GenerateAlternateIdsResponse>("datamanagement_2007_01", "GenerateAlternateIdsResponse");
    EXPECT_EQ(ids.getInputIndexToAltIdArray().at(0).getKey(), 0);
    EXPECT_EQ(ids.getInputIndexToAltIdArray().at(0).getValueArray(), std::vector<std::string>{"BR-<2>"});

    const auto structure = readExpected<Sm::CreateOrUpdateAbsoluteStructureInput>("structuremanagement_2007_01",
                                                                                    "CreateOrUpdateAbsoluteStructureInput");
    const Sm::AbsOccDataInfo& data = structure.getInfoArray().at(0).getBvrAbsOccInfoArray().at(0).getAbsOccData();
    EXPECT_EQ(data.getOverridesToRemoveArray(), std::vector<std::string>{"overridesToRemove-1"});
    EXPECT_EQ(data.getOccTransformArray(), std::vector<double>{-2.25});
}

TEST(FieldAccess, FieldConstructorsStoreEachArgumentInItsField)
{
    Dm::ItemInfo item("Bracket", "Bracket & <plate> \"B\"", "Item", "000123", object("item-1"), object("folder-7"));
    item.addAttrList(Dm::AttributeInfo("material", "Al 6061"));
    item.addExtraObject(Dm::ExtraObjectInfo("xo-1", "ItemMaster", "MasterForm", object("form-1")));
    EXPECT_EQ(itemFields(item), itemValues);
    EXPECT_EQ(fileFields(Dm::DatasetFileInfo("file-1", true, "CadPart", false, "bracket.prt")), fileValues);
    EXPECT_EQ(propsFields(Sm::RevisionRuleEntryProps(true, Brisvale::Soa::Common::DateTime(2007, 3, 15, 10, 20, 31), 16,
                                                     object("endItem-1"), object("endItemRevision-1"))),
              propsValues);
}

TEST(FieldAccess, BoolAndNumberValuesReadWithWhiteSpaceAroundThem)
{
    Dm::IndexToAltId entry;
    entry.parse(*Brisvale::Soa::Common::Xml::parseXmlDocument("<e key=' 7\t'/>"));
    EXPECT_EQ(entry.getKey(), 7);
    Brisvale::Schemas::Soa::_2006_03::Base::Property property;
    property.parse(*Brisvale::Soa::Common::Xml::parseXmlDocument("<p modifiable=' true' name='' uiValue=''/>"));
    EXPECT_TRUE(property.getModifiable());
    Sm::AbsOccDataInfo data;
    data.parse(*Brisvale::Soa::Common::Xml::parseXmlDocument(
        "<d asRequired='false'><occTransform> 1.5</occTransform><occTransform>\n-2\n</occTransform></d>"));
    EXPECT_EQ(data.getOccTransformArray(), std::vector<double>({1.5, -2.0}));
}

} // namespace
