#include "tools/trafficlog/datafile/TrafficFileChecker.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {
using Finding = std::pair<std::int64_t, CheckFault>;
using Lines = std::vector<std::string>;

class Collector : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault fault, const char*) override {
        findings.emplace_back(line, fault);
    }
    std::vector<Finding> findings;
};

const Lines kCleanFile = {
    "Sample header",                                            // 1
    "####_BEGIN_####",                                          // 2
    "####_ENTRY_0_####",                                        // 3
    "BAW1|400001|1000|50.40|0.10|3000|3050|90|120|0",           // 4
    "EZY2|400002|1000|50.50|0.00|3000|3050|90|120|0",           // 5
    "####_ENTRY_END_####",                                      // 6
    "####_ENTRY_1_####",                                        // 7
    "\"BAW1\"|\"0x400001\"|1010|50.41|0.11|3000|3050|90|120|0", // 8
    "####_ENTRY_END_####",                                      // 9
    "####_END_####",                                            // 10
};

std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::vector<Finding> CheckText(const std::string& text) {
    TempFile file(".dat");
    file.Write(text);
    TrafficFileChecker checker;
    Collector collector;
    EXPECT_TRUE(checker.Check(file.Path(), collector));
    EXPECT_EQ(checker.FindingCount(), static_cast<std::int64_t>(collector.findings.size()));
    return collector.findings;
}

