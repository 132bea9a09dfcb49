#pragma once
// The application object: runs the main dialog modally; the program ends when it closes.

#include "app/CorvaneDlg.h"

#include <memory>
#include <string>

inline constexpr char kCorvaneHeaderRevision[] = "%Z% Corvane QX1001:01 Corvane.h $Revision: 1.1 $";

class CTrafficFeedApp {
public:
    // The front end picks the host, clock, alert player and data file path for its platform;
    // mappingName names the shared block (tests and trials use names of their own).
    CTrafficFeedApp(DialogHost& host, Clock& clock, AlertService& alerts, const char* dataFilePath,
                    const char* mappingName = kVisualInterfaceName,
                    FeedMode feedMode = FeedMode::Play);
    ~CTrafficFeedApp();

    CTrafficFeedApp(const CTrafficFeedApp&) = delete;
    CTrafficFeedApp& operator=(const CTrafficFeedApp&) = delete;

    // Constructs the dialog on the first call and runs it modally; the result of the dialog is
    // not used. Returns false: the program ends when the dialog has closed.
    bool InitInstance();

    CTrafficFeedDlg* GetMainDialog() const { return mainDialog.get(); }

private:
    DialogHost& host;
    Clock& clock;
    AlertService& alerts;
    std::string dataFilePath;
    std::string mappingName;
    FeedMode feedMode;
    // Lives from the first InitInstance to the end of the program, like the window it drove.
    std::unique_ptr<CTrafficFeedDlg> mainDialog;
};
