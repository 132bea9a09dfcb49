#include "traffic/DataSetReader.h"

#include "config_control/ConfigControl.h"
#include "config_control/SettingsFile.h"
#include "text_functions/TextFunctions.h"

#include <cstring>
#include <new>

static const char kDataSetReaderSourceRevision[] =
    "%Z% DataSetReader QX2121:01 DataSetReader.cpp $Revision: 1.1 $";

namespace {

constexpr std::int32_t kOpenSettleMilliseconds = 100;
constexpr int kTitleSize = 512;
constexpr int kEntryTagSize = 20; // entry numbers up to 999999 fit whole
constexpr int kMessageSize = 256;
// The error text, the download request and the cure, which names the path of up to 1023
// characters.
constexpr int kNoFileTextSize = 2048;

constexpr char kNoFileCaption[] = "TCAS:: No Aircraft Data File";
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

private:
    SettingsFileClass& file;
};

} // namespace

DataSetReader::DataSetReader(DataSetReaderOwner& owner, TrafficAnalyser& analyser)
    : owner(owner), analyser(analyser) {
    revisions.Register();
}

DataSetReader::~DataSetReader() = default;

bool DataSetReader::OpenTrafficDataFile(const char* path) {
    CopyBounded(dataFilePath, path != nullptr ? path : "", sizeof dataFilePath);
    const bool opened = OpenFile();
    owner.SleepMilliseconds(kOpenSettleMilliseconds);
    if (!opened) {
        ReportMissingFile();
    }
    return opened;
}

bool DataSetReader::ReopenTrafficDataFile() {
    if (OpenFile()) {
        return true;
    }
    owner.SetMessageText(dataFile != nullptr ? dataFile->GetErrorText() : kOutOfMemoryText);
    CloseTrafficDataFile();
    readFailed = true;
    return false;
}

// The next line read is the header line, and entry 0 is expected.
bool DataSetReader::OpenFile() {
    headerShown = false;
    entryNumber = 0;
    readFailed = false;
    dataFile.reset(new (std::nothrow)
                       SettingsFileClass(dataFilePath, SettingsFileClass::ModeReading));
    return dataFile != nullptr && dataFile->IsOpen();
}

// Making a data file with the path's name is the cure only where there is none; a folder or a
// FIFO by that name needs the operator's eye first.
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
    owner.ShowMessageBox(kNoFileCaption, text);
    owner.SetMessageText("No Data File");
}

// The file's own report says which file and how; the owner shows it instead of the progress
// text of the last entry.
void DataSetReader::ReportReadFailure() {
    readFailed = true;
    owner.SetMessageText(dataFile->GetErrorText());
}

bool DataSetReader::RequestHistoricData() {
    std::memset(lineBuffer, 0, sizeof lineBuffer);
    return ReadDataSet();
}

bool DataSetReader::ReadDataSet() {
    if (dataFile == nullptr) {
        return false;
    }
    if (!dataFile->ReadFromSettingsFile(lineBuffer, kLineBufferSize)) {
        ReportReadFailure();
        return false;
    }
    if (!headerShown) {
        ShowHeader();
        return false;
    }
    if (Contains(lineBuffer, kBeginTag)) {
        owner.SetStatusText("Found data start tag");
        return false;
    }
    if (Contains(lineBuffer, kEndTag)) {
        owner.SetStatusText("Found data end tag");
        ResetDataSet();
        return true;
    }
    char entryTag[kEntryTagSize];
    FormatBounded(entryTag, kEntryTagSize, kEntryTagFormat, entryNumber);
    aircraftChecked = 0;
    callNumber = 0;
    if (Contains(lineBuffer, entryTag)) {
        DataFileLines lines(*dataFile);
        ReadEntryAt(entryNumber, lines);
    }
    callNumber = entryNumber;
    return true;
}

void DataSetReader::ReadEntryAt(std::int32_t number, LineSource& lines) {
    aircraftChecked = 0;
    analyser.ClearAircraft();
    ReadEntryLines(lines);
    entryNumber = number + 1;
    callNumber = entryNumber;
    char message[kMessageSize];
    FormatBounded(message, kMessageSize, "Reading Data Set :: %d Aircraft checked",
                  aircraftChecked);
    owner.SetMessageText(message);
}

void DataSetReader::ShowHeader() {
    ShowHeaderLine(lineBuffer);
    headerShown = true;
}

void DataSetReader::ShowHeaderLine(char* line) {
    StripNewline(line);
    char title[kTitleSize];
    const char* windowTitle = owner.GetWindowTitle();
    FormatBounded(title, kTitleSize, "%s:: %s", windowTitle != nullptr ? windowTitle : "", line);
    owner.SetWindowTitleText(title);
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
        // One search for the tag mark settles every tag test of nearly every line.
        if (!MayHoldTag(line)) {
            ++aircraftChecked;
            analyser.ParseTrafficLine(line);
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

void DataSetReader::ResetDataSet() {
    if (dataFile == nullptr) {
        return;
    }
    entryNumber = 0;
    if (!dataFile->Rewind()) {
        ReportReadFailure();
        return;
    }
    owner.SetMessageText("Resetting Data Set to beginning");
}

void DataSetReader::CloseTrafficDataFile() {
    dataFile.reset();
}
