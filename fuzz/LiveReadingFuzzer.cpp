// A data file followed live while something writes it as the input says: bytes appended, whole
// entries appended, a line written in halves, the file cut short, or another file renamed into
// its place, with the feeder's requests in between. Whatever happens to the file, a request may
// publish only an entry whose end tag line is complete in the file as it stands, the publication
// must equal what the data file's ordinary reader makes of that entry's lines read from the file,
// a file followed without a break must never give an entry before the one published last, and
// what the live reader keeps in memory stays within an entry's worth.
#include "config_control/SettingsFile.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DataSetReader.h"
#include "traffic/LiveEntryReader.h"
#include "traffic/TrafficAnalyser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr std::int64_t kStartTime = 1'700'000'000;
constexpr int kMaxSteps = 64;
constexpr int kPublishRecords = 150;
constexpr std::size_t kMaxFileBytes = 1 << 20;

class FileLines final : public LineSource {
public:
    explicit FileLines(SettingsFileClass& file) : file(file) {}
    bool ReadLine(char* buffer, int size) override {
        return file.ReadFromSettingsFile(buffer, size);
    }

private:
    SettingsFileClass& file;
};

// Both clocks at one reading, moved on by the input between requests.
class StepClock final : public Clock {
public:
    std::int64_t NowSeconds() override { return now; }
    std::int64_t MonotonicSeconds() override { return now; }
    void SleepMilliseconds(std::int32_t) override {}
    std::int64_t now = kStartTime;
};

struct Reading {
    explicit Reading(double latitude, double longitude) {
        analyser.SetOwnShipPosition(latitude, longitude);
    }
    std::vector<AircraftRecord> InView() {
        std::vector<AircraftRecord> records(kPublishRecords);
        records.resize(
            static_cast<std::size_t>(analyser.GetAircraftInView(kPublishRecords, records.data())));
        return records;
    }

    TrafficAnalyser analyser;
    DataSetReader reader{analyser};
};

// The file as the writer made it, kept beside it byte for byte.
class WrittenFile {
public:
    explicit WrittenFile(const char* path) : path(path) {}

    void Append(const std::string& bytes) {
        if (content.size() + bytes.size() > kMaxFileBytes) {
            return;
        }
        std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
        content += bytes;
    }
    void Cut(std::size_t size) {
        std::error_code error;
        std::filesystem::resize_file(path, size, error);
        FUZZ_CHECK(!error);
        content.resize(size);
    }
    // Another file written beside it and renamed over it, as a converter replaces its output.
    void Replace(const std::string& bytes) {
        const std::string beside = path + ".new";
        std::ofstream(beside, std::ios::binary | std::ios::trunc) << bytes;
        std::error_code error;
        std::filesystem::rename(beside, path, error);
        FUZZ_CHECK(!error);
        content = bytes;
    }
    const std::string& Content() const { return content; }

private:
    std::string path;
    std::string content;
};

std::string Aircraft(FuzzInput& input) {
    const int index = input.TakeByte();
    return "LIVE" + std::to_string(index) + "|4CA2" + std::to_string(index % 100) + "|" +
           std::to_string(kStartTime + input.TakeByte()) + "|50." + std::to_string(index) + "|0." +
           std::to_string(input.TakeByte()) + "|3000|3100|90|250|0\n";
}

std::string Entry(FuzzInput& input) {
    std::string text = "####_ENTRY_" + std::to_string(input.TakeByte()) + "_#\n";
    for (int count = input.TakeByte() % 6; count > 0; --count) {
        text += Aircraft(input);
    }
    return text + kEntryEndTag + "\n";
}

// Where the line holding the entry's tag begins: its lines follow the piece of that line the
// tag is in, which may be the whole line.
std::size_t TagLineStart(const std::string& content, const LiveEntry& entry) {
    FUZZ_CHECK(entry.linesBegin >= 2);
    const std::size_t lineFeed =
        content.rfind('\n', static_cast<std::size_t>(entry.linesBegin) - 2);
    return lineFeed == std::string::npos ? 0 : lineFeed + 1;
}

// The piece of the tag line that ends where the entry's lines begin holds the entry's tag as the
// data file's reader looks for it. Pieces as that reader cuts them: at most kLineBufferSize-1
// bytes, up to a line feed; a carriage return that ends a full piece takes its line feed along.
void CheckTagPiece(const std::string& content, const LiveEntry& entry) {
    char tag[kLineBufferSize];
    FormatBounded(tag, kLineBufferSize, kEntryTagFormat, entry.number);
    const auto begin = static_cast<std::size_t>(entry.linesBegin);
    constexpr std::size_t kRoom = kLineBufferSize - 1;
    for (std::size_t at = TagLineStart(content, entry); at < begin;) {
        const std::size_t lineFeed = content.find('\n', at);
        std::size_t end =
            std::min(lineFeed == std::string::npos ? content.size() : lineFeed + 1, at + kRoom);
        if (end == at + kRoom && content[end - 1] == '\r' && end < content.size() &&
            content[end] == '\n') {
            ++end;
        }
        if (end == begin) {
            const std::string piece = content.substr(at, end - at);
            FUZZ_CHECK(std::strstr(piece.c_str(), tag) != nullptr);
            return;
        }
        at = end;
    }
    FUZZ_CHECK(false);
}

