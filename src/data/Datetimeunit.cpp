#include "data/Datetimeunit.h"

#include <cmath>

namespace {

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : lengths[month - 1];
}

// Days from 1970-01-01 to the given civil date (H. Hinnant's days_from_civil).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

// 1899-12-30 counted from 1970-01-01.
const long long DateZero = DaysFromCivil(1899, 12, 30);

} // namespace

bool TryEncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day, double& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    date = static_cast<double>(DaysFromCivil(year, month, day) - DateZero);
    return true;
}

bool TryEncodeTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                   std::uint16_t millisecond, double& time) {
    if (hour >= 24 || minute >= 60 || second >= 60 || millisecond >= 1000)
        return false;
    const long milliseconds = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
    time = milliseconds / 86400000.0;
    return true;
}

TDateParts DecodeDateTime(double dateTime) {
    TDateParts parts;
    // Whole milliseconds since day 0; for days before day 0 the fraction still counts forward
    // from midnight, as in the date-time values of the platform this format comes from.
    double days = std::trunc(dateTime);
    double fraction = std::fabs(dateTime - days);
    long long milliseconds = std::llround(fraction * 86400000.0);
    if (milliseconds >= 86400000LL) {
        milliseconds -= 86400000LL;
        days += dateTime < 0 ? -1 : 1;
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays(static_cast<long long>(days) + DateZero, year, month, day);
    parts.Year = static_cast<std::uint16_t>(year);
    parts.Month = static_cast<std::uint16_t>(month);
    parts.Day = static_cast<std::uint16_t>(day);
    parts.Hour = static_cast<std::uint16_t>(milliseconds / 3600000);
    parts.Minute = static_cast<std::uint16_t>(milliseconds / 60000 % 60);
    parts.Second = static_cast<std::uint16_t>(milliseconds / 1000 % 60);
    parts.Millisecond = static_cast<std::uint16_t>(milliseconds % 1000);
    return parts;
}
