#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Naming.hpp"

namespace {

using namespace Xsdgen::Naming;

const std::string base = "http://brisvale.example";

TEST(XsdgenNamespaceNaming, FollowsTheUriPath)
{
    EXPECT_EQ(qualifiedNamespace(namespaceSegments(base + "/Schemas/Cad/2007-01/DataManagement", base)),
              "Brisvale::Schemas::Cad::_2007_01::Datamanagement");
    EXPECT_EQ(qualifiedNamespace(namespaceSegments(base + "/Schemas/Cad/2007-06/StructureManagement", base)),
              "Brisvale::Schemas::Cad::_2007_06::Structuremanagement");
    EXPECT_EQ(headerDirectory(namespaceSegments(base + "/Schemas/Soa/2006-03/Base", base)),
              "Brisvale/Schemas/Soa/_2006_03/Base");
}

TEST(XsdgenNamespaceNaming, RefusesUrisOutsideTheBaseOrWithoutCppNames)
{
    for (const std::string& uri : {std::string("http://elsewhere.example/Schemas/Cad"), base, base + "/",
                                   base + "x/Schemas", base + "/Schemas//Cad", base + "/Schemas/Data-Management",
                                   base + "/Schemas/class/Cad", base + "/Schemas/Cad/"})
        EXPECT_THROW(namespaceSegments(uri, base), NamingError) << uri;
}

TEST(XsdgenAccessorNaming, ArrayStemDropsOneFinalS)
{
    EXPECT_EQ(arrayStem("datasetFileInfos"), "DatasetFileInfo");
    EXPECT_EQ(arrayStem("classes"), "Classe");
    EXPECT_EQ(arrayStem("hasValueStatus"), "HasValueStatu");
    EXPECT_EQ(arrayStem("value"), "Value");
    EXPECT_EQ(arrayStem("children"), "Children");
}

TEST(XsdgenAccessorNaming, ParametersAvoidKeywordsAndTypeNames)
{
    const std::set<std::string> types{"ServiceData", "item"};
    EXPECT_EQ(parameterName("clientId", types), "clientId");
    EXPECT_EQ(parameterName("class", types), "class_");
    EXPECT_EQ(parameterName("std", types), "std_");
    EXPECT_EQ(parameterName("item", types), "item_");
}

TEST(XsdgenAccessorNaming, SafeIdentifiers)
{
    EXPECT_TRUE(isSafeIdentifier("attrList2"));
    EXPECT_FALSE(isSafeIdentifier("attr-list"));
    EXPECT_FALSE(isSafeIdentifier("_hidden"));
    EXPECT_FALSE(isSafeIdentifier("two__underscores"));
    EXPECT_FALSE(isSafeIdentifier("gr\xC3\xBC\xC3\x9F" "e"));
}

} // namespace
