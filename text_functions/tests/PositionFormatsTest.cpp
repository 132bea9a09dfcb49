// Position, time and number formatting, and the revision identifiers of the module.
#include "text_functions/TextFunctions.h"
#include "text_functions/tests/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Fixed10(char* (*format)(char*, double, int), double degrees, int kind) {
    char output[10];
    std::memset(output, '#', sizeof output);
    format(output, degrees, kind);
    return std::string(output, sizeof output);
}

TEST(PositionFormats, TenByteTextsAreZeroFilled) {
    using namespace std::string_literals;
    const struct {
        char* (*format)(char*, double, int);
        double degrees;
        int kind;
        std::string bytes;
    } cases[] = {
        {FormatLatLonTenths, 51.5, kLatitude, "5130.0N\0\0\0"s},
        {FormatLatLonTenths, -0.5, kLongitude, "00030.0W\0\0"s},
        {FormatLatLonTenths, 360.0, kLongitude, "36000.0E\0\0"s},
        {FormatLatLonTenths, 360.5, kLongitude, std::string(10, '\0')},
        {FormatLatLonTenths, 10.0, 2, std::string(10, '\0')},
        {FormatLatLonTenths, kNaN, kLatitude, std::string(10, '\0')},
        {FormatLatLonDegrees, kNaN, kLongitude, std::string(10, '\0')},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         kNaN, kLatitude, std::string(10, '\0')},
        {FormatLatLonDegrees, -33.9, kLatitude, "33S\0\0\0\0\0\0\0"s},
        {FormatLatLonDegrees, 7.9, kLongitude, "007E\0\0\0\0\0\0"s},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         51.5, kLatitude, "N5130.0\0\0\0"s},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         -2.25, kLongitude, "W00215.0\0\0"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fixed10(c.format, c.degrees, c.kind), c.bytes) << c.degrees;
    }
}

TEST(PositionFormats, SizedTextsNeverPassTheirBuffer) {
    const struct {
        char* (*format)(char*, int, double, int);
        double value;
        int kind;
        const char* text;
    } cases[] = {
        {FormatArcSecondsDMS, 185400, kLatitude, "N051:30:00"},
        {FormatArcSecondsDMS, -185400, kLongitude, "W051:30:00"},
        {FormatArcSecondsDMS, 59.6, kLatitude, "N000:00:60"},
        {FormatArcSecondsDMS, 3600, 7, "?001:00:00"},
        {FormatArcSecondsDMSSwapped, -185400, kLatitude, "W051:30:00"},
        {FormatDegreesDMS, -51.5, kLatitude, "S051:30:00"},
        {FormatRadiansDMS, 0.5, kLongitude, "E028:38:52"},
        {FormatLatLonCaretTenths, 51.5, kLatitude, "51^30.0N"},
        {FormatLatLonCaretTenths, -1.5, kLongitude, "001^30.0W"},
        {FormatLatLonCaretTenths, -361, kLongitude, ""},
        {FormatLatLonCaretTenths, kNaN, kLatitude, ""},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, 0, 0,
         "+000:00:00"},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, -3661.9, 0,
         "-001:01:01"},
        {[](char* o, int s, double v, int) { return FormatSecondsDMS(o, s, v); }, -3723.5, 0,
         "   -1:-2:-3.50000"},
        {[](char* o, int s, double v, int) { return FormatDegreesDecimalMinutes(o, s, v); }, -5430,
         0, "  -1:-30.500"},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, 1e300, 0, ""},
    };
    for (const auto& c : cases) {
        const int full = static_cast<int>(std::strlen(c.text)) + 1;
        for (int size : {full, 5}) {
            GuardedBuffer buffer(size);
            EXPECT_EQ(c.format(buffer.Data(), size, c.value, c.kind), buffer.Data());
            EXPECT_EQ(std::string(buffer.Data()), std::string(c.text).substr(0, size - 1))
                << c.value << " in " << size;
            EXPECT_TRUE(buffer.GuardsIntact(size)) << c.text;
        }
    }
}

TEST(TimeAndNumberFormats, FixedTexts) {
    const struct {
        std::int32_t time;
        const char* text;
    } times[] = {{0, "00:00"}, {45296, "12:34"}, {86399 + 86400, "23:59"}, {-1, "xx:xx"}};
    for (const auto& c : times) {
        char output[6];
        EXPECT_STREQ(FormatUtcHoursMinutes(output, c.time), c.text);
    }
    EXPECT_STREQ(FormatFixed10(3.14159, 2), "      3.14");
    EXPECT_STREQ(FormatFixed10(3.14159, 7), "   3.14159");
    EXPECT_STREQ(FormatFixed10(3.14159, -1), "   3.14159");
    EXPECT_STREQ(FormatFixed10(-2.0, 0), "        -2");
    EXPECT_EQ(BoolToTF(false), 'F');
    EXPECT_EQ(BoolToTF(true), 'T');
}

TEST(UtcTimestamp, IsoFormAcrossTheCalendar) {
    const struct {
        std::int64_t time;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {1700000000, "2023-11-14T22:13:20Z"},
        {951782400, "2000-02-29T00:00:00Z"},  // a leap day of a year divisible by 400
        {4107542399, "2100-02-28T23:59:59Z"}, // 2100 is no leap year
        {4107542400, "2100-03-01T00:00:00Z"},
        {2147483648, "2038-01-19T03:14:08Z"}, // past the 32-bit range
        {-1, "1969-12-31T23:59:59Z"},
        {-62167219200, "0000-01-01T00:00:00Z"},
        {253402300799, "9999-12-31T23:59:59Z"},
        {253402300800, ""},
        {-62167219201, ""},
    };
    for (const auto& c : cases) {
        char output[kUtcTimestampSize];
        EXPECT_STREQ(FormatUtcTimestamp(output, sizeof output, c.time), c.text) << c.time;
    }
    char shortOutput[11];
    EXPECT_STREQ(FormatUtcTimestamp(shortOutput, sizeof shortOutput, 0), "1970-01-01");
}

TEST(Revisions, IdentifiersInRegistrationOrder) {
    const auto revisions = TextFunctionsRevisions();
    const char* parts[] = {" QX3102:01 ", " QX3102:02 ", " QX3102:03 ", " QX3102 ", " QX3102:05 "};
    ASSERT_EQ(revisions.size(), std::size(parts));
    for (size_t i = 0; i < revisions.size(); ++i) {
        EXPECT_NE(std::strstr(revisions[i], parts[i]), nullptr) << revisions[i];
    }
    EXPECT_NE(std::strstr(TextFcnsRevision(), "$Revision: 1.3 $"), nullptr);
}

} // namespace
