// The sharing, cloning, parsing and flag rules that every class pair follows,
// checked on a few representative generated types.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/CreateOrUpdatePartsResponse.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileTicketInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsProperties.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>
#include <Brisvale/Soa/Internal/Common/MarkRecorder.hpp>
#include <Brisvale/Soa/Internal/Common/Monitor.hpp>

#include "XmlTestSupport.hpp"

namespace {

namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::parseXmlDocument;
using Brisvale::Soa::Internal::Common::MarkRecorder;
using Brisvale::Soa::Internal::Common::ScopedMonitorListener;

// Reaches the implementation object, as a caller of reallyClone would, and
// reads the number of references to it besides this one.
class InspectableItemInfo : public Dm::ItemInfo
{
public:
    Dm::ItemInfoImpl& impl() const { return getHandleObject(); }
};

class CountingModelObject : public Base::ModelObject
{
public:
    explicit CountingModelObject(const Base::ModelObject& object) : Base::ModelObject(object) {}
    int others() const { return getHandleObject().askRefCount() - 1; }
};

std::unique_ptr<XMLNode> itemNode(const std::string& children)
{
    return parseXmlDocument("<item xmlns='http://brisvale.example/Schemas/Cad/2007-01/DataManagement' name='kept' "
                            "description='' itemType='' itemId=''>" + children + "</item>");
}

TEST(ClassPair, CopiesShareAndCloneCopiesOneLevel)
{
    InspectableItemInfo original;
    original.setName("bracket");
    original.addAttrList(Dm::AttributeInfo("material", "steel"));
    Dm::ItemInfo copy(original);
    copy.setItemId("000123");
    EXPECT_EQ(original.getItemId(), "000123");

    std::unique_ptr<Dm::ItemInfoImpl> clone(original.impl().reallyClone());
    original.setName("renamed");
    original.addAttrList(Dm::AttributeInfo("finish", "anodised"));
    original.getItem().setUid("shared-child");
    Dm::AttributeInfo firstAttribute = original.getAttrListArray()[0];
    firstAttribute.setValue("aluminium");
    // Fresh strings and array, shared children and entries, same namespace.
    const Dm::ItemInfoImpl& cloned = *clone;
    EXPECT_EQ(cloned.getName() + "|" + cloned.getItemId() + "|" + cloned.getItem().getUid(), "bracket|000123|shared-child");
    EXPECT_EQ(cloned.getAttrListArray().size(), 1u);
    EXPECT_EQ(cloned.getAttrListArray()[0].getValue(), "aluminium");
    EXPECT_EQ(cloned.askRefCount(), 0);
    Brisvale::Soa::Common::Xml::XmlStream stream;
    cloned.outputXML(stream, "item");
    EXPECT_EQ(stream.str().rfind("<item xmlns=\"http://brisvale.example/Schemas/Cad/2007-01/DataManagement\"", 0), 0u);
}

TEST(ClassPair, ChildrenAreSharedAndReleased)
{
    Dm::GenerateAlternateIdsProperties fresh;
    fresh.getIdContext().setUid("context");
    EXPECT_EQ(fresh.getParentAltId().getUid(), "");

    Base::ModelObject object;
    CountingModelObject probe(object);
    {
        Dm::GenerateAlternateIdsProperties properties("altid", 1, "", object, Base::ModelObject());
        properties.setParentAltId(object);
        EXPECT_EQ(probe.others(), 3);
        object.setUid("seen-through-message");
        EXPECT_EQ(properties.getIdContext().getUid(), "seen-through-message");
    }
    EXPECT_EQ(probe.others(), 1);
}

TEST(ClassPair, ParsingTwiceAppendsToArraysAndReparsesSingleChildren)
{
    std::unique_ptr<XMLNode> root = itemNode("<folder uid='f1'/><attrList name='a' value='1'/>");
    Dm::ItemInfo item;
    item.parse(*root);
    Base::ModelObject folderBefore = item.getFolder();
    item.parse(*root);
    EXPECT_EQ(item.getAttrListArray().size(), 2u);
    folderBefore.setUid("same-object");
    EXPECT_EQ(item.getFolder().getUid(), "same-object");
}

TEST(ClassPair, FailedParseKeepsWhatCameBeforeAndDropsTheFailedEntry)
{
    std::unique_ptr<XMLNode> root = itemNode(
        "<item uid='read-before'/><extraObject clientId='good' typeName='' relationTypeName=''/>"
        "<extraObject clientId='bad' typeName='' relationTypeName=''><folder uid='x'/></extraObject>"
        "<folder uid='never-read'/>");
    Dm::ItemInfo item;
    EXPECT_THROW(item.parse(*root), Brisvale::Soa::Common::Exceptions::DomException);
    EXPECT_EQ(item.getName(), "kept");
    EXPECT_EQ(item.getItem().getUid(), "read-before");
    EXPECT_EQ(item.getExtraObjectArray().size(), 1u);
    EXPECT_EQ(item.getFolder().getUid(), "");
}

// A node made by hand has no parent, so a message's parse of it is an
// outermost call, which records a start and an end mark.
TEST(ClassPair, ParseOfANodeMadeByHandRecordsBothMarks)
{
    const XMLNode node;
    MarkRecorder recorder;
    Dm::ItemInfo item;
    item.setName("before");
    {
        ScopedMonitorListener installed(recorder);
        item.parse(node);
    }
    const std::string mark = "Brisvale::Schemas::Cad::_2007_01::Datamanagement::ItemInfo::parse";
    const std::thread::id thread = std::this_thread::get_id();
    EXPECT_EQ(recorder.events(), std::vector<MarkRecorder::Event>({{MarkRecorder::EventKind::Start, mark, thread},
                                                                  {MarkRecorder::EventKind::End, mark, thread}}));
    EXPECT_EQ("", item.getName());
}

TEST(ClassPair, AttributeTextThatDoesNotConvertIsAClearError)
{
    std::unique_ptr<XMLNode> root = parseXmlDocument("<p altIdType='' pattern='' count='12x'/>");
    Dm::GenerateAlternateIdsProperties properties;
    EXPECT_THROW(properties.parse(*root), Brisvale::Soa::Common::Xml::BadLexicalCast);
}

TEST(ClassPair, AOneFieldMessageConvertsFromItsField)
{
    Base::ServiceData serviceData;
    const Dm::CreateOrUpdatePartsResponse response = serviceData;
    serviceData.addCreatedObj(Base::RefId());
    EXPECT_EQ(1u, response.getServiceData().getCreatedObjArray().size());

    Dm::DatasetFileInfo file;
    const Dm::DatasetFileTicketInfo ticketInfo = {"ticket", file};
    file.setFileName("a.prt");
    EXPECT_EQ("a.prt", ticketInfo.getDatasetFileInfo().getFileName());
}

// The optional attributes of the base-schema types carry "set" flags. (That
// parse raises the flags of present attributes, and only those, is checked for
// every base type by the round trip of AllTypesTest.)
TEST(ClassPair, BaseSchemaOptionalAttributesAreWrittenOnlyWhenSet)
{
    Base::ModelObject object;
    object.setUid("QHJ1");
    EXPECT_FALSE(object.isClassNameSet());
    const std::string start = "<object xmlns='http://brisvale.example/Schemas/Soa/2006-03/Base' uid='QHJ1'";
    EXPECT_TRUE(Brisvale::Testing::sameXml(Brisvale::Testing::writeXml(object, "object"), start + "/>"));
    object.setClassName("Item");
    EXPECT_TRUE(object.isClassNameSet());
    object.setType("Part");
    object.setIsTypeSet(false);
    EXPECT_TRUE(Brisvale::Testing::sameXml(Brisvale::Testing::writeXml(object, "object"), start + " className='Item'/>"));
}

} // namespace
