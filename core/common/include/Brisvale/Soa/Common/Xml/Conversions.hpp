#ifndef BRISVALE_SOA_COMMON_XML_CONVERSIONS_HPP
#define BRISVALE_SOA_COMMON_XML_CONVERSIONS_HPP

#include <stdexcept>
#include <string>

#include <Brisvale/Soa/Common/CommonExport.hpp>
#include <Brisvale/Soa/Common/DateTime.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

// Raised by lexical_cast for a value that does not convert.
class BRISVALE_SOA_COMMON_API BadLexicalCast : public std::invalid_argument
{
public:
    // The message names the text, the target type and the reason.
    BadLexicalCast(const std::string& text, const std::string& targetType,
                   const std::string& reason);
    virtual ~BadLexicalCast();
};

// Converts values to and from their XML text form, strictly and whatever
// the locale:
//  - bool: written "true" or "false"; read from "true", "false", "1", "0".
//  - int: decimal with an optional sign; range-checked.
//  - double: the shortest text that reads back to the same value; "INF",
//    "-INF" and "NaN" for the special values.
//  - DateTime: "YYYY-MM-DDThh:mm:ss", year 0001 to 9999, every field in
//    range, both ways.
// XML white space (space, tab, line feed, carriage return) before and after
// a bool, an int or a double is dropped, as XML Schema does; white space
// inside one, any white space in a DateTime and any other extra character
// are refused. Text that does not convert, the empty string and white space
// alone included, is BadLexicalCast, whose message names the text (cut after
// 128 bytes) and the target type.
template <class Target, class Source>
Target lexical_cast(const Source& value);

template <> BRISVALE_SOA_COMMON_API bool lexical_cast<bool, std::string>(const std::string& value);
template <> BRISVALE_SOA_COMMON_API int lexical_cast<int, std::string>(const std::string& value);
template <> BRISVALE_SOA_COMMON_API double lexical_cast<double, std::string>(const std::string& value);
template <> BRISVALE_SOA_COMMON_API DateTime lexical_cast<DateTime, std::string>(const std::string& value);

template <> BRISVALE_SOA_COMMON_API std::string lexical_cast<std::string, bool>(const bool& value);
template <> BRISVALE_SOA_COMMON_API std::string lexical_cast<std::string, int>(const int& value);
template <> BRISVALE_SOA_COMMON_API std::string lexical_cast<std::string, double>(const double& value);
template <> BRISVALE_SOA_COMMON_API std::string lexical_cast<std::string, DateTime>(const DateTime& value);

// Escapes UTF-8 text for use as character data or an attribute value:
// & < > " ' and TAB, LF, CR become references, so the text comes back byte
// for byte from either place. Text that XML 1.0 cannot carry (invalid UTF-8,
// control characters other than TAB, LF and CR, U+FFFE, U+FFFF, encoded
// surrogates) is std::invalid_argument.
BRISVALE_SOA_COMMON_API std::string toXmlString(const std::string& text);

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
