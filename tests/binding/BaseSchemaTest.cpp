// The "set" flags of the optional attributes of the base-schema types.

#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Soa/_2006_03/Base/ErrorStack.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/Property.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/PropertyValue.hpp>
#include <Brisvale/Schemas/Soa/_2006_03/Base/ServiceData.hpp>

#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
using Brisvale::Testing::readXml;
using Brisvale::Testing::sameXml;
using Brisvale::Testing::writeXml;

const char* const baseUri = "http://brisvale.example/Schemas/Soa/2006-03/Base";

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

TEST(BaseSchemaFlags, ParseRaisesTheFlagsOfPresentAttributesOnly)
{
    const Base::ServiceData data = readXml<Base::ServiceData>(
        std::string("<ServiceData xmlns='") + baseUri + "'><dataObjects uid='a' classUid='c1'>"
        "<properties name='p' uiValue='P' modifiable='true'><values value='v1' isNull='false'/><values value=''/>"
        "</properties></dataObjects><partialErrors clientIndex='7'/></ServiceData>");
    const Base::ModelObject& object = data.getDataObjectArray().at(0);
    EXPECT_TRUE(object.isClassUidSet());
    EXPECT_FALSE(object.isClassNameSet());
    const Base::Property& property = object.getPropertieArray().at(0);
    EXPECT_TRUE(property.getValueArray().at(0).isIsNullSet());
    EXPECT_FALSE(property.getValueArray().at(1).isIsNullSet());
    const Base::ErrorStack& stack = data.getPartialErrorArray().at(0);
    EXPECT_TRUE(stack.isClientIndexSet());
    EXPECT_EQ(stack.getClientIndex(), 7);
    EXPECT_FALSE(stack.isClientIdSet());
}

} // namespace
