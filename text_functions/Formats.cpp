// Position, time and number formatting: every position text is one decomposition of an angle
// into whole degrees, whole minutes and a fraction of a minute, truncated toward zero.
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <optional>

extern const char kFormatsRevision[] = "%z% TextFunctions QX3102 Formats.cpp $Revision: 1.10 $";

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kSecondsPerDegree = 3600.0;
constexpr double kPositionRange = 360.0;
constexpr int kFixedPositionSize = 10;

struct Angle {
    int degrees;
    int minutes;
    double exactMinutes;

    double MinuteFraction() const { return exactMinutes - minutes; }
    int TruncatedSeconds() const { return static_cast<int>(MinuteFraction() * 60.0); }
    int NearestSeconds() const { return static_cast<int>(MinuteFraction() * 60.0 + 0.5); }
    int Tenths() const { return static_cast<int>(MinuteFraction() * 10.0); }
};

// Keeps the sign of the value in every part. Empty when the whole degrees do not fit an int.
std::optional<Angle> Decompose(double degrees) {
    if (!(std::fabs(degrees) < 2147483648.0)) {
        return std::nullopt;
    }
    const int whole = static_cast<int>(degrees);
    const double exactMinutes = (degrees - whole) * 60.0;
    return Angle{whole, static_cast<int>(exactMinutes), exactMinutes};
}

char* StoreEmpty(char* output, int size) {
    FormatBounded(output, size, "%s", "");
    return output;
}

char HemisphereLetter(double value, int kind) {
    if (kind == kLatitude) {
        return value < 0 ? 'S' : 'N';
    }
    if (kind == kLongitude) {
        return value < 0 ? 'W' : 'E';
    }
    return '?';
}

char* FormatHemisphereDMS(char* output, int size, double degrees, int kind) {
    const auto angle = Decompose(std::fabs(degrees));
    if (!angle) {
        return StoreEmpty(output, size);
    }
    FormatBounded(output, size, "%c%03d:%02d:%02d", HemisphereLetter(degrees, kind), angle->degrees,
                  angle->minutes, angle->NearestSeconds());
    return output;
}

// A position within the accepted range, decomposed from its absolute value.
struct Position {
    Angle angle;
    char letter;
    bool latitude;
};

std::optional<Position> RangedPosition(double degrees, int kind) {
    // Written so that a NaN, which lies in no range, is refused as well.
    if (!(degrees >= -kPositionRange && degrees <= kPositionRange) ||
        (kind != kLatitude && kind != kLongitude)) {
        return std::nullopt;
    }
    return Position{*Decompose(std::fabs(degrees)), HemisphereLetter(degrees, kind),
                    kind == kLatitude};
}

} // namespace

char* FormatSecondsDMS(char* output, int size, double seconds) {
    const auto angle = Decompose(seconds / kSecondsPerDegree);
    if (!angle) {
        return StoreEmpty(output, size);
    }
    FormatBounded(output, size, "% 5d:% 2d:% 2.5f", angle->degrees, angle->minutes,
                  angle->MinuteFraction() * 60.0);
    return output;
}

char* FormatSignedDMS(char* output, int size, double arcSeconds) {
    const auto angle = Decompose(std::fabs(arcSeconds / kSecondsPerDegree));
    if (!angle) {
        return StoreEmpty(output, size);
    }
    FormatBounded(output, size, "%c%03d:%02d:%02d", arcSeconds < 0 ? '-' : '+', angle->degrees,
                  angle->minutes, angle->TruncatedSeconds());
    return output;
}

char* FormatArcSecondsDMS(char* output, int size, double arcSeconds, int kind) {
    return FormatHemisphereDMS(output, size, arcSeconds / kSecondsPerDegree, kind);
}

char* FormatArcSecondsDMSSwapped(char* output, int size, double arcSeconds, int kind) {
    const int swapped = kind == kLatitude ? kLongitude : kind == kLongitude ? kLatitude : kind;
    return FormatArcSecondsDMS(output, size, arcSeconds, swapped);
}

char* FormatDegreesDMS(char* output, int size, double degrees, int kind) {
    return FormatHemisphereDMS(output, size, degrees, kind);
}

char* FormatRadiansDMS(char* output, int size, double radians, int kind) {
    return FormatHemisphereDMS(output, size, radians * kDegreesPerRadian, kind);
}

char* FormatDegreesDecimalMinutes(char* output, int size, double arcSeconds) {
    const auto angle = Decompose(arcSeconds / kSecondsPerDegree);
    if (!angle) {
        return StoreEmpty(output, size);
    }
    FormatBounded(output, size, "%+4d:%05.3f", angle->degrees, angle->exactMinutes);
    return output;
}

