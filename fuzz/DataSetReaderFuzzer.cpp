// Whole traffic data files through the data set reader and the analyser, request after request
// as the frame cycle makes them, around an own-ship anywhere. Whatever the file holds, the reader
// must keep its counters and texts within their bounds, read no entry past its line limit, and
// hand the publication only well-formed records; a file that opened must never bring up the
// "No Data File" box.
#include "fuzz/FiniteRecord.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"
#include "traffic/DataSetReader.h"
#include "traffic/TrafficAnalyser.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Enough requests to play a fuzz input's file through and round again.
constexpr int kMaxRequests = 128;
// Header and begin tag fail by design; more failures in a row mean the file is used up.
constexpr int kMaxFailuresInARow = 4;
constexpr int kPublishRecords = 150;
constexpr std::size_t kMaxTitleChars = 511;

class FakeOwner : public DataSetReaderOwner {
public:
    const char* GetWindowTitle() const override { return "Halvery v1"; }
    void SetWindowTitleText(const char* text) override {
        FUZZ_CHECK(std::strlen(text) <= kMaxTitleChars);
    }
    void SetMessageText(const char* text) override { FUZZ_CHECK(text != nullptr); }
    void SetStatusText(const char* text) override { FUZZ_CHECK(text != nullptr); }
    void ShowMessageBox(const char*, const char*) override { ++messageBoxes; }
    void SleepMilliseconds(std::int32_t) override {}

    int messageBoxes = 0;
};

void CheckPublication(TrafficAnalyser& analyser) {
    static AircraftRecord records[kPublishRecords];
    const std::int32_t count = analyser.GetAircraftInView(kPublishRecords, records);
    FUZZ_CHECK(count >= 0 && count <= kMaxInViewAircraft);
    for (std::int32_t i = 0; i < count; ++i) {
        const AircraftRecord& record = records[i];
        FUZZ_CHECK(std::strlen(record.callsign) <= 8 && record.onGround == 0);
        FUZZ_CHECK(analyser.IsInView(record.latitude, record.longitude));
        FUZZ_CHECK(HoldsOnlyFiniteNumbers(record));
    }
}

} // namespace

// Input: own-ship latitude and longitude (raw doubles), then the data file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzTempFile file("corvane_fuzz_traffic");
    FuzzInput input(data, size);
    const auto latitude = input.TakeRaw<double>();
    const auto longitude = input.TakeRaw<double>();
    FUZZ_CHECK(file.Write(input.TakeRest()));

    FakeOwner owner;
    TrafficAnalyser analyser;
    DataSetReader reader(owner, analyser);
    FUZZ_CHECK(reader.OpenTrafficDataFile(file.Path()));
    int failuresInARow = 0;
    for (int request = 0; request < kMaxRequests && failuresInARow < kMaxFailuresInARow;
         ++request) {
        analyser.SetOwnShipPosition(latitude, longitude);
        const bool publish = reader.RequestHistoricData();
        failuresInARow = publish ? 0 : failuresInARow + 1;
        FUZZ_CHECK(std::memchr(reader.GetLineBuffer(), '\0', kLineBufferSize) != nullptr);
        FUZZ_CHECK(reader.GetEntryNumber() >= 0 && reader.GetCallNumber() >= 0);
        FUZZ_CHECK(reader.GetAircraftChecked() >= 0 &&
                   reader.GetAircraftChecked() <= kMaxEntryLines);
        if (publish) {
            CheckPublication(analyser);
        }
    }
    FUZZ_CHECK(owner.messageBoxes == 0);
    reader.CloseTrafficDataFile();
    return 0;
}
