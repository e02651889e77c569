#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Cad/_2007_01/Datamanagement/GenerateAlternateIdsProperties.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/PropertyValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/RefId.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>

#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
namespace Dm = Brisvale::Schemas::Cad::_2007_01::Datamanagement;
using Brisvale::Testing::readXml;
using Brisvale::Testing::sameXml;
using Brisvale::Testing::writeXml;

const char* const baseUri = "http://brisvale.example/Schemas/Soa/2006-03/Base";

// Holds one more reference to a ModelObject and reads its count.
class CountingModelObject : public Base::ModelObject
{
public:
    explicit CountingModelObject(const Base::ModelObject& object)
        : Base::ModelObject(object)
    {
    }
    int references() const { return getHandleObject().askRefCount() - 1; }
};

TEST(BaseSchemaSharing, CopiesOfAModelObjectSeeOneUid)
{
    Base::ModelObject first;
    Base::ModelObject copy(first);
    copy.setUid("QHJ1");
    EXPECT_EQ(first.getUid(), "QHJ1");

    first.getUid() += "-changed";
    const Base::ModelObject& constFirst = first;
    EXPECT_EQ(constFirst.getUid(), "QHJ1-changed");
}

TEST(BaseSchemaSharing, DefaultMessageHoldsDistinctModelObjects)
{
    Dm::GenerateAlternateIdsProperties properties;
    properties.getIdContext().setUid("context");
    EXPECT_EQ(properties.getParentAltId().getUid(), "");
}

TEST(BaseSchemaSharing, StoringInAMessageCountsOneReference)
{
    Base::ModelObject object;
    CountingModelObject probe(object);
    EXPECT_EQ(probe.references(), 1);
    {
        Dm::GenerateAlternateIdsProperties properties;
        properties.setIdContext(object);
        EXPECT_EQ(probe.references(), 2);
        object.setUid("seen-through-message");
        EXPECT_EQ(properties.getIdContext().getUid(), "seen-through-message");
    }
    EXPECT_EQ(probe.references(), 1);
}

TEST(BaseSchemaFlags, OptionalAttributesAreWrittenOnlyWhenSet)
{
    Base::ModelObject object;
    object.setUid("QHJ1");
    EXPECT_FALSE(object.isClassNameSet());
    EXPECT_TRUE(sameXml(writeXml(object, "object"),
                        std::string("<object xmlns='") + baseUri + "' uid='QHJ1'/>"));

    object.setClassName("Item");
    EXPECT_TRUE(object.isClassNameSet());
    object.setType("Part");
    object.setIsTypeSet(false);
    EXPECT_TRUE(sameXml(writeXml(object, "object"),
                        std::string("<object xmlns='") + baseUri + "' uid='QHJ1' className='Item'/>"));
}

TEST(BaseSchemaFlags, ParseRaisesTheFlagsOfPresentAttributes)
{
    const std::string text = std::string("<ServiceData xmlns='") + baseUri + "'>"
                             "<createdObjs uid='x'/>"
                             "<dataObjects uid='a' classUid='c1'>"
                             "<properties name='p' uiValue='P' modifiable='true'>"
                             "<values value='v1' isNull='false'/><values value=''/>"
                             "</properties></dataObjects>"
                             "<partialErrors clientIndex='7'><errorValues code='214000' level='3' message='no'/>"
                             "</partialErrors>"
                             "</ServiceData>";
    Base::ServiceData data = readXml<Base::ServiceData>(text);

    ASSERT_EQ(data.getDataObjectArray().size(), 1u);
    const Base::ModelObject& object = data.getDataObjectArray()[0];
    EXPECT_TRUE(object.isClassUidSet());
    EXPECT_FALSE(object.isClassNameSet());
    EXPECT_FALSE(object.isTypeSet());
    ASSERT_EQ(object.getPropertieArray().size(), 1u);
    const Base::Property& property = object.getPropertieArray()[0];
    EXPECT_TRUE(property.getModifiable());
    ASSERT_EQ(property.getValueArray().size(), 2u);
    EXPECT_TRUE(property.getValueArray()[0].isIsNullSet());
    EXPECT_FALSE(property.getValueArray()[1].isIsNullSet());

    ASSERT_EQ(data.getPartialErrorArray().size(), 1u);
    const Base::ErrorStack& stack = data.getPartialErrorArray()[0];
    EXPECT_TRUE(stack.isClientIndexSet());
    EXPECT_EQ(stack.getClientIndex(), 7);
    EXPECT_FALSE(stack.isClientIdSet());
    ASSERT_EQ(stack.getErrorValueArray().size(), 1u);
    EXPECT_EQ(stack.getErrorValueArray()[0].getCode(), 214000);
    EXPECT_EQ(data.getCreatedObjArray().size(), 1u);

    EXPECT_TRUE(sameXml(writeXml(data, "ServiceData"), text));
}

} // namespace
