// The sharing, cloning and parsing rules that every class pair follows,
// checked on a few representative generated types.

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/AttributeInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/DatasetFileTicketInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsProperties.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/ItemInfo.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Soa/Common/Exceptions/DomException.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XMLNode.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>

#include "XmlTestSupport.hpp"

namespace {

namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
using Brisvale::Soa::Common::Xml::BadLexicalCast;
using Brisvale::Soa::Common::Xml::XMLNode;
using Brisvale::Soa::Common::Xml::parseXmlDocument;

// Reaches the implementation object, as a caller of reallyClone would.
class InspectableItemInfo : public Dm::ItemInfo
{
public:
    Dm::ItemInfoImpl& impl() const { return getHandleObject(); }
};

const char* const dmUri = "http://brisvale.example/Schemas/Cad/2007-01/DataManagement";

TEST(ClassPairSharing, CopiesSeeEachOthersChangesAndCloneDoesNot)
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

    EXPECT_EQ(clone->getName(), "bracket");
    EXPECT_EQ(clone->getAttrListArray().size(), 1u);
    EXPECT_EQ(clone->getItem().getUid(), "shared-child");
    EXPECT_EQ(clone->getAttrListArray()[0].getValue(), "aluminium");
    EXPECT_EQ(clone->askRefCount(), 0);
}

TEST(ClassPairConstruction, FieldConstructorStoresEveryArgumentAndSharesChildren)
{
    Dm::DatasetFileInfo file("file-1", true, "CadPart", true, "a.prt");
    EXPECT_TRUE(file.getIsText());
    EXPECT_TRUE(file.getAllowReplace());
    EXPECT_FALSE(Dm::DatasetFileInfo().getIsText());

    Base::ModelObject context;
    Base::ModelObject parent;
    Dm::GenerateAlternateIdsProperties properties("altid", -7, "pattern", context, parent);
    context.setUid("ctx");
    EXPECT_EQ(properties.getIdContext().getUid(), "ctx");
    EXPECT_EQ(properties.getCount(), -7);

    // A new message holds a complete tree of default children.
    Dm::DatasetFileTicketInfo ticket;
    ticket.getDatasetFileInfo().setFileName("b.prt");
    EXPECT_EQ(ticket.getDatasetFileInfo().getFileName(), "b.prt");
}

TEST(ClassPairParsing, ParsingTwiceAppendsToArraysAndReparsesSingleChildren)
{
    const std::string text = std::string("<item xmlns='") + dmUri + "' name='n' description='d' itemType='t' itemId='i'>"
                             "<folder uid='f1'/><attrList name='a' value='1'/><item uid='i1'/>"
                             "<extraObject clientId='x' typeName='' relationTypeName=''><object uid='o'/></extraObject>"
                             "</item>";
    std::unique_ptr<XMLNode> root = parseXmlDocument(text);
    Dm::ItemInfo item;
    item.parse(*root);
    Base::ModelObject folderBefore = item.getFolder();
    item.parse(*root);

    EXPECT_EQ(item.getAttrListArray().size(), 2u);
    EXPECT_EQ(item.getExtraObjectArray().size(), 2u);
    EXPECT_EQ(item.getFolder().getUid(), "f1");
    folderBefore.setUid("same-object");
    EXPECT_EQ(item.getFolder().getUid(), "same-object");
}

TEST(ClassPairParsing, FailedEntryIsNotAppendedAndEarlierDataStays)
{
    const std::string text = std::string("<item xmlns='") + dmUri + "' name='kept' description='' itemType='' itemId=''>"
                             "<item uid='read-before'/>"
                             "<extraObject clientId='good' typeName='' relationTypeName=''/>"
                             "<extraObject clientId='bad' typeName='' relationTypeName=''><folder uid='x'/></extraObject>"
                             "<folder uid='never-read'/>"
                             "</item>";
    std::unique_ptr<XMLNode> root = parseXmlDocument(text);
    Dm::ItemInfo item;
    EXPECT_THROW(item.parse(*root), Brisvale::Soa::Common::Exceptions::DomException);
    EXPECT_EQ(item.getName(), "kept");
    EXPECT_EQ(item.getItem().getUid(), "read-before");
    ASSERT_EQ(item.getExtraObjectArray().size(), 1u);
    EXPECT_EQ(item.getExtraObjectArray()[0].getClientId(), "good");
    EXPECT_EQ(item.getFolder().getUid(), "");
}

TEST(ClassPairParsing, AttributeTextThatDoesNotConvertIsAClearError)
{
    Dm::GenerateAlternateIdsProperties properties;
    for (const char* count : {"", "12x", "99999999999"}) {
        std::unique_ptr<XMLNode> root = parseXmlDocument(std::string("<p xmlns='") + dmUri +
                                                         "' altIdType='' pattern='' count='" + count + "'/>");
        try {
            properties.parse(*root);
            ADD_FAILURE() << "count=\"" << count << "\" was accepted";
        } catch (const BadLexicalCast& error) {
            EXPECT_NE(std::string(error.what()).find("int"), std::string::npos) << error.what();
        }
    }
}

} // namespace
