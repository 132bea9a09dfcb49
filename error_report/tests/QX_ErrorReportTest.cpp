#include "error_report/QX_ErrorReport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(QX_ErrorReport, JoinsPartsWithLineFeeds) {
    QX_ErrorReport report;
    EXPECT_STREQ(report.GetErrorText(), "");
    report.ReportError("CVisShm::CVisShm",
                       "Shared Memory Version Mismatch\nPlease rebuild software");
    EXPECT_STREQ(report.GetErrorText(),
                 "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software");
    report.ReportDetail("SettingsFileClass::OpenFileForReading", "No such file", "a.dat");
    EXPECT_STREQ(report.GetErrorText(),
                 "SettingsFileClass::OpenFileForReading\nNo such file\na.dat");
    report.ReportNumber("W", "M", -5);
    EXPECT_STREQ(report.GetErrorText(), "W\nM\n>-5<");
    report.ReportNumber("W", "M", INT32_MIN);
    EXPECT_STREQ(report.GetErrorText(), "W\nM\n>-2147483648<");
}

TEST(QX_ErrorReport, CutsOverlongPartsOneShortOfTheLimit) {
    const struct {
        size_t length;
        size_t kept;
    } cases[] = {{1023, 1023}, {1024, 1024}, {1025, 1023}, {5000, 1023}};
    for (const auto& c : cases) {
        const std::string part(c.length, 'p');
        const std::string kept(c.kept, 'p');
        QX_ErrorReport report;
        report.ReportError("where", part.c_str());
        EXPECT_EQ(report.FullErrorText(), "where\n" + kept) << c.length;
        report.ReportDetail(part.c_str(), "what", part.c_str());
        EXPECT_EQ(report.FullErrorText(), kept + "\nwhat\n" + kept) << c.length;
        report.SetErrorText(part.c_str());
        EXPECT_EQ(report.FullErrorText(), part) << c.length;
    }
}

TEST(QX_ErrorReport, HandsOutAtMost255Characters) {
    const struct {
        size_t length;
        size_t shown;
    } cases[] = {{0, 0}, {254, 254}, {255, 255}, {256, 255}, {300, 255}, {2000, 255}};
    for (const auto& c : cases) {
        QX_ErrorReport report;
        report.SetErrorText(std::string(c.length, 'e').c_str());
        EXPECT_EQ(std::string(report.GetErrorText()), std::string(c.shown, 'e')) << c.length;
    }
}

TEST(QX_ErrorReport, NullPartsCountAsEmpty) {
    QX_ErrorReport report;
    report.SetErrorText(nullptr);
    EXPECT_STREQ(report.GetErrorText(), "");
    report.ReportDetail(nullptr, "what", nullptr);
    EXPECT_STREQ(report.GetErrorText(), "\nwhat\n");
}

TEST(QX_ErrorReport, RemembersFiftyIdentifiersThenLetsAllThrough) {
    QX_ErrorReport report;
    EXPECT_FALSE(report.AlreadyReported(1));
    EXPECT_TRUE(report.AlreadyReported(1));
    EXPECT_FALSE(report.AlreadyReported(2));
    for (int id = 3; id <= 50; ++id) {
        EXPECT_FALSE(report.AlreadyReported(id));
    }
    EXPECT_FALSE(report.AlreadyReported(1));
    EXPECT_FALSE(report.AlreadyReported(51));
}

TEST(QX_ErrorReport, OnceFormsDropRepeatsOfAnIdentifier) {
    QX_ErrorReport report;
    report.ReportErrorOnce("A", "first", 7);
    report.ReportDetailOnce("B", "second", "d", 7);
    report.ReportNumberOnce("C", "third", 3, 7);
    report.SetErrorTextOnce("fourth", 7);
    EXPECT_STREQ(report.GetErrorText(), "A\nfirst");
    report.ReportNumberOnce("C", "third", 3, 8);
    EXPECT_STREQ(report.GetErrorText(), "C\nthird\n>3<");
}

TEST(QX_ErrorReport, ExportsHeaderThenSourceIdentifier) {
    const auto revisions = ErrorReportRevisions();
    ASSERT_EQ(revisions.size(), 2u);
    EXPECT_NE(std::strstr(revisions[0], "QX2104:02"), nullptr);
    EXPECT_NE(std::strstr(revisions[1], "QX2104:01"), nullptr);
}

} // namespace
