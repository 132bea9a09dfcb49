// The quick view-box filter against the exact conversion of both coordinates, over lines made
// to sit on and around the box edges.
#include "traffic/TrafficAnalyser.h"

#include "text_functions/TextFunctions.h"
#include "traffic/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>

namespace {

// The filter decides most lines from bounds, without converting; whatever it decides must be
// what splitting the line and converting both coordinates exactly decides, and the stored
// records must be the same bytes. The reference uses only the public steps of the analyser.
class QuickFilterTest : public testing::Test {
protected:
    void ParseBoth(const std::string& line) {
        std::string quick = line;
        analyser.ParseTrafficLine(quick.data());
        ParseWide(line);
        std::string exact = line;
        char* fields[kMaxLineFields + 1];
        const int count = SplitAtCharBounded(exact.data(), "|", fields, kMaxLineFields);
        if (count < 2) {
            return;
        }
        const auto number = [&](int field) {
            return field < count ? ParseDecimal(fields[field]) : 0.0;
        };
        if (reference.IsInView(number(3), number(4))) {
            reference.StoreAircraft(fields, count);
        }
    }

    // The line in a buffer that may be read well past its terminator, as a data set's reader
    // hands it over, so that the quick test reads it many bytes at a time. What lies behind the
    // terminator looks like more fields and numbers: none of it may count.
    void ParseWide(const std::string& line) {
        std::string buffer = line;
        buffer += '\0';
        while (buffer.size() < line.size() + kWideReadBytes + 1) {
            buffer += "|7|-0|";
        }
        wide.ParseTrafficLine(buffer.data(), buffer.size());
    }

    // The tables must hold the same records; a difference names the line that caused it.
    // Handing the records out clears a table, so the reference's are taken once for both.
    void ExpectSameTables(const std::string& lastLine) {
        AircraftRecord exactRecords[kMaxInViewAircraft];
        std::memset(exactRecords, 0, sizeof exactRecords);
        const std::int32_t exactCount = reference.GetInViewCount();
        reference.GetAircraftInView(kMaxInViewAircraft, exactRecords);
        ExpectSameTable(analyser, exactRecords, exactCount, lastLine);
        ExpectSameTable(wide, exactRecords, exactCount, lastLine);
    }

    static void ExpectSameTable(TrafficAnalyser& tested, const AircraftRecord* exactRecords,
                                std::int32_t exactCount, const std::string& lastLine) {
        ASSERT_EQ(tested.GetInViewCount(), exactCount) << lastLine;
        AircraftRecord quickRecords[kMaxInViewAircraft];
        std::memset(quickRecords, 0, sizeof quickRecords);
        const std::int32_t count = tested.GetAircraftInView(kMaxInViewAircraft, quickRecords);
        ASSERT_EQ(std::memcmp(quickRecords, exactRecords, sizeof(AircraftRecord) * count), 0)
            << lastLine;
    }

    void SetPosition(double latitude, double longitude) {
        analyser.SetOwnShipPosition(latitude, longitude);
        wide.SetOwnShipPosition(latitude, longitude);
        reference.SetOwnShipPosition(latitude, longitude);
    }

    TrafficAnalyser analyser;
    TrafficAnalyser wide;
    TrafficAnalyser reference;
};

std::string Printed(double value, int precision) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", precision, value);
    return text;
}

std::string Exact(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Coordinates on and around the box edges, the clamps and the integer steps, and texts the
// bounds must refuse or read carefully.
class CoordinateTexts {
public:
    explicit CoordinateTexts(std::uint64_t seed) : engine(seed) {}

    std::string Near(double edge) {
        switch (Between(0, 9)) {
        case 0:
            return Exact(edge);
        case 1:
            return Exact(std::nextafter(edge, Between(0, 1) == 0 ? -1e9 : 1e9));
        case 2:
            return Printed(edge + Offset(1e-7), Between(0, 9));
        case 3:
            return Printed(std::trunc(edge) + Between(-1, 1), Between(0, 1) == 0 ? 0 : 25);
        case 4:
            return Hostile();
        case 5:
            return std::string(Pick({"", " ", "+", "0000"})) + Printed(edge + Offset(2.0), 7);
        default:
            return Printed(edge + Offset(3.0), Between(0, 12));
        }
    }

    std::string Anywhere(double range) { return Printed(Offset(range), Between(0, 12)); }

    std::string Hostile() {
        return Pick({"",
                     " 50.45",
                     "\t0.01",
                     "5.045e1",
                     "1e-2",
                     "0x1.93p5",
                     "inf",
                     "-inf",
                     "nan",
                     "-nan",
                     "-0",
                     "-0.0",
                     "+0",
                     ".5",
                     "-.5",
                     "5.",
                     "-",
                     ".",
                     "1e400",
                     "-1e400",
                     "123456789012345678901234567890",
                     "90",
                     "-90",
                     "180",
                     "-180",
                     "90.000001",
                     "-180.0000000000000000001",
                     "89.99999999999999999999",
                     "0.6|",
                     "50x",
                     "50.45abc",
                     "\"50\"",
                     "1.5.3"});
    }

    double Offset(double range) {
        return std::uniform_real_distribution<double>(-range, range)(engine);
    }

    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine); }

    const char* Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + Between(0, static_cast<int>(choices.size()) - 1));
    }

