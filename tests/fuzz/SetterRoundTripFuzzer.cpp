// Setter values -> text -> message: every value set comes back byte for
// byte, or writing refuses a value that XML cannot carry. The input is
// split at '"' into at most 32 values, so that the sample documents make
// good seeds.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccDataInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RevisionRuleEntryProps.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

namespace {

using namespace Brisvale::Soa::Common;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;

// A value's text if it converts, else a value made of its bytes.
template <class Number>
Number numberFrom(const std::string& text)
{
    try
    {
        return Xml::lexical_cast<Number>(text);
    }
    catch (const Xml::BadLexicalCast&)
    {
        Number number = 0;
        std::memcpy(&number, text.data(), std::min(sizeof number, text.size()));
        return number;
    }
}

DateTime dateFrom(const std::string& text)
{
    try
    {
        return Xml::lexical_cast<DateTime>(text);
    }
    catch (const Xml::BadLexicalCast&)
    {
        const int n = numberFrom<int>(text);
        return DateTime(n % 10007, n % 13, n % 32, n % 25, n % 61, n % 61);
    }
}

bool sameDouble(double a, double b)
{
    return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b);
}

template <class Message>
std::string write(const Message& message)
{
    Xml::XmlStream stream;
    message.outputXML(stream, "m");
    return stream.str();
}

template <class Message>
Message read(const std::string& text)
{
    Message message;
    message.parse(*Xml::parseXmlDocument(text));
    return message;
}

// Whether XML cannot carry one of the values, which writing must refuse.
bool anyRefusable(const std::vector<std::string>& strings, const DateTime& date)
{
    try
    {
        Xml::lexical_cast<std::string>(date);
        for (const std::string& text : strings)
            Xml::toXmlString(text);
    }
    catch (const std::invalid_argument&)
    {
        return true;
    }
    return false;
}

void check(bool same)
{
    if (!same)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> values(1);
    for (std::size_t i = 0; i < size; ++i)
    {
        if (data[i] == '"' && values.size() < 32)
            values.emplace_back();
        else
            values.back().push_back(static_cast<char>(data[i]));
    }
    const std::string& first = values.front();
    const DateTime date = dateFrom(first);

    Sm::RevisionRuleEntryProps props;
    props.setToday(first.size() % 2 == 1);
    props.setDate(date);
    props.setUnitNo(numberFrom<int>(values.back()));
    props.getEndItem().setUid(first);
    props.getEndItem().setType(values.back());
    Sm::AbsOccDataInfo occurrence;
    occurrence.setClientIdOfUsedArrangement(values.back());
    for (const std::string& value : values)
    {
        occurrence.addOverridesToRemove(value);
        occurrence.addOccTransform(numberFrom<double>(value));
    }

    std::string propsText;
    std::string occurrenceText;
    try
    {
        propsText = write(props);
        occurrenceText = write(occurrence);
    }
    catch (const std::invalid_argument&)
    {
        check(anyRefusable(values, date));
        return 0;
    }
    const Sm::RevisionRuleEntryProps propsBack = read<Sm::RevisionRuleEntryProps>(propsText);
    check(propsBack.getToday() == props.getToday() && propsBack.getDate() == date
          && propsBack.getUnitNo() == props.getUnitNo() && propsBack.getEndItem().getUid() == first
          && propsBack.getEndItem().getType() == values.back());
    const Sm::AbsOccDataInfo occurrenceBack = read<Sm::AbsOccDataInfo>(occurrenceText);
    check(occurrenceBack.getClientIdOfUsedArrangement() == values.back()
          && occurrenceBack.getOverridesToRemoveArray() == values
          && occurrenceBack.getOccTransformArray().size() == values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        check(sameDouble(occurrenceBack.getOccTransformArray()[i], occurrence.getOccTransformArray()[i]));
    return 0;
}
