// A BaseStation log, hostile or not, replayed as `trafficlog serve` sends it, with the calendar
// anywhere from 2000 to 2100 (midnights and new years included). Every line must be taken either
// as a message or as a bad line; every message must go out as one line with its line feed, short
// enough for its buffer, dated and timed as the moment it is due says, in a date and time a
// receiver writes; and no moment may be beyond the clock the replay runs on.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/serve/BaseStationReplay.h"
#include "tools/trafficlog/sources/UtcTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr double kReplayNow = 1000.0;
constexpr double kEarliestCalendar = 946684800.0; // 2000-01-01
constexpr double kLatestCalendar = 4102444800.0;  // 2100-01-01
constexpr int kMaxFields = 22;
constexpr int kDateGenerated = 6;
constexpr int kTimeGenerated = 7;
constexpr int kDateLogged = 8;
constexpr int kTimeLogged = 9;
constexpr double kSpeeds[] = {1.0, 0.01, 1000.0, 3.7};

std::int64_t PhysicalLines(const std::string& log) {
    const auto feeds = static_cast<std::int64_t>(std::count(log.begin(), log.end(), '\n'));
    return feeds + (!log.empty() && log.back() != '\n' ? 1 : 0);
}

// The stamp a message went out with, from its generated date and time.
double StampOf(char* const* fields) {
    std::int64_t seconds = 0;
    FUZZ_CHECK(ParseUtcDateTime(fields[kDateGenerated], fields[kTimeGenerated], seconds));
    const char* fraction = std::strchr(fields[kTimeGenerated], '.');
    FUZZ_CHECK(fraction != nullptr && std::strlen(fraction) == 4);
    return static_cast<double>(seconds) + std::atof(fraction);
}

void CheckMessage(const BaseStationReplay& replay, double calendarOffset) {
    const int length = replay.LineLength();
    FUZZ_CHECK(length > 0 && length < BaseStationReplay::kLineSize);
    FUZZ_CHECK(static_cast<int>(std::strlen(replay.Line())) == length);
    FUZZ_CHECK(replay.Line()[length - 1] == '\n');
    FUZZ_CHECK(std::strchr(replay.Line(), '\n') == replay.Line() + length - 1);
    FUZZ_CHECK(std::isfinite(replay.DueAt()));

    char work[BaseStationReplay::kLineSize];
    CopyBounded(work, replay.Line(), sizeof work);
    work[length - 1] = '\0';
    char* fields[kMaxFields + 1] = {};
    const int count = SplitAtCharBounded(work, ",", fields, kMaxFields - 1);
    FUZZ_CHECK(count > kTimeGenerated);
    const double stamp = StampOf(fields);
    FUZZ_CHECK(std::fabs(stamp - (replay.DueAt() + calendarOffset)) <= 0.0015);
    if (count > kTimeLogged && fields[kDateLogged][0] != '\0' && fields[kTimeLogged][0] != '\0') {
        std::int64_t logged = 0;
        FUZZ_CHECK(ParseUtcDateTime(fields[kDateLogged], fields[kTimeLogged], logged));
    }
}

} // namespace

// Input: the calendar's seconds (raw, folded into 2000-2100), a speed selector, then the log.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzTempFile log("corvane_fuzz_serve");
    FuzzInput input(data, size);
    const double calendarNow =
        kEarliestCalendar + static_cast<double>(input.TakeRaw<std::uint32_t>()) *
                                ((kLatestCalendar - kEarliestCalendar) / 4294967296.0);
    const double speed = kSpeeds[input.TakeByte() % 4];
    const std::string content = input.TakeRest();
    FUZZ_CHECK(log.Write(content));

    BaseStationReplay replay(speed, kReplayNow, calendarNow);
    // A log that looks like an archive, a gzip stream or no text is refused with its reason.
    if (!replay.Open(log.Path())) {
        FUZZ_CHECK(replay.GetErrorText()[0] != '\0');
        return 0;
    }
    for (;;) {
        const ReplayStep step = replay.Next();
        if (step == ReplayStep::End) {
            break;
        }
        if (step == ReplayStep::Message) {
            CheckMessage(replay, calendarNow - kReplayNow);
        } else {
            FUZZ_CHECK(replay.BadLineNumber() >= 1 && !replay.BadLineReason().empty());
        }
    }
    FUZZ_CHECK(!replay.ReadFailed());
    FUZZ_CHECK(replay.Messages() + replay.BadLines() == PhysicalLines(content));
    return 0;
}
