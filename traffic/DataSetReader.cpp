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
constexpr int kNoFileTextSize = 512;

constexpr char kNoFileCaption[] = "TCAS:: No Aircraft Data File";
constexpr char kDownloadRequest[] = "Please download a traffic data file from\n";
constexpr char kOutOfMemoryText[] = "DataSetReader::OpenTrafficDataFile\nOut of memory";

void RegisterDataSetReader() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Data Set Reader",
                       {kDataSetReaderHeaderRevision, kDataSetReaderSourceRevision});
}

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

} // namespace

DataSetReader::DataSetReader(DataSetReaderOwner& owner, TrafficAnalyser& analyser)
    : owner(owner), analyser(analyser) {
    RegisterDataSetReader();
}

DataSetReader::~DataSetReader() = default;

bool DataSetReader::OpenTrafficDataFile(const char* path) {
    headerShown = false;
    dataFile.reset(new (std::nothrow) SettingsFileClass(path != nullptr ? path : "",
                                                        SettingsFileClass::ModeReading));
    owner.SleepMilliseconds(kOpenSettleMilliseconds);
    if (dataFile != nullptr && dataFile->IsOpen()) {
        entryNumber = 0;
        return true;
    }
    ReportMissingFile();
    return false;
}

void DataSetReader::ReportMissingFile() {
    char errorText[QX_ErrorReport::kErrorCopySize];
    CopyBounded(errorText, dataFile != nullptr ? dataFile->GetErrorText() : kOutOfMemoryText,
                static_cast<int>(sizeof errorText));
    CloseTrafficDataFile();
    char text[kNoFileTextSize];
    FormatBounded(text, kNoFileTextSize, "%s\n%s%s", errorText, kDownloadRequest,
                  kDataDownloadAddress);
    owner.ShowMessageBox(kNoFileCaption, text);
    owner.SetMessageText("No Data File");
}

bool DataSetReader::RequestHistoricData() {
    std::memset(lineBuffer, 0, sizeof lineBuffer);
    return ReadDataSet();
}

bool DataSetReader::ReadDataSet() {
    if (dataFile == nullptr || !dataFile->ReadFromSettingsFile(lineBuffer, kLineBufferSize)) {
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
        analyser.ClearAircraft();
        ReadEntry();
        ++entryNumber;
        char message[kMessageSize];
        FormatBounded(message, kMessageSize, "Reading Data Set :: %d Aircraft checked",
                      aircraftChecked);
        owner.SetMessageText(message);
    }
    callNumber = entryNumber;
    return true;
}

void DataSetReader::ShowHeader() {
    StripNewline(lineBuffer);
    char title[kTitleSize];
    const char* windowTitle = owner.GetWindowTitle();
    FormatBounded(title, kTitleSize, "%s:: %s", windowTitle != nullptr ? windowTitle : "",
                  lineBuffer);
    owner.SetWindowTitleText(title);
    headerShown = true;
}

void DataSetReader::ReadEntry() {
    if (dataFile == nullptr) {
        return;
    }
    for (std::int32_t line = 0; line < kMaxEntryLines; ++line) {
        if (!dataFile->ReadFromSettingsFile(lineBuffer, kLineBufferSize)) {
            return;
        }
        // One search for the tag mark settles every tag test of nearly every line.
        if (!MayHoldTag(lineBuffer)) {
            ++aircraftChecked;
            analyser.ParseTrafficLine(lineBuffer);
        } else if (Contains(lineBuffer, kEntryEndTag)) {
            return;
        } else {
            ProcessTrafficLine(lineBuffer);
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
    dataFile->Rewind();
    owner.SetMessageText("Resetting Data Set to beginning");
}

void DataSetReader::CloseTrafficDataFile() {
    dataFile.reset();
}
