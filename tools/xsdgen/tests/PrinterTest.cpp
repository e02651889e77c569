#include <stdexcept>

#include <gtest/gtest.h>

#include "Printer.hpp"

namespace {

using Xsdgen::Printer;

TEST(XsdgenPrinter, SubstitutesVariablesAndIndentsNonEmptyLines)
{
    Printer printer;
    printer.print("class $name$\n{\n", {{"name", "ItemInfo"}});
    printer.indent();
    printer.print("int $member$;\n\nint price$$;\n", {{"member", "fCount"}});
    printer.outdent();
    printer.print("};\n");
    EXPECT_EQ(printer.text(), "class ItemInfo\n{\n    int fCount;\n\n    int price$;\n};\n");
}

TEST(XsdgenPrinter, RefusesTemplateFaults)
{
    Printer printer;
    EXPECT_THROW(printer.print("$missing$"), std::logic_error);
    EXPECT_THROW(printer.print("$open"), std::logic_error);
    EXPECT_THROW(printer.outdent(), std::logic_error);
}

} // namespace
