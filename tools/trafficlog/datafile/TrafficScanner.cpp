#include "tools/trafficlog/datafile/TrafficScanner.h"

#include "traffic/DataSetReader.h"
#include "traffic/TrafficAnalyser.h"

#include <memory>

namespace {
// The publication's buffer holds this many records.
constexpr std::int32_t kPublicationRecords = 150;
} // namespace

bool TrafficScanner::Scan(const char* path, double latitude, double longitude, ScanSink& sink) {
    entries = 0;
    emptyRequests = 0;
    endedWithoutEndTag = false;
    auto analyser = std::make_unique<TrafficAnalyser>();
    DataSetReader reader(*analyser);
    if (!reader.OpenTrafficDataFile(path)) {
        ReportDetail("TrafficScanner::Scan", "Cannot open the data file",
                     reader.FullErrorText().c_str());
        return false;
    }
    auto records = std::make_unique<AircraftRecord[]>(kPublicationRecords);
    for (;;) {
        // The analyser is positioned at every request, as the frame cycle does.
        analyser->SetOwnShipPosition(latitude, longitude);
        const DataSetStep step = reader.RequestHistoricData();
        if (step.met == DataSetEvent::EndTag) {
            break;
        }
        if (step.met == DataSetEvent::ReadFailed) {
            endedWithoutEndTag = true;
            break;
        }
        if (step.met == DataSetEvent::PassedOver) {
            ++emptyRequests;
        }
        if (step.met != DataSetEvent::Entry) {
            continue;
        }
        const std::int32_t inView = analyser->GetAircraftInView(kPublicationRecords, records.get());
        sink.Entry({step.entryNumber, step.aircraftChecked, inView, records.get()});
        ++entries;
    }
    return true;
}
