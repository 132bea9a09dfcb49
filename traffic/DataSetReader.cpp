#include "traffic/DataSetReader.h"

#include "config_control/ConfigControl.h"
#include "config_control/SettingsFile.h"
#include "text_functions/TextFunctions.h"

#include <cstring>
#include <new>

static const char kDataSetReaderSourceRevision[] =
    "%Z% DataSetReader QX2121:01 DataSetReader.cpp $Revision: 1.1 $";

namespace {

constexpr int kEntryTagSize = 20; // entry numbers up to 999999 fit whole
// The error text, the download request and the cure, which names the path of up to 1023
// characters.
constexpr int kNoFileTextSize = 2048;

constexpr char kDownloadRequest[] = "Please download a traffic data file from\n";
constexpr char kConvertRequest[] = "and turn the recording into a data file where Corvane looks "
                                   "for it:\ntrafficlog convert RECORDING.csv ";
constexpr char kOutOfMemoryText[] = "DataSetReader::OpenTrafficDataFile\nOut of memory";

ModuleRevisions revisions{"DataSetReader", kDataSetReaderHeaderRevision,
                          kDataSetReaderSourceRevision};

bool Contains(const char* line, const char* tag) {
    return std::strstr(line, tag) != nullptr;
}

// Every tag starts with this mark, so a line without it (nearly every aircraft line) holds
// none: one quick search settles the tag tests of an entry's line.
constexpr char kTagMark = '#';
static_assert(kBeginTag[0] == kTagMark && kEndTag[0] == kTagMark && kEntryEndTag[0] == kTagMark);

// Lines are read in their buffer or in place, where as many bytes may be read.
static_assert(kLineBufferSize >= static_cast<std::int32_t>(kWideReadBytes),
              "the analyser's quick test reads lines many bytes at a time");

bool MayHoldTag(const char* line) {
    return std::strchr(line, kTagMark) != nullptr;
}

class DataFileLines final : public LineSource {
public:
    explicit DataFileLines(SettingsFileClass& file) : file(file) {}
    bool ReadLine(char* buffer, int size) override {
        return file.ReadFromSettingsFile(buffer, size);
    }
    char* NextLine(char*, int size) override { return file.ReadLineInPlace(size); }
    bool LineMayHold(const char*, char mark) override { return file.LineInPlaceMayHold(mark); }

private:
    SettingsFileClass& file;
};

} // namespace

DataSetReader::DataSetReader(TrafficAnalyser& analyser) : analyser(analyser) {
    revisions.Register();
}

DataSetReader::~DataSetReader() = default;

bool DataSetReader::OpenTrafficDataFile(const char* path) {
    CopyBounded(dataFilePath, path != nullptr ? path : "", sizeof dataFilePath);
    if (OpenFile()) {
        return true;
    }
    ReportMissingFile();
    return false;
}

bool DataSetReader::ReopenTrafficDataFile() {
    if (OpenFile()) {
        return true;
    }
    SetErrorText(dataFile != nullptr ? dataFile->GetErrorText() : kOutOfMemoryText);
    CloseTrafficDataFile();
    readFailed = true;
    return false;
}

// The next line read is the header line, and entry 0 is expected.
bool DataSetReader::OpenFile() {
    headerRead = false;
    entryNumber = 0;
    readFailed = false;
    dataFile.reset(new (std::nothrow)
                       SettingsFileClass(dataFilePath, SettingsFileClass::ModeReading));
    return dataFile != nullptr && dataFile->IsOpen();
}

// The file's reason, then the cure: where to get a recording and, only where no file has the
// path's name, how to make a data file of it there; a folder or a FIFO by that name needs the
// operator's eye first.
void DataSetReader::ReportMissingFile() {
    char errorText[QX_ErrorReport::kErrorCopySize];
    CopyBounded(errorText, dataFile != nullptr ? dataFile->GetErrorText() : kOutOfMemoryText,
                static_cast<int>(sizeof errorText));
    const bool noFile = dataFile != nullptr && dataFile->FoundNoFile();
    CloseTrafficDataFile();
    char text[kNoFileTextSize];
    FormatBounded(text, kNoFileTextSize, "%s\n%s%s%s%s%s", errorText, kDownloadRequest,
                  kDataDownloadAddress, noFile ? "\n" : "", noFile ? kConvertRequest : "",
                  noFile ? dataFilePath : "");
    SetErrorText(text);
}

