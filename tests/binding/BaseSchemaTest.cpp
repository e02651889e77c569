// The "set" flags of the optional attributes of the base-schema types. (That
// parse raises the flags of present attributes, and only those, is checked for
// every base type by the round trip of AllTypesTest.)

#include <string>

#include <gtest/gtest.h>

#include <Brisvale/Schemas/Soa/_2006_03/Base/ModelObject.hpp>

#include "XmlTestSupport.hpp"

namespace {

namespace Base = Brisvale::Schemas::Soa::_2006_03::Base;
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

} // namespace
