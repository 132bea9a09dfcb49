// The text of the last failure of a library object. A class that can fail derives from
// QX_ErrorReport, records a report when an operation fails, and its owner reads the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>

inline constexpr char kQX_ErrorReportHeaderRevision[] =
    "%Z% QX_ErrorReport QX2104:02 QX_ErrorReport.h $Revision: 1.1 $";

// The header and source identifiers of this module, in registration order.
std::span<const char* const> ErrorReportRevisions();

class QX_ErrorReport {
public:
    // Each report part longer than this is cut to kMaxPartLength-1 characters.
    static constexpr int kMaxPartLength = 1024;
    static constexpr int kErrorCopySize = 256;
    static constexpr int kMaxReportedIds = 50;

    QX_ErrorReport();
    ~QX_ErrorReport();

    // Replaces the text, whole (a null text empties it).
    void SetErrorText(const char* text);

    // The current text cut to 255 characters, in a buffer of this object that the next call
    // overwrites.
    const char* GetErrorText();

    // The whole current text, for owners with room for more than GetErrorText hands out.
    const std::string& FullErrorText() const { return errorText; }

    // text = where + "\n" + what [+ "\n" + detail]; null parts count as empty.
    void ReportError(const char* where, const char* what);
    void ReportDetail(const char* where, const char* what, const char* detail);

    // ReportDetail with the detail ">number<".
    void ReportNumber(const char* where, const char* what, std::int32_t number);

    // False the first time an identifier is seen (it is then remembered), true afterwards;
    // once kMaxReportedIds identifiers are remembered, always false.
    bool AlreadyReported(std::int32_t reportId);

    // The reports above, made only when AlreadyReported(reportId) is false.
    void ReportErrorOnce(const char* where, const char* what, std::int32_t reportId);
    void ReportDetailOnce(const char* where, const char* what, const char* detail,
                          std::int32_t reportId);
    void ReportNumberOnce(const char* where, const char* what, std::int32_t number,
                          std::int32_t reportId);
    void SetErrorTextOnce(const char* text, std::int32_t reportId);

private:
    char errorCopy[kErrorCopySize];
    std::string errorText;
    std::int32_t reportedIds[kMaxReportedIds];
    std::int32_t reportedCount;
    char numberText[14]; // ">-2147483648<" and the terminator
};
