#include "tools/trafficlog/sources/UtcTime.h"

#include "tools/trafficlog/sources/FieldText.h"

#include <cstring>

namespace {
constexpr int kSecondsPerDay = 86400;

// Exactly `digits` decimal digits at `text`.
bool ReadDigits(const char* text, int digits, int& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ReadDate(const char* date, int& year, int& month, int& day) {
    const char separator = date[4];
    return (separator == '/' || separator == '-') && ReadDigits(date, 4, year) &&
           date[7] == separator && ReadDigits(date + 5, 2, month) && ReadDigits(date + 8, 2, day) &&
           year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.fff..."; `end` is set after what was read.
bool ReadClock(const char* time, int& secondOfDay, const char*& end) {
    int hours = 0, minutes = 0, seconds = 0;
    if (!ReadDigits(time, 2, hours) || time[2] != ':' || !ReadDigits(time + 3, 2, minutes)) {
        return false;
    }
    end = time + 5;
    if (*end == ':') {
        if (!ReadDigits(end + 1, 2, seconds)) {
            return false;
        }
        end += 3;
        if (*end == '.') {
            for (++end; *end >= '0' && *end <= '9'; ++end) {
            }
        }
    }
    if (hours > 23 || minutes > 59 || seconds > 60) {
        return false;
    }
    secondOfDay = hours * 3600 + minutes * 60 + seconds;
    return true;
}
} // namespace

std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    // Years counted from March, so that the leap day ends a year.
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ParseUtcDateTime(const char* date, const char* time, std::int64_t& seconds) {
    int year = 0, month = 0, day = 0, secondOfDay = 0;
    const char* end = nullptr;
    if (date == nullptr || time == nullptr || std::strlen(date) != 10 ||
        !ReadDate(date, year, month, day) || !ReadClock(time, secondOfDay, end) || *end != '\0') {
        return false;
    }
    seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + secondOfDay;
    return true;
}

bool ParseTimeOption(const char* text, std::int64_t& seconds) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    std::int64_t whole = 0;
    if (ReadFieldInteger(text, whole)) {
        if (whole < 0) {
            return false;
        }
        seconds = whole;
        return true;
    }
    int year = 0, month = 0, day = 0, secondOfDay = 0;
    if (std::strlen(text) < 10 || !ReadDate(text, year, month, day) || text[4] != '-') {
        return false;
    }
    const char* rest = text + 10;
    if (*rest == 'T' || *rest == ' ') {
        if (!ReadClock(rest + 1, secondOfDay, rest)) {
            return false;
        }
    }
    if (*rest == 'Z') {
        ++rest;
    }
    if (*rest != '\0') {
        return false;
    }
    seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + secondOfDay;
    return true;
}