// What the ordinary reader makes of the entry: its lines read from the file itself, piece by
// piece as a play of the file from its top reads them on reaching the entry.
void CheckAsPlayed(const std::string& content, const LiveEntry& entry, const DataSetStep& read,
                   Reading& live, double latitude, double longitude) {
    static FuzzTempFile played("corvane_fuzz_played");
    CheckTagPiece(content, entry);
    FUZZ_CHECK(played.Write(content.substr(static_cast<std::size_t>(entry.linesBegin))));
    SettingsFileClass file(played.Path(), SettingsFileClass::ModeReading);
    FUZZ_CHECK(file.IsOpen());
    FileLines lines(file);
    Reading play(latitude, longitude);
    const DataSetStep asPlayed = play.reader.ReadEntryAt(entry.number, lines);
    FUZZ_CHECK(play.reader.GetAircraftChecked() == live.reader.GetAircraftChecked());
    FUZZ_CHECK(play.reader.GetEntryNumber() == live.reader.GetEntryNumber());
    FUZZ_CHECK(asPlayed.met == read.met && asPlayed.entryNumber == read.entryNumber &&
               asPlayed.aircraftChecked == read.aircraftChecked);
    const std::vector<AircraftRecord> expected = play.InView();
    const std::vector<AircraftRecord> got = live.InView();
    FUZZ_CHECK(expected.size() == got.size());
    FUZZ_CHECK(std::memcmp(expected.data(), got.data(), got.size() * sizeof(AircraftRecord)) == 0);
}

// A header line handed out is one line, cut as the data file's reader cuts its lines.
void CheckHeaderLine(const char* line) {
    FUZZ_CHECK(line == nullptr || (std::strlen(line) < static_cast<std::size_t>(kLineBufferSize) &&
                                   std::strchr(line, '\n') == nullptr));
}

// The entry stands complete in the file: its end tag in a line written whole, with its line
// feed, where its lines end.
void CheckComplete(const std::string& content, const LiveEntry& entry) {
    FUZZ_CHECK(entry.linesBegin <= entry.linesEnd && entry.linesEnd < content.size());
    const std::size_t endTag = static_cast<std::size_t>(entry.linesEnd);
    const std::size_t lineFeed = content.find('\n', endTag);
    FUZZ_CHECK(lineFeed != std::string::npos);
    FUZZ_CHECK(content.substr(endTag, lineFeed - endTag).find(kEntryEndTag) != std::string::npos);
}

} // namespace

// Input: a byte of own-ship position, then steps: a step kind, then what it needs.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzTempFile followed("corvane_fuzz_live");
    FuzzInput input(data, size);
    const double latitude = 50.0 + input.TakeByte() / 256.0;
    const double longitude = input.TakeByte() / 256.0;
    FUZZ_CHECK(followed.Write(""));
    WrittenFile file(followed.Path());

    Reading live(latitude, longitude);
    LiveEntryReader reader(live.reader);
    reader.Start(followed.Path());
    StepClock clock;
    std::uint64_t followedSince = 0; // a break in the file: cut or replaced
    std::uint64_t lastBreak = 0;
    std::uint64_t publishedAt = 0; // the break after which the last publication came
    std::uint64_t publishedBegin = 0;
    for (int step = 0; step < kMaxSteps && !input.Empty(); ++step) {
        // A cut or a replacement is looked at before the file changes again: a file cut and grown
        // past what was examined, or a name that gets back a file number it had before, between
        // two looks is the same file to anyone who follows it by name.
        bool look = false;
        switch (input.TakeByte() % 8) {
        case 0:
            file.Append(input.TakeText());
            break;
        case 1:
            file.Append(Entry(input));
            break;
        case 2: {
            const std::string entry = Entry(input);
            file.Append(entry.substr(0, entry.size() * input.TakeByte() / 256));
            break;
        }
        case 3:
            file.Cut(file.Content().size() * input.TakeByte() / 256);
            lastBreak = ++followedSince;
            look = true;
            break;
        case 4:
            look = true;
            break;
        case 5:
            file.Replace(input.TakeText());
            lastBreak = ++followedSince;
            look = true;
            break;
        default: {
            // A run of one byte, then a text on the same line: tags past the reader's line
            // length, behind NUL bytes or carriage returns.
            const std::size_t run = input.TakeByte() * 8u;
            std::string line(run, static_cast<char>(input.TakeByte()));
            file.Append(line + input.TakeText());
            break;
        }
        }
        if (!look) {
            continue;
        }
        clock.now += input.TakeByte();
        const LiveOutcome result = reader.Request(clock);
        const LiveDataFile& seen = reader.File();
        FUZZ_CHECK(seen.EntryLines().size() <= LiveDataFile::kMaxEntryBytes);
        FUZZ_CHECK(seen.HeaderBytes().size() <= static_cast<std::size_t>(kLineBufferSize));
        CheckHeaderLine(result.headerLine);
        // A look that failed publishes nothing, and says why.
        FUZZ_CHECK((result.failure != nullptr) == reader.HasReadFailed() &&
                   (result.failure == nullptr || result.step != LiveStep::NewEntry));
        if (result.step != LiveStep::NewEntry) {
            continue;
        }
        const LiveEntry& entry = seen.NewestEntry();
        CheckComplete(file.Content(), entry);
        FUZZ_CHECK(publishedAt != lastBreak || publishedBegin == 0 ||
                   entry.linesBegin > publishedBegin);
        publishedAt = lastBreak;
        publishedBegin = entry.linesBegin;
        CheckAsPlayed(file.Content(), entry, result.entry, live, latitude, longitude);
    }
    return 0;
}
