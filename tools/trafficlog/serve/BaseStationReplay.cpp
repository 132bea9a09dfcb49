#include "tools/trafficlog/serve/BaseStationReplay.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"
#include "tools/trafficlog/sources/UtcTime.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
// Fields of a message line: the date and time generated, then those logged; 22 in a MSG line.
constexpr int kDateGenerated = 6;
constexpr int kTimeGenerated = 7;
constexpr int kDateLogged = 8;
constexpr int kTimeLogged = 9;
constexpr int kMaxFields = 22;

// "YYYY/MM/DD" and "hh:mm:ss.fff" of a calendar time, as receivers write them (in UTC, as the
// conversions read them).
void FormatDateAndTime(double stamp, std::string& date, std::string& time) {
    double whole = std::floor(stamp);
    long milliseconds = std::lround((stamp - whole) * 1000.0);
    if (milliseconds >= 1000) {
        whole += 1;
        milliseconds -= 1000;
    }
    char iso[kUtcTimestampSize];
    FormatUtcTimestamp(iso, sizeof iso, static_cast<std::int64_t>(whole));
    date.assign(iso, 10);
    for (char& c : date) {
        c = c == '-' ? '/' : c;
    }
    char fraction[8];
    FormatBounded(fraction, sizeof fraction, ".%03ld", milliseconds);
    time.assign(iso + 11, 8);
    time += fraction;
}
} // namespace

BaseStationReplay::BaseStationReplay(double speed, double replayNow, double calendarNow)
    : speed(speed), calendarOffset(calendarNow - replayNow), anchorReplay(replayNow),
      dueAt(replayNow) {}

bool BaseStationReplay::Open(const char* path) {
    // Fresh objects: the layers of a gzip file are built anew for each pass, and the lines
    // counted from its top.
    reader.reset();
    input = std::make_unique<InputStream>();
    readFailed = false;
    if (!input->Open(path)) {
        SetErrorText(input->GetErrorText());
        input.reset();
        return false;
    }
    reader = std::make_unique<PhysicalLineReader>();
    reader->Attach(*input);
    // Each pass begins where the one before ended, and a pause later.
    anchored = false;
    passPause = messages > 0 ? kPassPauseSeconds : 0.0;
    return true;
}

ReplayStep BaseStationReplay::Next() {
    if (reader != nullptr && reader->Next()) {
        double time = 0;
        if (!reader->HeadIsWhole()) {
            return Bad("longer than any message");
        }
        // What follows the NUL would never reach a client.
        if (std::strlen(reader->Head()) != static_cast<std::size_t>(reader->Length())) {
            return Bad("a NUL byte in it");
        }
        if (!MessageTime(time)) {
            return Bad(IsBaseStationLine(reader->Head()) ? "no date and time in fields 7 and 8"
                                                         : "not a BaseStation message");
        }
        Schedule(time);
        Rewrite(dueAt + calendarOffset);
        ++messages;
        return ReplayStep::Message;
    }
    readFailed = reader == nullptr || reader->ReadFailed();
    if (readFailed && reader != nullptr) {
        SetErrorText(reader->GetErrorText());
    }
    return ReplayStep::End;
}

ReplayStep BaseStationReplay::Bad(const char* reason) {
    ++badLines;
    badLineNumber = reader->LineNumber();
    badLineReason = reason;
    return ReplayStep::BadLine;
}

bool BaseStationReplay::MessageTime(double& time) {
    char work[PhysicalLineReader::kHeadSize];
    CopyBounded(work, reader->Head(), sizeof work);
    char* fields[kMaxFields + 1] = {};
    const int count =
        IsBaseStationLine(work) ? SplitAtCharBounded(work, ",", fields, kMaxFields - 1) : 0;
    std::int64_t seconds = 0;
    if (count <= kTimeGenerated ||
        !ParseUtcDateTime(fields[kDateGenerated], fields[kTimeGenerated], seconds)) {
        return false;
    }
    const char* fraction = std::strchr(fields[kTimeGenerated], '.');
    time = static_cast<double>(seconds) + (fraction != nullptr ? std::atof(fraction) : 0.0);
    return true;
}

void BaseStationReplay::Schedule(double time) {
    if (!anchored || std::fabs(time - logClock) > kLongestJumpSeconds) {
        jumps += anchored ? 1 : 0;
        anchorReplay = dueAt + (anchored ? 0.0 : passPause);
        anchored = true;
        anchorLog = time;
        logClock = time;
    }
    logClock = std::fmax(logClock, time);
    dueAt = anchorReplay + (time - anchorLog) / speed;
}

// The line with its generated time (and its logged time, where it has one) set to `stamp`.
void BaseStationReplay::Rewrite(double stamp) {
    char work[PhysicalLineReader::kHeadSize];
    CopyBounded(work, reader->Head(), sizeof work);
    char* fields[kMaxFields + 1] = {};
    const int count = SplitAtCharBounded(work, ",", fields, kMaxFields - 1);
    std::string date, time, text;
    FormatDateAndTime(stamp, date, time);
    for (int i = 0; i < count; ++i) {
        text += i > 0 ? "," : "";
        const bool logged = (i == kDateLogged || i == kTimeLogged) && *fields[i] != '\0';
        if (i == kDateGenerated || (logged && i == kDateLogged)) {
            text += date;
        } else if (i == kTimeGenerated || (logged && i == kTimeLogged)) {
            text += time;
        } else {
            text += fields[i];
        }
    }
    text += '\n';
    CopyBounded(line, text.c_str(), kLineSize);
    lineLength = static_cast<int>(std::strlen(line));
}
