#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

#include "Xml/Text/ByteScan.hpp"
#include "Xml/Text/XmlCharacters.hpp"

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// The text in quotes; a text longer than 128 bytes is cut there, at a
// character boundary, and "..." marks the cut.
std::string quoteForMessage(const std::string& text)
{
    const std::size_t limit = 128;
    if (text.size() <= limit)
        return "\"" + text + "\"";
    std::size_t cut = limit;
    // Back to the first byte of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return "\"" + text.substr(0, cut) + "...\"";
}

[[noreturn]] void throwBadCast(const std::string& text, const char* targetType,
                               const std::string& reason)
{
    throw BadLexicalCast(text, targetType, reason);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// XML Schema collapses the white space of a boolean or a number before it
// reads it: the value is what stands between the leading and the trailing
// spaces, tabs and line ends. Space inside it stays and is refused.
std::string_view collapsed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isXmlSpace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && isXmlSpace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return std::string_view(text.data() + first, last - first);
}

// Skips the '+' that XML Schema allows before a number; a second sign is
// refused. The whole text names the value in the message.
const char* skipPlusSign(std::string_view value, const std::string& text, const char* targetType)
{
    const char* first = value.data();
    if (!value.empty() && value[0] == '+')
    {
        if (value.size() == 1 || value[1] == '+' || value[1] == '-')
            throwBadCast(text, targetType, "misplaced sign");
        ++first;
    }
    return first;
}

// Whether a number that from_chars found out of range is too small for a
// double rather than too large: its first significant digit lies far below
// the decimal point. The text has the form that from_chars accepted.
bool underflows(const char* first, const char* last)
{
    if (*first == '-')
        ++first;
    long long magnitude = 0;  // decimal exponent of the first significant digit
    bool significant = false;
    bool fraction = false;
    for (; first != last && *first != 'e' && *first != 'E'; ++first)
    {
        if (*first == '.')
            fraction = true;
        else if (significant)
            magnitude += fraction ? 0 : 1;
        else
        {
            magnitude -= fraction ? 1 : 0;
            significant = *first != '0';
        }
    }
    if (!significant)
        return true;
    long long exponent = 0;
    bool negative = false;
    if (first != last && ++first != last && (*first == '-' || *first == '+'))
        negative = *first++ == '-';
    // An exponent beyond this decides alone, whatever the digits before it.
    const long long saturation = 1LL << 40;
    for (; first != last && exponent < saturation; ++first)
        exponent = exponent * 10 + (*first - '0');
    return magnitude + (negative ? -exponent : exponent) < 0;
}

} // namespace

BadLexicalCast::BadLexicalCast(const std::string& text, const std::string& targetType,
                               const std::string& reason)
    : std::invalid_argument("cannot convert " + quoteForMessage(text) + " to " + targetType
                            + ": " + reason)
{
}

BadLexicalCast::~BadLexicalCast() = default;

template <>
bool lexical_cast<bool, std::string>(const std::string& text)
{
    const std::string_view value = collapsed(text);
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    throwBadCast(text, "bool", "expected true, false, 1 or 0");
}

template <>
int lexical_cast<int, std::string>(const std::string& text)
{
    const std::string_view value = collapsed(text);
    if (value.empty())
        throwBadCast(text, "int", "the text is empty");
    const char* first = skipPlusSign(value, text, "int");
    const char* last = value.data() + value.size();
    int result = 0;
    const std::from_chars_result parsed = std::from_chars(first, last, result);
    if (parsed.ec == std::errc::result_out_of_range)
        throwBadCast(text, "int", "out of range");
    if (parsed.ec != std::errc() || parsed.ptr != last)
        throwBadCast(text, "int", "not a decimal integer");
    return result;
}

template <>
double lexical_cast<double, std::string>(const std::string& text)
{
    const std::string_view value = collapsed(text);
    if (value == "INF" || value == "+INF")
        return std::numeric_limits<double>::infinity();
    if (value == "-INF")
        return -std::numeric_limits<double>::infinity();
    if (value == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (value.empty())
        throwBadCast(text, "double", "the text is empty");

    const char* first = skipPlusSign(value, text, "double");
    const char* last = value.data() + value.size();
    // Only digits may follow the sign: the special values have the
    // spellings above and no others.
    const char* mantissa = *first == '-' ? first + 1 : first;
    if (mantissa == last || !(isDigit(*mantissa) || *mantissa == '.'))
        throwBadCast(text, "double", "not a number");

    double result = 0;
    const std::from_chars_result parsed =
        std::from_chars(first, last, result, std::chars_format::general);
    if (parsed.ptr != last || (parsed.ec != std::errc() && parsed.ec != std::errc::result_out_of_range))
        throwBadCast(text, "double", "not a number");
    if (parsed.ec == std::errc::result_out_of_range)
    {
        // XML Schema reads a number as the nearest double: one too small
        // for the smallest denormal is zero, with its sign. One too large
        // is refused rather than read as infinity.
        if (!underflows(first, last))
            throwBadCast(text, "double", "out of range");
        return *first == '-' ? -0.0 : 0.0;
    }
    return result;
}

template <>
std::string lexical_cast<std::string, bool>(const bool& value)
{
    return value ? "true" : "false";
}

template <>
std::string lexical_cast<std::string, int>(const int& value)
{
    char buffer[16];
    const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

template <>
std::string lexical_cast<std::string, double>(const double& value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    // The shortest text that reads back as the same value.
    char buffer[32];
    const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

namespace {

// Text with a byte to escape or to check, escaped at its exact size. Kept
// out of toXmlString, whose usual text has nothing to escape.
[[gnu::noinline]] std::string escapedCopy(const std::string& text)
{
    const std::size_t special = findFirstSpecialByte(text);
    std::string escaped;
    escaped.reserve(xmlEscapedSize(text, special));
    appendXmlEscaped(escaped, text, special);
    return escaped;
}

} // namespace

std::string toXmlString(const std::string& text)
{
    if (ByteScan::hasSpecialByte(text.data(), text.size()))
        return escapedCopy(text);
    return text;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
