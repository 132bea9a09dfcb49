#include "app/Corvane.h"

#include <new>

[[maybe_unused]] static const char kCorvaneSourceRevision[] =
    "%Z% Corvane QX1001:02 Corvane.cpp $Revision: 1.1 $";

CTrafficFeedApp::CTrafficFeedApp(DialogHost& host, Clock& clock, AlertService& alerts,
                                 const char* dataFilePath, const char* mappingName,
                                 FeedMode feedMode)
    : host(host), clock(clock), alerts(alerts),
      dataFilePath(dataFilePath != nullptr ? dataFilePath : ""),
      mappingName(mappingName != nullptr ? mappingName : kVisualInterfaceName), feedMode(feedMode) {
}

CTrafficFeedApp::~CTrafficFeedApp() = default;

bool CTrafficFeedApp::InitInstance() {
    if (mainDialog == nullptr) {
        mainDialog.reset(new (std::nothrow) CTrafficFeedDlg(
            host, clock, alerts, dataFilePath.c_str(), mappingName.c_str(), feedMode));
    }
    if (mainDialog != nullptr) {
        host.RunModal(*mainDialog, kIddMain);
    }
    return false;
}
