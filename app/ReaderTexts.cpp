#include "app/ReaderTexts.h"

#include "text_functions/TextFunctions.h"

[[maybe_unused]] static const char kReaderTextsSourceRevision[] =
    "%Z% Corvane QX1001:10 ReaderTexts.cpp $Revision: 1.1 $";

namespace {

constexpr char kBeginTagFound[] = "Found data start tag";
constexpr char kEndTagFound[] = "Found data end tag";
constexpr char kRewound[] = "Resetting Data Set to beginning";
constexpr char kClosedNote[] = " :: recording closed";

} // namespace

ReaderTexts::ReaderTexts(const DataSetStep& step, const char* windowTitle) {
    switch (step.met) {
    case DataSetEvent::Header:
        SetTitle(windowTitle, step.headerLine);
        break;
    case DataSetEvent::BeginTag:
        status = kBeginTagFound;
        break;
    case DataSetEvent::Entry:
        SetEntryMessage(step);
        break;
    case DataSetEvent::EndTag:
        status = kEndTagFound;
        message = step.failure != nullptr ? step.failure : kRewound;
        break;
    case DataSetEvent::ReadFailed:
        message = step.failure;
        break;
    case DataSetEvent::NoFile:
    case DataSetEvent::PassedOver:
        break;
    }
}

ReaderTexts::ReaderTexts(const LiveOutcome& outcome, const char* windowTitle) {
    message = outcome.failure;
    if (outcome.headerLine != nullptr) {
        SetTitle(windowTitle, outcome.headerLine);
    }
    if (outcome.step == LiveStep::NewEntry) {
        SetEntryMessage(outcome.entry);
    } else {
        SetLiveStatus(outcome);
    }
}

void ReaderTexts::SetTitle(const char* windowTitle, const char* headerLine) {
    FormatBounded(titleText, kTitleSize, "%s:: %s", windowTitle != nullptr ? windowTitle : "",
                  headerLine);
    title = titleText;
}

void ReaderTexts::SetEntryMessage(const DataSetStep& entry) {
    FormatBounded(messageText, kMessageSize, "Reading Data Set :: %d Aircraft checked",
                  entry.aircraftChecked);
    message = messageText;
}

// Why nothing new is published: the age of the newest entry, or that none has come yet.
void ReaderTexts::SetLiveStatus(const LiveOutcome& outcome) {
    const char* closed = outcome.closed ? kClosedNote : "";
    if (outcome.age >= 0) {
        FormatBounded(statusText, kStatusSize, "live: newest entry %lld s old%s",
                      static_cast<long long>(outcome.age), closed);
    } else {
        FormatBounded(statusText, kStatusSize, "live: waiting for a complete entry%s", closed);
    }
    status = statusText;
}
