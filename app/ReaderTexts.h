#pragma once
// What the main dialog shows of each step of its data set readers: the window title, the message
// line and the status line. Operators and peers read these texts (typos included), so they stay
// as they always were, byte for byte.

#include "traffic/DataSetReader.h"
#include "traffic/LiveEntryReader.h"

inline constexpr char kReaderTextsHeaderRevision[] =
    "%Z% Corvane QX1001:09 ReaderTexts.h $Revision: 1.1 $";

class ReaderTexts {
public:
    // windowTitle: the dialog's own title text, which a header line follows.
    ReaderTexts(const DataSetStep& step, const char* windowTitle);
    ReaderTexts(const LiveOutcome& outcome, const char* windowTitle);

    // The texts point into the object.
    ReaderTexts(const ReaderTexts&) = delete;
    ReaderTexts& operator=(const ReaderTexts&) = delete;

    // Each null where the step leaves that text as it is.
    const char* Title() const { return title; }
    const char* Message() const { return message; }
    const char* Status() const { return status; }

private:
    void SetTitle(const char* windowTitle, const char* headerLine);
    void SetEntryMessage(const DataSetStep& entry);
    void SetLiveStatus(const LiveOutcome& outcome);

    static constexpr int kTitleSize = 512;
    static constexpr int kMessageSize = 64;
    static constexpr int kStatusSize = 128;

    const char* title = nullptr;
    const char* message = nullptr;
    const char* status = nullptr;
    char titleText[kTitleSize];
    char messageText[kMessageSize];
    char statusText[kStatusSize];
};
