// Revision identifiers of the text functions, for configuration control.
#include "text_functions/TextFunctions.h"

extern const char kTokeniseRevision[];
extern const char kFilesRevision[];
extern const char kFormatsRevision[];

namespace {

const char kTextFcnsConfigRevision[] =
    "%Z% TextFunctions QX3102:05 TextFcnsConfig.cpp $Revision: 1.1 $";

const char* const kRevisions[] = {kTextFunctionsHeaderRevision, kTokeniseRevision, kFilesRevision,
                                  kFormatsRevision, kTextFcnsConfigRevision};

} // namespace

std::span<const char* const> TextFunctionsRevisions() {
    return kRevisions;
}
