// A receiver's BaseStation messages, hostile or not, through the tracker's line parser and into
// a data file as `trafficlog convert` makes one. Every message the parser takes must carry only
// finite values within what the data file holds and an aircraft flies, whatever the line said;
// the data file written must be clean.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzConversion.h"
#include "fuzz/FuzzInput.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"
#include "traffic/FlightLimits.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kReasonSize = 200;

void CheckMessage(const BaseStationTracker::Message& message) {
    using namespace flight_limits;
    FUZZ_CHECK(message.type == 1 || message.type == 3 || message.type == 4);
    FUZZ_CHECK(std::isfinite(message.time) && message.time <= INT32_MAX);
    FUZZ_CHECK(std::strlen(message.address) >= 1 && std::strlen(message.address) <= 8);
    FUZZ_CHECK(std::strlen(message.callsign) <= 8);
    if (message.hasPosition) {
        FUZZ_CHECK(std::fabs(message.latitude) <= 90.0 && std::fabs(message.longitude) <= 180.0);
    }
    FUZZ_CHECK(!message.hasAltitude || IsFlyableHeight(message.altitudeMetres));
    FUZZ_CHECK(!message.hasSpeed || IsFlyableGroundSpeed(message.speed));
    FUZZ_CHECK(!message.hasRate || IsFlyableVerticalRate(message.rate));
    FUZZ_CHECK(!message.hasTrack || (message.track >= 0.0 && message.track < 360.0));
}

// The lines in one allocation, each ended by a NUL in place of its line feed (the last at the
// allocation's end), as a reader's buffer holds them: one allocation per line would cost more
// than the parsing.
void ParseLines(const std::string& lines, bool useOwnTime) {
    std::vector<char> text(lines.begin(), lines.end());
    text.push_back('\0');
    BaseStationTracker tracker;
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = lines.find('\n', start);
        end = end == std::string::npos ? lines.size() : end;
        text[end] = '\0';
        BaseStationTracker::Message message;
        char reason[kReasonSize] = {};
        if (tracker.Read(text.data() + start, useOwnTime, 1.7e9, message, reason, kReasonSize) ==
            MessageKind::Used) {
            CheckMessage(message);
            tracker.Apply(message);
        }
        FUZZ_CHECK(std::strlen(reason) < kReasonSize);
        start = end + 1;
    }
}

} // namespace

// Input: the log's lines (the first byte, odd, stamps messages with their own time as a log
// does, even with a live feed's clock).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool useOwnTime = (input.TakeByte() & 1) != 0;
    const std::string lines = input.TakeRest();
    ParseLines(lines, useOwnTime);
    ConvertAndCheck(lines);
    return 0;
}
