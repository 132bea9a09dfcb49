// The text of the last failure of a library object.
#include "error_report/QX_ErrorReport.h"

#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <string_view>

namespace {

const char kQX_ErrorReportSourceRevision[] =
    "%Z% QX_ErrorReport QX2104:01 QX_ErrorReport.cpp $Revision: 1.2 $";

const char* const kRevisions[] = {kQX_ErrorReportHeaderRevision, kQX_ErrorReportSourceRevision};

// A report part; one longer than the part limit is cut one short of it.
std::string_view Part(const char* text) {
    std::string_view part = text != nullptr ? text : "";
    if (part.size() > static_cast<size_t>(QX_ErrorReport::kMaxPartLength)) {
        part = part.substr(0, QX_ErrorReport::kMaxPartLength - 1);
    }
    return part;
}

} // namespace

std::span<const char* const> ErrorReportRevisions() {
    return kRevisions;
}

QX_ErrorReport::QX_ErrorReport()
    : errorCopy{}, errorText(), reportedIds{}, reportedCount(0), numberText{} {}

QX_ErrorReport::~QX_ErrorReport() {
    errorText.clear();
}

void QX_ErrorReport::SetErrorText(const char* text) {
    errorText = text != nullptr ? text : "";
}

const char* QX_ErrorReport::GetErrorText() {
    return CopyBounded(errorCopy, errorText.c_str(), sizeof errorCopy);
}

void QX_ErrorReport::ReportError(const char* where, const char* what) {
    errorText.assign(Part(where)).append("\n").append(Part(what));
}

void QX_ErrorReport::ReportDetail(const char* where, const char* what, const char* detail) {
    ReportError(where, what);
    errorText.append("\n").append(Part(detail));
}

void QX_ErrorReport::ReportNumber(const char* where, const char* what, std::int32_t number) {
    FormatBounded(numberText, sizeof numberText, ">%d<", number);
    ReportDetail(where, what, numberText);
}

bool QX_ErrorReport::AlreadyReported(std::int32_t reportId) {
    if (reportedCount >= kMaxReportedIds) {
        return false;
    }
    std::int32_t* end = reportedIds + reportedCount;
    if (std::find(reportedIds, end, reportId) != end) {
        return true;
    }
    reportedIds[reportedCount++] = reportId;
    return false;
}

void QX_ErrorReport::ReportErrorOnce(const char* where, const char* what, std::int32_t reportId) {
    if (!AlreadyReported(reportId)) {
        ReportError(where, what);
    }
}

void QX_ErrorReport::ReportDetailOnce(const char* where, const char* what, const char* detail,
                                      std::int32_t reportId) {
    if (!AlreadyReported(reportId)) {
        ReportDetail(where, what, detail);
    }
}

void QX_ErrorReport::ReportNumberOnce(const char* where, const char* what, std::int32_t number,
                                      std::int32_t reportId) {
    if (!AlreadyReported(reportId)) {
        ReportNumber(where, what, number);
    }
}

void QX_ErrorReport::SetErrorTextOnce(const char* text, std::int32_t reportId) {
    if (!AlreadyReported(reportId)) {
        SetErrorText(text);
    }
}
