#include <Brisvale/Soa/Common/Xml/Conversions.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// "YYYY-MM-DDThh:mm:ss"
const char kPattern[] = "0000-00-00T00:00:00";
const std::size_t kLength = sizeof kPattern - 1;

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// Why the fields do not make a writable date and time; null if they do.
const char* outOfRange(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999)
        return "the year is not between 0001 and 9999";
    if (month < 1 || month > 12)
        return "the month is not between 01 and 12";
    if (day < 1 || day > daysInMonth(year, month))
        return "the day does not exist in that month";
    if (hour < 0 || hour > 23)
        return "the hour is not between 00 and 23";
    if (minute < 0 || minute > 59)
        return "the minute is not between 00 and 59";
    if (second < 0 || second > 59)
        return "the second is not between 00 and 59";
    return nullptr;
}

int readDigits(const std::string& text, std::size_t position, std::size_t count)
{
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

void writeDigits(char* out, int value, std::size_t count)
{
    for (std::size_t i = count; i > 0; --i)
    {
        out[i - 1] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

std::string describe(const DateTime& value)
{
    return "DateTime(" + std::to_string(value.year()) + ", " + std::to_string(value.month())
         + ", " + std::to_string(value.day()) + ", " + std::to_string(value.hour()) + ", "
         + std::to_string(value.minute()) + ", " + std::to_string(value.second()) + ")";
}

} // namespace

template <>
DateTime lexical_cast<DateTime, std::string>(const std::string& value)
{
    bool wellFormed = value.size() == kLength;
    for (std::size_t i = 0; wellFormed && i < kLength; ++i)
    {
        const char c = value[i];
        wellFormed = kPattern[i] == '0' ? c >= '0' && c <= '9' : c == kPattern[i];
    }
    if (!wellFormed)
        throw BadLexicalCast(value, "DateTime", "expected YYYY-MM-DDThh:mm:ss");

    const int year = readDigits(value, 0, 4);
    const int month = readDigits(value, 5, 2);
    const int day = readDigits(value, 8, 2);
    const int hour = readDigits(value, 11, 2);
    const int minute = readDigits(value, 14, 2);
    const int second = readDigits(value, 17, 2);
    if (const char* reason = outOfRange(year, month, day, hour, minute, second))
        throw BadLexicalCast(value, "DateTime", reason);
    return DateTime(year, month, day, hour, minute, second);
}

template <>
std::string lexical_cast<std::string, DateTime>(const DateTime& value)
{
    if (const char* reason = outOfRange(value.year(), value.month(), value.day(), value.hour(),
                                        value.minute(), value.second()))
        throw BadLexicalCast(describe(value), "std::string", reason);

    std::string text(kPattern, kLength);
    writeDigits(&text[0], value.year(), 4);
    writeDigits(&text[5], value.month(), 2);
    writeDigits(&text[8], value.day(), 2);
    writeDigits(&text[11], value.hour(), 2);
    writeDigits(&text[14], value.minute(), 2);
    writeDigits(&text[17], value.second(), 2);
    return text;
}

} // namespace Xml
} // namespace Common
} // namespace Soa
} // namespace Brisvale
