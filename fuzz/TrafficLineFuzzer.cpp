// Aircraft lines of the traffic file through the analyser, around an own-ship anywhere: any
// double, NaN and infinities included, as the shared block may hold them. The view box must stay
// inside its shifted ranges, only aircraft in view may be stored, the table never holds more
// than kMaxInViewAircraft, and every record handed out must have the layout the visual system
// reads (a call sign of at most 8 characters, zero padding).
#include "fuzz/FiniteRecord.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DecimalText.h"
#include "traffic/TrafficAnalyser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLatitudeField = 3;
constexpr int kLongitudeField = 4;

void CheckViewBox(const TrafficAnalyser& analyser) {
    ViewBox box;
    analyser.GetViewBox(box);
    FUZZ_CHECK(box.bottomLatitude >= 0.0 && box.bottomLatitude <= box.topLatitude &&
               box.topLatitude <= 180.0);
    FUZZ_CHECK(box.leftLongitude >= 0.0 && box.leftLongitude <= box.rightLongitude &&
               box.rightLongitude <= 360.0);
}

// The position fields of a line, read as the analyser is to read them.
bool LineIsInView(const TrafficAnalyser& analyser, const std::string& line) {
    std::vector<char> copy(line.begin(), line.end());
    copy.push_back('\0');
    char* fields[kMaxLineFields + 1];
    const int count = SplitAtCharBounded(copy.data(), "|", fields, kMaxLineFields);
    const auto number = [&](int field) {
        return field < count ? ParseDecimal(fields[field]) : 0.0;
    };
    return analyser.IsInView(number(kLatitudeField), number(kLongitudeField));
}

void CheckRecord(const AircraftRecord& record) {
    FUZZ_CHECK(std::strlen(record.callsign) <= 8);
    for (std::size_t i = std::strlen(record.callsign); i < sizeof record.callsign; ++i) {
        FUZZ_CHECK(record.callsign[i] == '\0');
    }
    FUZZ_CHECK(record.onGround == 0);
    FUZZ_CHECK(HoldsOnlyFiniteNumbers(record));
    for (const std::uint8_t byte : record.reserved) {
        FUZZ_CHECK(byte == 0);
    }
}

void ParseLine(TrafficAnalyser& analyser, const std::string& line) {
    const bool inView = line.find('|') != std::string::npos && LineIsInView(analyser, line);
    const std::int32_t before = analyser.GetInViewCount();
    // The line in an allocation of its own size, as the reader's buffer holds it.
    const auto buffer = std::make_unique<char[]>(line.size() + 1);
    std::memcpy(buffer.get(), line.c_str(), line.size() + 1);
    const std::int32_t after = analyser.ParseTrafficLine(buffer.get());
    FUZZ_CHECK(after == analyser.GetInViewCount());
    FUZZ_CHECK(after >= 0 && after <= kMaxInViewAircraft);
    if (!inView || before == kMaxInViewAircraft) {
        FUZZ_CHECK(after == before);
    } else {
        FUZZ_CHECK(after == before + 1);
    }
}

void CheckHandOut(TrafficAnalyser& analyser, std::int32_t maxRecords) {
    const std::int32_t held = analyser.GetInViewCount();
    const std::size_t capacity = maxRecords > 0 ? static_cast<std::size_t>(maxRecords) : 0;
    std::vector<AircraftRecord> records(capacity);
    const std::int32_t copied = analyser.GetAircraftInView(maxRecords, records.data());
    FUZZ_CHECK(copied == std::min(std::max(maxRecords, 0), held));
    FUZZ_CHECK(analyser.GetInViewCount() == 0);
    for (std::int32_t i = 0; i < copied; ++i) {
        CheckRecord(records[static_cast<std::size_t>(i)]);
    }
}

} // namespace

// Input: own-ship latitude and longitude (raw doubles), the number of records to take, then the
// aircraft lines, each ended by a zero byte or a line feed (which stays in the line, as read).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const auto latitude = input.TakeRaw<double>();
    const auto longitude = input.TakeRaw<double>();
    const auto maxRecords = static_cast<std::int8_t>(input.TakeByte());

    TrafficAnalyser analyser;
    analyser.SetOwnShipPosition(latitude, longitude);
    CheckViewBox(analyser);
    const std::string lines = input.TakeRest();
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = lines.find_first_of(std::string("\n\0", 2), start);
        end = end == std::string::npos ? lines.size() : end + 1;
        std::string line = lines.substr(start, end - start);
        if (!line.empty() && line.back() == '\0') {
            line.pop_back();
        }
        ParseLine(analyser, line);
        start = end;
    }
    CheckHandOut(analyser, maxRecords);
    return 0;
}
