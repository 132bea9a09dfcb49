// Whole traffic data files through the data set reader and the analyser, request after request
// as the frame cycle makes them, around an own-ship anywhere. Whatever the file holds, the reader
// must keep its counters and texts within their bounds, read no entry past its line limit, say
// why whenever a read fails, and hand the publication only well-formed records; a file that
// opened stays open to the end of the run.
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

// What the step says agrees with the reader: a header line cut to the line buffer, a reason for
// every failed read, the counts of the entry read, and a file held throughout.
void CheckStep(const DataSetStep& step, const DataSetReader& reader) {
    FUZZ_CHECK(step.met != DataSetEvent::Header ||
               (step.headerLine != nullptr &&
                std::strlen(step.headerLine) < static_cast<std::size_t>(kLineBufferSize)));
    FUZZ_CHECK(step.met != DataSetEvent::ReadFailed || step.failure != nullptr);
    FUZZ_CHECK(step.met != DataSetEvent::Entry ||
               (step.entryNumber + 1 == reader.GetEntryNumber() &&
                step.aircraftChecked == reader.GetAircraftChecked()));
    FUZZ_CHECK(step.met != DataSetEvent::NoFile);
}

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

    TrafficAnalyser analyser;
    DataSetReader reader(analyser);
    FUZZ_CHECK(reader.OpenTrafficDataFile(file.Path()));
    int failuresInARow = 0;
    for (int request = 0; request < kMaxRequests && failuresInARow < kMaxFailuresInARow;
         ++request) {
        analyser.SetOwnShipPosition(latitude, longitude);
        const DataSetStep step = reader.RequestHistoricData();
        CheckStep(step, reader);
        const bool publish = step.Publishes();
        failuresInARow = publish ? 0 : failuresInARow + 1;
        FUZZ_CHECK(std::memchr(reader.GetLineBuffer(), '\0', kLineBufferSize) != nullptr);
        FUZZ_CHECK(reader.GetEntryNumber() >= 0 && reader.GetCallNumber() >= 0);
        FUZZ_CHECK(reader.GetAircraftChecked() >= 0 &&
                   reader.GetAircraftChecked() <= kMaxEntryLines);
        if (publish) {
            CheckPublication(analyser);
        }
    }
    reader.CloseTrafficDataFile();
    return 0;
}
