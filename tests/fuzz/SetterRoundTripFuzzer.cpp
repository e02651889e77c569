// Setter values -> text -> message: every value set comes back byte for
// byte, or writing refuses a value that XML cannot carry. A value's text
// form is unique to it (NaN aside), so the message read back must write the
// same text. The input is split at '"' into at most 32 values, so that the
// sample documents make good seeds.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/AbsOccDataInfo.hpp>
#include <Brisvale/Schemas/Cad/_2007_01/Structuremanagement/RevisionRuleEntryProps.hpp>
#include <Brisvale/Soa/Common/Xml/Conversions.hpp>
#include <Brisvale/Soa/Common/Xml/XmlDocumentReader.hpp>
#include <Brisvale/Soa/Common/Xml/XmlStream.hpp>

using namespace Brisvale::Soa::Common;
namespace Sm = Brisvale::Schemas::Cad::_2007_01::Structuremanagement;

// A number made of the first bytes of the text.
template <class Number>
Number numberOf(const std::string& text)
{
    Number number = 0;
    std::memcpy(&number, text.data(), std::min(sizeof number, text.size()));
    return number;
}

template <class Message>
std::string written(const Message& message)
{
    Xml::XmlStream stream;
    message.outputXML(stream, "m");
    return stream.str();
}

template <class Message>
bool readsBack(const Message& message, Message back = Message())
{
    back.parse(*Xml::parseXmlDocument(written(message)));
    return written(back) == written(message);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> values(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '"' && values.size() < 32)
            values.emplace_back();
        else
            values.back().push_back(static_cast<char>(data[i]));
    }
    const int n = numberOf<int>(values.front());
    Sm::RevisionRuleEntryProps props;
    props.setToday(n % 2 == 1);
    props.setDate(DateTime(n % 10007, n % 13, n % 32, n % 25, n % 61, n % 61));
    props.setUnitNo(n);
    Sm::AbsOccDataInfo occurrence;
    for (const std::string& value : values) {
        occurrence.addOverridesToRemove(value);
        occurrence.addOccTransform(numberOf<double>(value));
    }
    try {
        if (readsBack(props) && readsBack(occurrence))
            return 0;
    } catch (const std::invalid_argument&) {  // only for a value that XML cannot carry
        try {
            Xml::lexical_cast<std::string>(props.getDate());
            for (const std::string& value : values)
                Xml::toXmlString(value);
        } catch (const std::invalid_argument&) {
            return 0;
        }
    }
    std::abort();
}
