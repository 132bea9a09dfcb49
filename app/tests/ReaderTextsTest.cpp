// What the dialog shows of each reader step: the window title, the message line and the status
// line, with the texts operators and peers know, byte for byte.
#include "app/ReaderTexts.h"

#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr char kWindowTitle[] = "Halvery v1";

// The three texts of a step; none where the step leaves the text as it is.
struct Shown {
    std::optional<std::string> title;
    std::optional<std::string> message;
    std::optional<std::string> status;
    bool operator==(const Shown&) const = default;
};

std::optional<std::string> Text(const char* text) {
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

template <typename Step> Shown ShownOf(const Step& step) {
    const ReaderTexts texts(step, kWindowTitle);
    return {Text(texts.Title()), Text(texts.Message()), Text(texts.Status())};
}

void PrintTo(const Shown& shown, std::ostream* out) {
    for (const auto& text : {shown.title, shown.message, shown.status}) {
        *out << (text ? "'" + *text + "'" : "-") << " ";
    }
}

const Shown kNothing = {};

// A step, or a live request's outcome, and what is shown of it.
template <typename Step> struct Case {
    const char* name;
    Step step;
    Shown shown;
};

template <typename Step> void ExpectShown(const std::vector<Case<Step>>& cases) {
    for (const Case<Step>& c : cases) {
        EXPECT_EQ(ShownOf(c.step), c.shown) << c.name;
    }
}

Shown Title(const std::string& text) {
    return {text, std::nullopt, std::nullopt};
}
Shown Message(const std::string& text) {
    return {std::nullopt, text, std::nullopt};
}
Shown Status(const std::string& text) {
    return {std::nullopt, std::nullopt, text};
}

// A file played through the reader, each step shown as the dialog shows it.
TEST(ReaderTexts, PlayedFileShowsItsProgressStepByStep) {
    TempDataFile file("Recording 2021-01-01\n####_BEGIN_####\n####_ENTRY_0_####\n" +
                      TrafficLine("A0", 50.1, 0.1) + TrafficLine("B0", 10.0, 20.0) +
                      TrafficLine("C0", 50.1, 0.1) + "####_ENTRY_END_####\n####_ENTRY_1_####\n" +
                      TrafficLine("A1", 50.1, 0.1) + "####_ENTRY_END_####\n####_END_####\n");
    TrafficAnalyser analyser;
    DataSetReader reader(analyser);
    ASSERT_TRUE(reader.OpenTrafficDataFile(file.c_str()));
    std::vector<Shown> shown;
    for (int call = 0; call < 8; ++call) {
        shown.push_back(ShownOf(reader.RequestHistoricData()));
    }
    EXPECT_EQ(shown, (std::vector<Shown>{
                         Title("Halvery v1:: Recording 2021-01-01"),
                         Status("Found data start tag"),
                         Message("Reading Data Set :: 3 Aircraft checked"),
                         Message("Reading Data Set :: 1 Aircraft checked"),
                         {std::nullopt, "Resetting Data Set to beginning", "Found data end tag"},
                         kNothing, // the header line come round again
                         Status("Found data start tag"),
                         Message("Reading Data Set :: 3 Aircraft checked"),
                     }));
}

TEST(ReaderTexts, EachKindOfStepShowsItsTexts) {
    const std::string readFailure =
        "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n/data/TrafficLog.dat";
    const std::string rewindFailure =
        "SettingsFileClass::Rewind\nIllegal seek\n/data/TrafficLog.dat";
    ExpectShown<DataSetStep>({
        {"header",
         {.met = DataSetEvent::Header, .headerLine = "Recording"},
         Title("Halvery v1:: Recording")},
        {"tag as header",
         {.met = DataSetEvent::Header, .headerLine = "####_END_####"},
         Title("Halvery v1:: ####_END_####")},
        {"header refilled",
         {.met = DataSetEvent::Header, .headerLine = "Refilled"},
         Title("Halvery v1:: Refilled")},
        {"begin tag", {.met = DataSetEvent::BeginTag}, Status("Found data start tag")},
        {"entry",
         {.met = DataSetEvent::Entry, .entryNumber = 4, .aircraftChecked = 7000},
         Message("Reading Data Set :: 7000 Aircraft checked")},
        {"passed over", {.met = DataSetEvent::PassedOver}, kNothing},
        {"end tag",
         {.met = DataSetEvent::EndTag},
         {std::nullopt, "Resetting Data Set to beginning", "Found data end tag"}},
        // The file's report takes the place of the progress text.
        {"rewind failed",
         {.met = DataSetEvent::EndTag, .failure = rewindFailure.c_str()},
         {std::nullopt, rewindFailure, "Found data end tag"}},
        {"read failed",
         {.met = DataSetEvent::ReadFailed, .failure = readFailure.c_str()},
         Message(readFailure)},
        {"no file", {.met = DataSetEvent::NoFile}, kNothing},
    });
}

TEST(ReaderTexts, LiveRequestShowsTheEntryOrWhyNothingNewCame) {
    const std::string failure =
        "LiveDataFile::Look\nNo such file or directory\n/data/TrafficLog.dat";
    const DataSetStep entry{.met = DataSetEvent::Entry, .entryNumber = 1, .aircraftChecked = 3};
    ExpectShown<LiveOutcome>({
        {"new entry",
         {.step = LiveStep::NewEntry, .entry = entry},
         Message("Reading Data Set :: 3 Aircraft checked")},
        {"new entry of a new file",
         {.step = LiveStep::NewEntry, .headerLine = "Equal", .entry = entry},
         {"Halvery v1:: Equal", "Reading Data Set :: 3 Aircraft checked", std::nullopt}},
        {"nothing new",
         {.step = LiveStep::NothingNew, .age = 12},
         Status("live: newest entry 12 s old")},
        {"closed",
         {.step = LiveStep::NothingNew, .age = 59, .closed = true},
         Status("live: newest entry 59 s old :: recording closed")},
        {"withdrawn",
         {.step = LiveStep::Withdraw, .age = 60, .closed = true},
         Status("live: newest entry 60 s old :: recording closed")},
        {"withdrawn, left open",
         {.step = LiveStep::Withdraw, .age = 60},
         Status("live: newest entry 60 s old")},
        {"later", {.step = LiveStep::NothingNew, .age = 70}, Status("live: newest entry 70 s old")},
        {"gone",
         {.step = LiveStep::NothingNew, .failure = failure.c_str(), .age = 10},
         {std::nullopt, failure, "live: newest entry 10 s old"}},
        {"no file yet",
         {.step = LiveStep::NothingNew, .failure = failure.c_str()},
         {std::nullopt, failure, "live: waiting for a complete entry"}},
        {"header only",
         {.step = LiveStep::NothingNew, .headerLine = "Started"},
         {"Halvery v1:: Started", std::nullopt, "live: waiting for a complete entry"}},
        {"closed empty",
         {.step = LiveStep::NothingNew, .closed = true},
         Status("live: waiting for a complete entry :: recording closed")},
    });
}

} // namespace
