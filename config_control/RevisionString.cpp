#include "config_control/ConfigControl.h"
#include "config_control/ConfigString.h"

#include "error_report/QX_ErrorReport.h"
#include "text_functions/TextFunctions.h"

#include <cstring>
#include <mutex>
#include <span>

extern const char kRevisionStringRevision[] =
    "%Z% ConfigControl QX3103:03 RevisionString.cpp $Revision: 1.2 $";

namespace {

// Identifiers are at most 511 characters; such a text holds at most 256 words, and the
// tokeniser adds a null entry behind the last.
constexpr int kWorkSize = 512;
constexpr int kMaxWords = kWorkSize / 2 + 1;

// Word positions, counted from 0; word 0 is the what-string marker.
constexpr int kComponentWord = 1;
constexpr int kPartNumberWord = 2;
constexpr int kFileNameWord = 3;
constexpr int kBareRevisionWord = 4;
constexpr int kKeywordRevisionWord = 5;

ConfigString lastConfigString;
std::atomic<bool> errorReportRegistered{false};
// Guards the fields and the report, so that a group's rows stay together whichever threads
// register.
std::mutex registration;

void StoreWord(char* field, int size, char* const* words, int wordCount, int index) {
    if (index < wordCount) {
        CopyBounded(field, words[index], size);
    }
}

void RecordRevision(const char* identifier) {
    if (identifier == nullptr) {
        return;
    }
    char work[kWorkSize];
    CopyBounded(work, identifier, sizeof work);
    char* words[kMaxWords];
    const int wordCount = Tokenise(work, " ", words);
    if (wordCount <= 1) {
        WriteUnrecognisedConfigString();
        return;
    }
    ConfigString& fields = lastConfigString;
    StoreWord(fields.component, sizeof fields.component, words, wordCount, kComponentWord);
    StoreWord(fields.partNumber, sizeof fields.partNumber, words, wordCount, kPartNumberWord);
    StoreWord(fields.fileName, sizeof fields.fileName, words, wordCount, kFileNameWord);
    const bool hasKeyword = std::strstr(identifier, "$Revision") != nullptr;
    StoreWord(fields.revision, sizeof fields.revision, words, wordCount,
              hasKeyword ? kKeywordRevisionWord : kBareRevisionWord);
    WriteConfigRow(fields);
}

void RegisterGroupLocked(const char* title, std::span<const char* const> identifiers) {
    BeginConfigGroup(title);
    for (const char* identifier : identifiers) {
        RecordRevision(identifier);
    }
    EndConfigGroup();
}

void RegisterGroup(const char* title, std::span<const char* const> identifiers) {
    const std::lock_guard<std::mutex> lock(registration);
    RegisterGroupLocked(title, identifiers);
}

} // namespace

const ConfigString& LastConfigString() {
    return lastConfigString;
}

void RegisterRevision(const char* identifier) {
    const std::lock_guard<std::mutex> lock(registration);
    RecordRevision(identifier);
}

void RegisterTextFunctions() {
    RegisterGroup(kTextFunctionsGroupTitle, TextFunctionsRevisions());
}

void RegisterStringOperations() {
    const char* const identifiers[] = {TextFcnsRevision()};
    RegisterGroup(kTextFunctionsGroupTitle, identifiers);
}

void RegisterModuleOnce(std::atomic<bool>& registered, const char* groupTitle,
                        std::span<const char* const> identifiers) {
    const std::lock_guard<std::mutex> lock(registration);
    if (registered.load(std::memory_order_relaxed)) {
        return;
    }
    RegisterGroupLocked(groupTitle, identifiers);
    registered.store(true, std::memory_order_release);
}

void RegisterErrorReport() {
    RegisterModuleOnce(errorReportRegistered, nullptr, ErrorReportRevisions());
}

void RegisterConfigControl() {
    RegisterTextFunctions();
    static const char* const identifiers[] = {kConfigFileRevision, kRevisionStringRevision,
                                              kConfigStringHeaderRevision,
                                              kConfigControlHeaderRevision};
    RegisterGroup("Config Control", identifiers);
}
