#include "tools/trafficlog/datafile/TrafficScanner.h"

#include "text_functions/TextFunctions.h"
#include "traffic/DataSetReader.h"
#include "traffic/TrafficAnalyser.h"

#include <cstring>
#include <memory>

namespace {
// The publication's buffer holds this many records.
constexpr std::int32_t kPublicationRecords = 150;

// Stands in for the dialog: keeps what the reader tells it, shows nothing.
class ScanOwner : public DataSetReaderOwner {
public:
    const char* GetWindowTitle() const override { return "trafficlog"; }
    void SetWindowTitleText(const char*) override {}
    void SetMessageText(const char*) override {}
    void SetStatusText(const char* text) override { CopyBounded(status, text, sizeof status); }
    void ShowMessageBox(const char*, const char* text) override {
        CopyBounded(failure, text, sizeof failure);
    }
    void SleepMilliseconds(std::int32_t) override {}

    char status[128] = {};
    char failure[1024] = {};
};

enum class Step { Header, BeginTag, Entry, Passed, EndTag, ReadFailed };

Step Classify(DataSetReader& reader, ScanOwner& owner, std::int32_t entryBefore) {
    const bool headerBefore = reader.IsHeaderShown();
    owner.status[0] = '\0';
    const bool publish = reader.RequestHistoricData();
    if (!headerBefore && reader.IsHeaderShown()) {
        return Step::Header;
    }
    if (std::strcmp(owner.status, "Found data end tag") == 0) {
        return Step::EndTag;
    }
    if (std::strcmp(owner.status, "Found data start tag") == 0) {
        return Step::BeginTag;
    }
    if (!publish) {
        return Step::ReadFailed;
    }
    return reader.GetEntryNumber() != entryBefore ? Step::Entry : Step::Passed;
}
} // namespace

bool TrafficScanner::Scan(const char* path, double latitude, double longitude, ScanSink& sink) {
    entries = 0;
    emptyRequests = 0;
    endedWithoutEndTag = false;
    ScanOwner owner;
    auto analyser = std::make_unique<TrafficAnalyser>();
    DataSetReader reader(owner, *analyser);
    if (!reader.OpenTrafficDataFile(path)) {
        ReportDetail("TrafficScanner::Scan", "Cannot open the data file", owner.failure);
        return false;
    }
    auto records = std::make_unique<AircraftRecord[]>(kPublicationRecords);
    for (;;) {
        // The analyser is positioned at every request, as the frame cycle does.
        analyser->SetOwnShipPosition(latitude, longitude);
        const std::int32_t entryBefore = reader.GetEntryNumber();
        const Step step = Classify(reader, owner, entryBefore);
        if (step == Step::EndTag) {
            break;
        }
        if (step == Step::ReadFailed) {
            endedWithoutEndTag = true;
            break;
        }
        if (step == Step::Passed) {
            ++emptyRequests;
        }
        if (step != Step::Entry) {
            continue;
        }
        const std::int32_t inView = analyser->GetAircraftInView(kPublicationRecords, records.get());
        sink.Entry({entryBefore, reader.GetAircraftChecked(), inView, records.get()});
        ++entries;
    }
    return true;
}