char* FormatLatLonTenths(char* output, double degrees, int kind) {
    const auto position = RangedPosition(degrees, kind);
    if (!position) {
        return StoreEmpty(output, kFixedPositionSize);
    }
    const Angle& a = position->angle;
    if (position->latitude) {
        FormatBounded(output, kFixedPositionSize, "%02d%02d.%1d%c", a.degrees, a.minutes,
                      a.Tenths(), position->letter);
    } else {
        FormatBounded(output, kFixedPositionSize, "%03d%02d.%1d%c", a.degrees, a.minutes,
                      a.Tenths(), position->letter);
    }
    return output;
}

char* FormatLatLonCaretTenths(char* output, int size, double degrees, int kind) {
    constexpr int kWorkSize = 20;
    char work[kWorkSize] = {};
    const auto position = RangedPosition(degrees, kind);
    if (position) {
        const Angle& a = position->angle;
        if (position->latitude) {
            FormatBounded(work, kWorkSize, "%02d%c%02d.%1d%c", a.degrees, '^', a.minutes,
                          a.Tenths(), position->letter);
        } else {
            FormatBounded(work, kWorkSize, "%03d%c%02d.%1d%c", a.degrees, '^', a.minutes,
                          a.Tenths(), position->letter);
        }
    }
    CopyBounded(output, work, size);
    return output;
}

char* FormatLatLonDegrees(char* output, double degrees, int kind) {
    const auto position = RangedPosition(degrees, kind);
    if (!position) {
        return StoreEmpty(output, kFixedPositionSize);
    }
    if (position->latitude) {
        FormatBounded(output, kFixedPositionSize, "%02d%c", position->angle.degrees,
                      position->letter);
    } else {
        FormatBounded(output, kFixedPositionSize, "%03d%c", position->angle.degrees,
                      position->letter);
    }
    return output;
}

char* FormatLatLonLetterFirst(char* output, double degrees, bool latitude) {
    constexpr int kWorkSize = 20;
    char work[kWorkSize] = {};
    const auto position = RangedPosition(degrees, latitude ? kLatitude : kLongitude);
    if (position) {
        const Angle& a = position->angle;
        if (latitude) {
            FormatBounded(work, kWorkSize, "%c%02d%02d.%1d", position->letter, a.degrees, a.minutes,
                          a.Tenths());
        } else {
            FormatBounded(work, kWorkSize, "%c%03d%02d.%1d", position->letter, a.degrees, a.minutes,
                          a.Tenths());
        }
    }
    CopyBounded(output, work, kFixedPositionSize);
    return output;
}

char* FormatUtcHoursMinutes(char* output, const std::int32_t& time) {
    constexpr int kSize = 6;
    constexpr std::int32_t kSecondsPerDay = 86400;
    if (time < 0) {
        FormatBounded(output, kSize, "%s", "xx:xx");
        return output;
    }
    const std::int32_t secondOfDay = time % kSecondsPerDay;
    FormatBounded(output, kSize, "%02d:%02d", secondOfDay / 3600, secondOfDay % 3600 / 60);
    return output;
}

namespace {

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01, by whole 400-year eras (of
// 146097 days each), so that no library time type limits the range.
CivilDate CivilFromDays(std::int64_t days) {
    days += 719468; // from 0000-03-01, so that the leap day ends a year
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

} // namespace

char* FormatUtcTimestamp(char* output, int size, std::int64_t time) {
    constexpr std::int64_t kSecondsPerDay = 86400;
    constexpr std::int64_t kFirstSecond = -62167219200; // 0000-01-01T00:00:00Z
    constexpr std::int64_t kLastSecond = 253402300799;  // 9999-12-31T23:59:59Z
    if (time < kFirstSecond || time > kLastSecond) {
        FormatBounded(output, size, "%s", "");
        return output;
    }
    std::int64_t days = time / kSecondsPerDay;
    std::int64_t secondOfDay = time % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    const auto second = static_cast<int>(secondOfDay);
    FormatBounded(output, size, "%04d-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(date.year),
                  date.month, date.day, second / 3600, second % 3600 / 60, second % 60);
    return output;
}

char BoolToTF(bool value) {
    return value ? 'T' : 'F';
}

const char* FormatFixed10(double value, int decimals) {
    static char area[256];
    const int precision = decimals >= 0 && decimals <= 4 ? decimals : 5;
    FormatBounded(area, sizeof area, "% 10.*f", precision, value);
    return area;
}
