// Date-time values as the program keeps them: a double holding whole days since
// 30 December 1899 (day 0) plus the fraction of the day. Proleptic Gregorian calendar,
// years 1..9999.
#pragma once

#include <cstdint>

struct TDateParts {
    std::uint16_t Year = 0, Month = 0, Day = 0;
    std::uint16_t Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// False when the calendar rejects the date (month outside 1..12, day outside the month,
// year outside 1..9999).
bool TryEncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day, double& date);

// False when hour >= 24, minute >= 60, second >= 60 or millisecond >= 1000.
bool TryEncodeTime(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                   std::uint16_t millisecond, double& time);

// Calendar date and time of day of a date-time value (milliseconds rounded to the nearest).
TDateParts DecodeDateTime(double dateTime);
