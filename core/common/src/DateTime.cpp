#include <Brisvale/Soa/Common/DateTime.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {

DateTime::DateTime()
    : fYear(1)
    , fMonth(1)
    , fDay(1)
    , fHour(0)
    , fMinute(0)
    , fSecond(0)
{
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second)
    : fYear(year)
    , fMonth(month)
    , fDay(day)
    , fHour(hour)
    , fMinute(minute)
    , fSecond(second)
{
}

bool DateTime::operator==(const DateTime& other) const
{
    return fYear == other.fYear && fMonth == other.fMonth && fDay == other.fDay
        && fHour == other.fHour && fMinute == other.fMinute && fSecond == other.fSecond;
}

bool DateTime::operator<(const DateTime& other) const
{
    if (fYear != other.fYear)
        return fYear < other.fYear;
    if (fMonth != other.fMonth)
        return fMonth < other.fMonth;
    if (fDay != other.fDay)
        return fDay < other.fDay;
    if (fHour != other.fHour)
        return fHour < other.fHour;
    if (fMinute != other.fMinute)
        return fMinute < other.fMinute;
    return fSecond < other.fSecond;
}

bool DateTime::operator>(const DateTime& other) const
{
    return other < *this;
}

} // namespace Common
} // namespace Soa
} // namespace Brisvale