// Line numbers are 1-based: Set(4, ...) replaces the fourth line.
struct Fault {
    const char* name;
    std::function<void(Lines&)> plant;
    std::vector<Finding> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

void Set(Lines& lines, int number, const std::string& text) {
    lines[static_cast<std::size_t>(number - 1)] = text;
}
void Erase(Lines& lines, int number) {
    lines.erase(lines.begin() + (number - 1));
}
void Insert(Lines& lines, int number, const std::string& text) {
    lines.insert(lines.begin() + (number - 1), text);
}

Lines EntryOf(int aircraft) {
    Lines lines = {"header", "####_BEGIN_####", "####_ENTRY_0_####"};
    for (int i = 0; i < aircraft; ++i) {
        lines.push_back("X|400001|1|50|0|1|1|1|1|1");
    }
    lines.insert(lines.end(), {"####_ENTRY_END_####", "####_END_####"});
    return lines;
}

std::string Show(const std::vector<Finding>& findings) {
    std::ostringstream text;
    for (const Finding& finding : findings) {
        text << finding.first << ":" << CheckFaultName(finding.second) << " ";
    }
    return text.str();
}

class PlantedFault : public testing::TestWithParam<Fault> {};

TEST_P(PlantedFault, IsFoundAtItsLine) {
    Lines lines = kCleanFile;
    GetParam().plant(lines);
    const std::vector<Finding> found = CheckText(Join(lines));
    EXPECT_EQ(found, GetParam().expected) << Show(found);
}

using enum CheckFault;

INSTANTIATE_TEST_SUITE_P(
    Faults, PlantedFault,
    testing::Values(
        Fault{"Clean", [](Lines&) {}, {}},
        // The begin tag taken for the header is lost as a begin tag too.
        Fault{"HeaderMissing",
              [](Lines& l) { Erase(l, 1); },
              {{1, MissingHeader}, {2, MissingBeginTag}}},
        Fault{"BeginTagMissing", [](Lines& l) { Erase(l, 2); }, {{2, MissingBeginTag}}},
        Fault{"EndTagMissing", [](Lines& l) { Erase(l, 10); }, {{10, MissingEndTag}}},
        Fault{"GapInNumbers", [](Lines& l) { Set(l, 7, "####_ENTRY_2_####"); }, {{7, EntryNumber}}},
        Fault{"NumbersFromOne",
              [](Lines& l) {
                  Set(l, 3, "####_ENTRY_1_####");
                  Set(l, 7, "####_ENTRY_2_####");
              },
              {{3, EntryNumber}}},
        // Beyond the feeder's counter: never reached, so the entry after it is a gap too.
        Fault{"NumberBeyondCounter",
              [](Lines& l) { Set(l, 3, "####_ENTRY_99999999999999999999_####"); },
              {{3, EntryNumber}, {7, EntryNumber}}},
        Fault{"LeadingZero", [](Lines& l) { Set(l, 3, "####_ENTRY_00_####"); }, {{3, EntryNumber}}},
        Fault{"LongLine",
              [](Lines& l) { Set(l, 5, l[4] + "|" + std::string(210, 'z')); },
              {{5, LineTooLong}}},
        Fault{"LongestLineReadWhole",
              [](Lines& l) { Set(l, 5, l[4] + "|" + std::string(254 - l[4].size() - 1, 'z')); },
              {}},
        Fault{"FewFields",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10"); },
              {{4, TooFewFields}}},
        Fault{"EmptyAircraftLine", [](Lines& l) { Set(l, 4, ""); }, {{4, TooFewFields}}},
        Fault{"NoSeparatorAtAll", [](Lines& l) { Set(l, 4, "BAW1"); }, {{4, TooFewFields}}},
        Fault{"NonNumericLatitude",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|fifty|0.10|3000|3050|90|120|0"); },
              {{4, PositionNotNumeric}}},
        Fault{"EmptyLongitude",
              [](Lines& l) { Set(l, 5, "EZY2|400002|1000|50.50||3000|3050|90|120|0"); },
              {{5, PositionNotNumeric}}},
        Fault{"ShortLineWithoutPosition",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000"); },
              {{4, TooFewFields}, {4, PositionNotNumeric}}},
        Fault{"AddressNotHex",
              [](Lines& l) { Set(l, 4, "BAW1|40000G|1000|50.40|0.10|3000|3050|90|120|0"); },
              {{4, AddressNotHex}}},
        Fault{"AddressWithSpace",
              [](Lines& l) { Set(l, 4, "BAW1|4CA2B5 |1000|50.40|0.10|3000|3050|90|120|0"); },
              {{4, AddressNotHex}}},
        Fault{"StrayLineBetweenEntries",
              [](Lines& l) { Insert(l, 7, "stray"); },
              {{7, LineOutsideEntry}}},
        Fault{"EndTagInsideEntry",
              [](Lines& l) { Set(l, 5, "####_END_####"); },
              {{5, TagInsideEntry}}},
        Fault{"EntryEndTagMissing", [](Lines& l) { Erase(l, 6); }, {{6, TagInsideEntry}}},
        Fault{"LastEntryNotClosed",
              [](Lines& l) {
                  Erase(l, 10);
                  Erase(l, 9);
              },
              {{7, EntryNotClosed}, {9, MissingEndTag}}},
        Fault{"LinesAfterEnd",
              [](Lines& l) { l.push_back("####_ENTRY_2_####"); },
              {{11, LinesAfterEnd}}},
        Fault{"NoEntries",
              [](Lines& l) {
                  l = {"header", "####_BEGIN_####", "####_END_####"};
              },
              {{4, NoEntries}}},
        Fault{"EntryOf6999", [](Lines& l) { l = EntryOf(6999); }, {}},
        Fault{"EntryOf7000", [](Lines& l) { l = EntryOf(7000); }, {{3, EntryTooLong}}},
        // A repeated entry is one break in the numbering, not one for every entry after it.
        Fault{"RepeatedEntryNumber",
              [](Lines& l) {
                  Set(l, 7, "####_ENTRY_0_####");
                  Insert(l, 10, "####_ENTRY_1_####");
                  Insert(l, 11, "####_ENTRY_END_####");
              },
              {{7, EntryNumber}}},
        // Unknown altitudes, track, speed and vertical rate are written empty and read as 0.
        Fault{"EmptyMeasures", [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10|||||"); }, {}},
        Fault{
            "ControlsInCallsign",
            [](Lines& l) { Set(l, 4, "B\x1b]0;x\aW1|400001|1000|50.40|0.10|3000|3050|90|120|0"); },
            {{4, ControlCharacters}}},
        Fault{"C1ControlInCallsign",
              [](Lines& l) {
                  Set(l, 4,
                      "BAW\x9b"
                      "1|400001|1000|50.40|0.10|3000|3050|90|120|0");
              },
              {{4, ControlCharacters}}},
        Fault{"TagMarkInCallsign",
              [](Lines& l) { Set(l, 4, "BA#1|400001|1000|50.40|0.10|3000|3050|90|120|0"); },
              {{4, TagMarkInField}}},
        // The feeder ends the entry at the callsign; the entry's own end tag is then a stray line.
        Fault{"EntryEndTagAsCallsign",
              [](Lines& l) {
                  Set(l, 5, "####_ENTRY_END_####|400002|1000|50.50|0.00|3000|3050|90|120|0");
              },
              {{5, TagMarkInField}, {6, LineOutsideEntry}}},
        Fault{
            "EndTagAsCallsign",
            [](Lines& l) { Set(l, 5, "####_END_####|400002|1000|50.50|0.00|3000|3050|90|120|0"); },
            {{5, TagMarkInField}}},
        Fault{
            "EntryTagAsCallsign",
            [](Lines& l) { Set(l, 5, "####_ENTRY_3_#|400002|1000|50.50|0.00|3000|3050|90|120|0"); },
            {{5, TagMarkInField}}},
        Fault{"EndTagAsCallsignBetweenEntries",
              [](Lines& l) { Insert(l, 7, "####_END_####|400002|1000|50.50|0.00|3|3|9|1|0"); },
              {{7, TagMarkInField}, {8, LinesAfterEnd}}},
        Fault{"NanLatitude",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|nan|0.10|3000|3050|90|120|0"); },
              {{4, PositionNotShown}}},
        Fault{"OverflowingLongitude",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|1e400|3000|3050|90|120|0"); },
              {{4, PositionNotShown}}},
        Fault{"LatitudeWithUnit",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40N|0.10|3000|3050|90|120|0"); },
              {{4, PositionNotNumeric}}},
        Fault{"LatitudeBeyondThePole",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|95|0.10|3000|3050|90|120|0"); },
              {{4, PositionOutOfRange}}},
        Fault{"NonFiniteMeasures",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10|inf|3050|nan|1e999|-inf"); },
              {{4, NumberMisread}, {4, NumberMisread}, {4, NumberMisread}, {4, NumberMisread}}},
        Fault{
            "TimeBeyond32Bits",
            [](Lines& l) { Set(l, 4, "BAW1|400001|99999999999999|50.40|0.10|3000|3050|90|120|0"); },
            {{4, TimeOutOfRange}}},
        Fault{"AddressOfNineDigits",
              [](Lines& l) { Set(l, 4, "BAW1|123456789|1000|50.40|0.10|3000|3050|90|120|0"); },
              {{4, AddressOutOfRange}}},
        // Values the feeder reads as written but no aircraft flies; track is an angle only.
        Fault{
            "SpeedsAndHeightsNoAircraftFlies",
            [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10|1e308|-1e7|720|1e308|-1e308"); },
            {{4, NotFlyable}, {4, NotFlyable}, {4, NotFlyable}, {4, NotFlyable}}},
        Fault{
            "EdgesOfWhatAircraftFly",
            [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10|60000|-1500|0|1028.8|-152.4"); },
            {}},
        Fault{"JustBeyondTheEdges",
              [](Lines& l) { Set(l, 4, "BAW1|400001|1000|50.40|0.10|60001|-1501|0|1029|152.5"); },
              {{4, NotFlyable}, {4, NotFlyable}, {4, NotFlyable}, {4, NotFlyable}}}),
    [](const testing::TestParamInfo<Fault>& info) { return info.param.name; });

class TextCollector : public CheckFindingSink {
public:
    void Report(std::int64_t, CheckFault fault, const char* text) override {
        texts += std::string(CheckFaultName(fault)) + ": " + text + "\n";
    }
    std::string texts;
};

std::string FindingTexts(const std::string& text) {
    TempFile file(".dat");
    file.Write(text);
    TrafficFileChecker checker;
    TextCollector collector;
    EXPECT_TRUE(checker.Check(file.Path(), collector));
    return collector.texts;
}

// Each finding says what the feeder does, without repeating its label.
TEST(TrafficFileChecker, FindingsSayWhatTheFeederDoes) {
    Lines lines = kCleanFile;
    Set(lines, 4, "BAW1|123456789|1000|inf|0.10|3000|3050|90|1e308|0");
    const std::string longTag = "####_ENTRY_" + std::string(60, '7') + "_####";
    Set(lines, 7, longTag);
    const std::string texts = FindingTexts(Join(lines));
    EXPECT_NE(texts.find("address out of range: address \"123456789\": more than 8 digits: the "
                         "feeder keeps the last 8, 23456789\n"),
              std::string::npos)
        << texts;
    EXPECT_NE(texts.find("latitude \"inf\": not a finite number: the feeder never shows this "
                         "aircraft\n"),
              std::string::npos)
        << texts;
    EXPECT_NE(texts.find("not flyable: ground speed \"1e308\": 1e+308 m/s is beyond what an "
                         "aircraft flies (2000 kt)\n"),
              std::string::npos)
        << texts;
    EXPECT_NE(texts.find("entry number: \"" + longTag + "\" where \"####_ENTRY_1_#\" is expected"),
              std::string::npos)
        << texts;
    const std::string none = FindingTexts("header\n####_BEGIN_####\n####_END_####\n");
    EXPECT_EQ(none, "no entries: the feeder never publishes traffic from this file\n");
}

TEST(TrafficFileChecker, EmptyFileHasNoHeader) {
    const std::vector<Finding> found = CheckText("");
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), Finding(1, MissingHeader));
}

TEST(TrafficFileChecker, WindowsLineEndsAreNotCountedIntoTheLength) {
    std::string text = Join(kCleanFile);
    std::string crlf;
    for (char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_TRUE(CheckText(crlf).empty());
}

// Lines one step beside the plain form every writer puts down, and lines at its edges: each
// finding of the first kind must survive the quick way through plain lines.
TEST(TrafficFileChecker, LinesBesideThePlainFormKeepTheirFindings) {
    struct Case {
        const char* name;
        std::string line;
        std::vector<CheckFault> expected;
    };
    const std::string plain = "|400001|1000|50.40|0.10|3000|3050|90|120|0";
    const std::vector<Case> cases = {
        {"Plain", "BAW1" + plain, {}},
        {"EmptyCallsign", plain, {}},
        {"SignsAndBarePoints", "X|0|0|+89.9|-179.|.5|-0.5|-359.9|+1028.|-152.", {}},
        {"LargestTimeAndAddress", "X|7fffffff|2147483647|50|0|1|1|1|1|1", {}},
        {"MoreFieldsWithoutTagMark", "BAW1" + plain + "|extra|x", {}},
        {"DeleteInCallsign", "BA\x7fW1" + plain, {ControlCharacters}},
        {"TabInCallsign", "BA\tW1" + plain, {ControlCharacters}},
        {"TagMarkInEleventhField", "BAW1" + plain + "|#", {TagMarkInField}},
        {"AddressFrom80000000", "X|80000000|1000|50|0|1|1|1|1|1", {AddressOutOfRange}},
        {"AddressOfNineDigits", "X|000000001|1000|50|0|1|1|1|1|1", {}},
        {"EmptyAddress", "X||1000|50|0|1|1|1|1|1", {}},
        {"TimeOneBeyond", "X|1|2147483648|50|0|1|1|1|1|1", {TimeOutOfRange}},
        {"TimeWithLeadingZeros", "X|1|00000000002147483648|50|0|1|1|1|1|1", {TimeOutOfRange}},
        {"TimeWithSign", "X|1|-1000|50|0|1|1|1|1|1", {}},
        {"EmptyTime", "X|1||50|0|1|1|1|1|1", {}},
        {"LatitudeJustBeyond", "X|1|1|90.000001|0|1|1|1|1|1", {PositionOutOfRange}},
        {"LatitudeAtThePole", "X|1|1|-90|0|1|1|1|1|1", {}},
        {"LongitudeJustBeyond", "X|1|1|0|-180.5|1|1|1|1|1", {PositionOutOfRange}},
        {"LongIntegerPart", "X|1|1|0000000000000000000001|0|1|1|1|1|1", {}},
        // 2 to the 64th: a reading in 64 bits would wrap to 0.
        {"HugeLongitude", "X|1|1|0|18446744073709551616|1|1|1|1|1", {PositionOutOfRange}},
        {"TwoPoints", "X|1|1|50.4.1|0|1|1|1|1|1", {PositionNotNumeric}},
        {"SignAlone", "X|1|1|50|0|-|1|1|1|1", {NumberMisread}},
        {"PointAlone", "X|1|1|50|0|1|.|1|1|1", {NumberMisread}},
        {"DoubleSign", "X|1|1|50|0|1|1|--1|1|1", {NumberMisread}},
        {"CarriageReturnInside", "X|1|1|50|0\r5|1|1|1|1|1", {PositionNotNumeric}},
        {"SpaceBeforeMeasure", "X|1|1|50|0|1| 1|1|1|1", {}},
        {"HeightJustBeyond", "X|1|1|50|0|60000.01|1|1|1|1", {NotFlyable}},
        {"SpeedJustBeyond", "X|1|1|50|0|1|1|1|-1028.9|1", {NotFlyable}},
        {"VerticalRateJustBeyond", "X|1|1|50|0|1|1|1|1|152.41", {NotFlyable}},
        {"NineFields", "X|1|1|50|0|1|1|1|1", {TooFewFields}},
        {"EmptyLastMeasure", "X|1|1|50|0|1|1|1|1|", {}},
    };
    for (const Case& c : cases) {
        Lines lines = kCleanFile;
        Set(lines, 4, c.line);
        std::vector<Finding> expected;
        for (const CheckFault fault : c.expected) {
            expected.emplace_back(4, fault);
        }
        const std::vector<Finding> found = CheckText(Join(lines));
        EXPECT_EQ(found, expected) << c.name << ": " << Show(found);
    }
}

TEST(TrafficFileChecker, ReportsAFileItCannotRead) {
    TrafficFileChecker checker;
    Collector collector;
    EXPECT_FALSE(checker.Check("/nonexistent-folder/TrafficLog.dat", collector));
    EXPECT_NE(std::string(checker.GetErrorText()).find("No such file"), std::string::npos);
}
} // namespace
