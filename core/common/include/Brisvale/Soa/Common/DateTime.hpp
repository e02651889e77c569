#ifndef BRISVALE_SOA_COMMON_DATETIME_HPP
#define BRISVALE_SOA_COMMON_DATETIME_HPP

#include <cstdint>

#include <Brisvale/Soa/Common/CommonExport.hpp>

namespace Brisvale {
namespace Soa {
namespace Common {

// A calendar date and time of day, held as six plain integers. The class
// stores what it is given; lexical_cast checks the ranges when a value is
// turned into text or read from it.
class BRISVALE_SOA_COMMON_API DateTime
{
public:
    // 0001-01-01T00:00:00, the earliest value that can be written as text.
    DateTime();
    DateTime(int year, int month, int day, int hour, int minute, int second);

    DateTime(const DateTime& other) = default;

    DateTime& operator=(const DateTime& other)
    {
        fYear = other.fYear;
        fMonth = other.fMonth;
        fDay = other.fDay;
        fHour = other.fHour;
        fMinute = other.fMinute;
        fSecond = other.fSecond;
        return *this;
    }

    ~DateTime() {}

    int year() const { return fYear; }
    int month() const { return fMonth; }
    int day() const { return fDay; }
    int hour() const { return fHour; }
    int minute() const { return fMinute; }
    int second() const { return fSecond; }

    // Compare the six fields in order, year first.
    bool operator==(const DateTime& other) const;
    bool operator<(const DateTime& other) const;
    bool operator>(const DateTime& other) const;

    bool operator!=(const DateTime& other) const { return !(*this == other); }
    bool operator>=(const DateTime& other) const { return !(*this < other); }
    bool operator<=(const DateTime& other) const { return !(*this > other); }

private:
    std::int32_t fYear;
    std::int32_t fMonth;
    std::int32_t fDay;
    std::int32_t fHour;
    std::int32_t fMinute;
    std::int32_t fSecond;
};

} // namespace Common
} // namespace Soa
} // namespace Brisvale

#endif
