#include "config_control/ConfigControl.h"
#include "config_control/ConfigString.h"
#include "config_control/SettingsFile.h"
#include "tests/support/TempDirectory.h"

#include <cstdlib>
#include <functional>
#include <sstream>
#include <vector>

namespace {

const char kHeader[] =
    "               Pelmora Ltd. Configuration Control[QX0103] Version 2.3  Report: \n"
    "\n";

std::string Rule() {
    return std::string(94, '=') + "\n";
}

std::string RightAligned(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string ExpectedRow(const std::string& component, const std::string& partNumber,
                        const std::string& fileName, const std::string& revision) {
    return " " + RightAligned(component, 20) + " | " + RightAligned(partNumber, 22) + " |" +
           RightAligned(fileName, 30) + " | " + RightAligned(revision, 10) + " | \n";
}

std::string ExpectedHeader() {
    return kHeader + Rule() + " " + RightAligned("Product Name", 20) + " | " +
           RightAligned("Pelmora P/N", 22) + " |" + RightAligned("Component name", 30) + " | " +
           RightAligned("Version", 10) + " |\n" + Rule();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

class ConfigControlTest : public TempDirectoryTest {
protected:
    void TearDown() override {
        CloseConfigReport();
        TempDirectoryTest::TearDown();
    }

    // The module keeps "once" flags for the whole run; a fresh process sees them unset. That
    // process runs this fixture again and leaves by exit, past TearDown: it tidies up first.
    void ExpectInFreshProcess(const std::function<bool()>& check) {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_EXIT(
            {
                const bool passed = check();
                TearDown();
                std::exit(passed ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }

    std::string OpenReport() {
        EXPECT_EQ(OpenConfigReport(PathOf("report.txt").c_str()), 1);
        return "report.txt";
    }

    // Everything behind the header.
    std::string Rows(const std::string& name) {
        CloseConfigReport();
        const std::string text = ReadText(name);
        const std::string header = ExpectedHeader();
        EXPECT_EQ(text.substr(0, header.size()), header);
        return text.substr(std::min(header.size(), text.size()));
    }
};

TEST_F(ConfigControlTest, HeaderIsWrittenOnOpen) {
    const std::string report = OpenReport();
    EXPECT_EQ(Rows(report), "");
}

TEST_F(ConfigControlTest, RowIsRightAlignedInItsColumns) {
    const std::string report = OpenReport();
    RegisterRevision("%Z% SettingsFileClass QX2110:01 SettingsFile $Revision: 1.4 $ ");
    EXPECT_EQ(Rows(report), " " + std::string(3, ' ') + "SettingsFileClass | " +
                                std::string(13, ' ') + "QX2110:01 |" + std::string(18, ' ') +
                                "SettingsFile | " + std::string(7, ' ') + "1.4 | \n");
}

TEST_F(ConfigControlTest, IdentifiersAreParsedIntoTheFields) {
    struct Case {
        const char* identifier;
        const char* component;
        const char* partNumber;
        const char* fileName;
        const char* revision;
    };
    const Case cases[] = {
        {"%Z% SettingsFile QX2110:02 SettingsFile.h $Revision: 1.1 $", "SettingsFile", "QX2110:02",
         "SettingsFile.h", "1.1"},
        {"%Z% Comp QX1234:01 File 2.0", "Comp", "QX1234:01", "File", "2.0"},
        {"%z%   TextFunctions  QX3102   Formats.cpp   $Revision:   1.10 $", "TextFunctions",
         "QX3102", "Formats.cpp", "1.10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        RegisterRevision(c.identifier);
        const ConfigString& fields = LastConfigString();
        EXPECT_STREQ(fields.component, c.component);
        EXPECT_STREQ(fields.partNumber, c.partNumber);
        EXPECT_STREQ(fields.fileName, c.fileName);
        EXPECT_STREQ(fields.revision, c.revision);
    }
}

TEST_F(ConfigControlTest, MissingWordsKeepThePreviousValuesAndPrintThemAgain) {
    const std::string report = OpenReport();
    RegisterRevision("%Z% First QX0001:01 first.cpp $Revision: 1.2 $");
    RegisterRevision("%Z% Second QX0002:01");
    EXPECT_STREQ(LastConfigString().component, "Second");
    EXPECT_STREQ(LastConfigString().fileName, "first.cpp");
    EXPECT_EQ(Rows(report), ExpectedRow("First", "QX0001:01", "first.cpp", "1.2") +
                                ExpectedRow("Second", "QX0002:01", "first.cpp", "1.2"));
}

TEST_F(ConfigControlTest, OneWordOrNoneIsUnrecognisableAndChangesNothing) {
    RegisterRevision("%Z% Kept QX0003:01 kept.cpp 3.1");
    const std::string report = OpenReport();
    for (const char* identifier : {"%Z%", "", "    "}) {
        RegisterRevision(identifier);
    }
    RegisterRevision(nullptr);
    EXPECT_STREQ(LastConfigString().component, "Kept");
    EXPECT_STREQ(LastConfigString().revision, "3.1");
    const std::string unrecognised = "Unrecongnisable Configuration string \n";
    EXPECT_EQ(Rows(report), unrecognised + unrecognised + unrecognised);
}

TEST_F(ConfigControlTest, LongWordsAreCutToTheFieldsButWidenTheirColumn) {
    const std::string longComponent(150, 'C');
    const std::string longRevision(50, '9');
    const std::string report = OpenReport();
    RegisterRevision(("%Z% " + longComponent + " QX0004:01 f.cpp " + longRevision).c_str());
    EXPECT_EQ(std::string(LastConfigString().component), longComponent.substr(0, 99));
    EXPECT_EQ(std::string(LastConfigString().revision), longRevision.substr(0, 35));
    EXPECT_EQ(Rows(report), ExpectedRow(longComponent.substr(0, 99), "QX0004:01", "f.cpp",
                                        longRevision.substr(0, 35)));
}

TEST_F(ConfigControlTest, IdentifierOfManyWordsIsHandledWithinItsWorkArea) {
    std::string identifier = "%Z% Many QX0005:01 many.cpp 4.2";
    while (identifier.size() < 2000) {
        identifier += " x";
    }
    RegisterRevision(identifier.c_str());
    EXPECT_STREQ(LastConfigString().revision, "4.2");
}

TEST_F(ConfigControlTest, RegistrationWhileClosedUpdatesFieldsButWritesNothing) {
    const std::string report = OpenReport();
    CloseConfigReport();
    RegisterRevision("%Z% Closed QX0006:01 closed.cpp 1.0");
    EXPECT_STREQ(LastConfigString().component, "Closed");
    EXPECT_EQ(Rows(report), "");
}

TEST_F(ConfigControlTest, ReportThatCannotBeCreatedReturnsZeroAndWritesNothing) {
    EXPECT_EQ(OpenConfigReport(PathOf("missing/report.txt").c_str()), 0);
    EXPECT_EQ(OpenConfigReport(nullptr), 0);
    RegisterRevision("%Z% Lost QX0007:01 lost.cpp 1.0");
    EXPECT_STREQ(LastConfigString().component, "Lost");
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing")));
}

TEST_F(ConfigControlTest, ReopeningClosesTheFirstReportWithItsRows) {
    RegisterRevision("%Z% Before QX0008:01 before.cpp 1.0");
    ASSERT_EQ(OpenConfigReport(PathOf("first.txt").c_str()), 1);
    RegisterRevision("%Z% First QX0008:02 first.cpp 1.1");
    ASSERT_EQ(OpenConfigReport(PathOf("second.txt").c_str()), 1);
    EXPECT_EQ(Rows("first.txt"), ExpectedRow("First", "QX0008:02", "first.cpp", "1.1"));
}

TEST_F(ConfigControlTest, ConfigControlRegistersTextFunctionsFirst) {
    const std::string report = OpenReport();
    RegisterConfigControl();
    const std::vector<std::string> rows = Lines(Rows(report));
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"TextFunctions", "QX3102:01"}, {"TextFunctions", "QX3102:02"},
        {"TextFunctions", "QX3102:03"}, {"TextFunctions", "QX3102"},
        {"TextFunctions", "QX3102:05"}, {"ConfigControl", "QX3103:02"},
        {"ConfigControl", "QX3103:03"}, {"ConfigControl", "QX3103:04"},
        {"ConfigControl", "QX3103:05"},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i]);
        // Appended, not put behind a literal: GCC 12 at -O3 warns falsely (-Wrestrict) about the
        // copy that inserts in front of a temporary string.
        std::string name = " ";
        name += RightAligned(expected[i].first, 20);
        EXPECT_EQ(rows[i].substr(0, 21), name);
        EXPECT_EQ(rows[i].substr(24, 22), RightAligned(expected[i].second, 22));
    }
}

TEST_F(ConfigControlTest, StringOperationsRegisterTheirOwnIdentifier) {
    RegisterStringOperations();
    EXPECT_STREQ(LastConfigString().component, "TextFunctions");
    EXPECT_STREQ(LastConfigString().partNumber, "QX3102");
    EXPECT_STREQ(LastConfigString().revision, "1.3");
}

TEST_F(ConfigControlTest, ErrorReportRegistersOncePerRun) {
    const std::string path = PathOf("once.txt");
    ExpectInFreshProcess([path] {
        OpenConfigReport(path.c_str());
        RegisterErrorReport();
        RegisterErrorReport();
        CloseConfigReport();
        std::ifstream stream(path);
        const std::string text{std::istreambuf_iterator<char>(stream),
                               std::istreambuf_iterator<char>()};
        const auto rows = Lines(text.substr(ExpectedHeader().size()));
        return rows.size() == 2 && rows[0].find("QX2104:02") != std::string::npos &&
               rows[1].find("QX2104:01") != std::string::npos;
    });
}

TEST_F(ConfigControlTest, SettingsFileRegistersOnItsFirstOpenOnly) {
    const std::string path = PathOf("settings.txt");
    const std::string data = WriteBinary("data.txt", "x\n");
    ExpectInFreshProcess([path, data] {
        OpenConfigReport(path.c_str());
        SettingsFileClass first(data, SettingsFileClass::ModeReading);
        SettingsFileClass second(data, SettingsFileClass::ModeReading);
        CloseConfigReport();
        std::ifstream stream(path);
        const std::string text{std::istreambuf_iterator<char>(stream),
                               std::istreambuf_iterator<char>()};
        return text.substr(ExpectedHeader().size()) ==
               ExpectedRow("SettingsFile", "QX2110:02", "SettingsFile.h", "1.1") +
                   ExpectedRow("SettingsFileClass", "QX2110:01", "SettingsFile.cpp", "1.4");
    });
}

} // namespace