private:
    std::mt19937_64 engine;
};

// Appended piece by piece: a literal put before a temporary string makes GCC 12 at -O3 warn
// falsely that the copy may overlap (-Wrestrict).
std::string Line(const std::string& latitude, const std::string& longitude, int index) {
    std::string line = "Q";
    line += std::to_string(index);
    line += "|\"4ca2b5\"|16094592";
    line += std::to_string(index % 100);
    line += "|" + latitude + "|" + longitude + "|3000.5|3100|270|250.5|-5.5\n";
    return line;
}

TEST_F(QuickFilterTest, DecidesAsTheExactConversionForEveryLineAndBox) {
    const double positions[][2] = {
        {50.45, 0.01},
        {50.0, 0.0},
        {0.0, 0.0},
        {-0.3, -0.3},
        {89.7, 10.0},
        {90.0, 0.0},
        {95.0, 0.0},
        {-89.9, 0.0},
        {-100.0, 0.0},
        {10.0, 179.8},
        {10.0, -179.9},
        {10.0, 180.0},
        {10.0, 200.0},
        {10.0, -185.0},
        {49.4, 0.6},
        {-0.6, -0.6},
        {0.6, 0.6},
        {51.47, -0.45},
        {1e300, -1e300},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()},
        {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}};
    CoordinateTexts texts(20261208);
    int index = 0;
    for (const auto& position : positions) {
        SetPosition(position[0], position[1]);
        ViewBox box{};
        analyser.GetViewBox(box);
        const double latitudeEdges[] = {box.topLatitude - 90, box.bottomLatitude - 90, -90, 90};
        const double longitudeEdges[] = {box.leftLongitude - 180, box.rightLongitude - 180, -180,
                                         180};
        for (int round = 0; round < 4000; ++round) {
            std::string line;
            switch (texts.Between(0, 3)) {
            case 0:
                line = Line(texts.Near(latitudeEdges[texts.Between(0, 3)]),
                            texts.Near(longitudeEdges[texts.Between(0, 3)]), index);
                break;
            case 1:
                line = Line(texts.Near(latitudeEdges[texts.Between(0, 3)]), texts.Anywhere(200.0),
                            index);
                break;
            case 2:
                line = Line(texts.Anywhere(100.0), texts.Near(longitudeEdges[texts.Between(0, 3)]),
                            index);
                break;
            default:
                line = Line(texts.Hostile(), texts.Hostile(), index);
                break;
            }
            ParseBoth(line);
            if (analyser.GetInViewCount() == kMaxInViewAircraft - 1 || round % 64 == 63) {
                ExpectSameTables(line);
            }
            ++index;
        }
        ExpectSameTables("end of the position");
    }
}

// Lines cut short or shaped oddly around the position fields, against the same reference.
TEST_F(QuickFilterTest, ShortAndOddLinesDecideAsTheExactConversion) {
    SetPosition(50.0, 0.0);
    const std::string lines[] = {"",
                                 "|",
                                 "A|B",
                                 "A|B|C",
                                 "A|B|C|50",
                                 "A|B|C|50|",
                                 "A|B|C|50|0",
                                 "A|B|C|50|0\n",
                                 "A|B|C||0|",
                                 "A|B|C|50.1||",
                                 "|||50|0|",
                                 "A|B|C|50 |0",
                                 "A|B|C|50|0.5|1|2|3|4|5|6|7|8|9|10|11|12|13|14",
                                 "A|B|C|-0.0|0",
                                 "A|B|C|50.5e0|0",
                                 "A|B|C|5|0",
                                 "A|B|C|49|0",
                                 "A|B|C|51|0",
                                 "A|B|C|50|-1",
                                 "A|B|C|50|1",
                                 "A|B|C|49.4|-0.6",
                                 "A|B|C|50.6|0.6",
                                 "ABCDEFGHIJK|B|C|50|0",
                                 "A|B|C|-50|0",
                                 "A|B|C|+50|0",
                                 "A|B|C|0050|0",
                                 "A|B|C|50|-0",
                                 "A|B|C|50|x",
                                 "A|B|C|50|0x1",
                                 "A|B|C|50E|0",
                                 "A|B|C|50|1e1",
                                 "A|B|C|5000|0",
                                 "A|B|C|-5000|0",
                                 "A|B|C|.5|0",
                                 "A|B|C|50|-.5",
                                 "A|" + std::string(60, 'B') + "|C|50|0",
                                 "A|" + std::string(50, 'B') + "|C|80|0",
                                 "A|" + std::string(54, 'B') + "|C|50|0",
                                 "A|B|C|50|0" + std::string(100, '9')};
    for (const std::string& line : lines) {
        ParseBoth(line);
    }
    ExpectSameTables("short lines");
}

} // namespace