// The file's own report says which file and how.
void DataSetReader::ReportFileFailure() {
    readFailed = true;
    SetErrorText(dataFile->GetErrorText());
}

DataSetStep DataSetReader::Failed(DataSetEvent met) {
    return {.met = met, .failure = GetErrorText()};
}

DataSetStep DataSetReader::RequestHistoricData() {
    std::memset(lineBuffer, 0, sizeof lineBuffer);
    return ReadDataSet();
}

DataSetStep DataSetReader::ReadDataSet() {
    if (dataFile == nullptr) {
        return {.met = DataSetEvent::NoFile};
    }
    if (!dataFile->ReadFromSettingsFile(lineBuffer, kLineBufferSize)) {
        ReportFileFailure();
        return Failed(DataSetEvent::ReadFailed);
    }
    if (!headerRead) {
        headerRead = true;
        StripNewline(lineBuffer);
        return {.met = DataSetEvent::Header, .headerLine = lineBuffer};
    }
    if (Contains(lineBuffer, kBeginTag)) {
        return {.met = DataSetEvent::BeginTag};
    }
    if (Contains(lineBuffer, kEndTag)) {
        return ResetDataSet() ? DataSetStep{.met = DataSetEvent::EndTag}
                              : Failed(DataSetEvent::EndTag);
    }
    char entryTag[kEntryTagSize];
    FormatBounded(entryTag, kEntryTagSize, kEntryTagFormat, entryNumber);
    aircraftChecked = 0;
    callNumber = 0;
    DataSetStep step{.met = DataSetEvent::PassedOver};
    if (Contains(lineBuffer, entryTag)) {
        DataFileLines lines(*dataFile);
        step = ReadEntryAt(entryNumber, lines);
    }
    callNumber = entryNumber;
    return step;
}

DataSetStep DataSetReader::ReadEntryAt(std::int32_t number, LineSource& lines) {
    aircraftChecked = 0;
    analyser.ClearAircraft();
    ReadEntryLines(lines);
    entryNumber = number + 1;
    callNumber = entryNumber;
    return {.met = DataSetEvent::Entry, .entryNumber = number, .aircraftChecked = aircraftChecked};
}

void DataSetReader::ReadEntry() {
    if (dataFile == nullptr) {
        return;
    }
    DataFileLines lines(*dataFile);
    ReadEntryLines(lines);
}

void DataSetReader::ReadEntryLines(LineSource& lines) {
    for (std::int32_t count = 0; count < kMaxEntryLines; ++count) {
        char* line = lines.NextLine(lineBuffer, kLineBufferSize);
        if (line == nullptr) {
            return;
        }
        // The tag mark, absent from nearly every line, settles every tag test of most lines.
        if (!lines.LineMayHold(line, kTagMark)) {
            ++aircraftChecked;
            analyser.ParseTrafficLine(line, kLineBufferSize);
        } else if (Contains(line, kEntryEndTag)) {
            return;
        } else {
            ProcessTrafficLine(line);
        }
    }
}

void DataSetReader::ProcessTrafficLine(char* line) {
    if (line == nullptr ||
        (MayHoldTag(line) && (Contains(line, kBeginTag) || Contains(line, kEndTag)))) {
        return;
    }
    ++aircraftChecked;
    analyser.ParseTrafficLine(line);
}

bool DataSetReader::ResetDataSet() {
    if (dataFile == nullptr) {
        return true;
    }
    entryNumber = 0;
    if (!dataFile->Rewind()) {
        ReportFileFailure();
        return false;
    }
    return true;
}

void DataSetReader::CloseTrafficDataFile() {
    dataFile.reset();
}
