#include "tools/trafficlog/convert/ConversionContext.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"

namespace {
constexpr int kReasonSize = 240;
constexpr int kShownFieldSize = 41;
} // namespace

bool ConversionContext::Covers(std::int64_t time) const {
    return (!options.hasFrom || time >= options.from) && (!options.hasTo || time <= options.to);
}

bool ConversionContext::InWindow(std::int64_t time) {
    if (Covers(time)) {
        return true;
    }
    ++counts.outsideWindow;
    return false;
}

void ConversionContext::Progress() const {
    if (stream != nullptr) {
        sink.Progress(stream->FileBytesRead(), stream->FileSize());
    }
}

void ConversionContext::Bad(const char* input, std::int64_t line, const char* reason) {
    ++counts.badRows;
    sink.BadRow(input, line, reason);
}

void ConversionContext::BadField(const char* input, std::int64_t line, AircraftLineResult result,
                                 const char* name, const char* field) {
    char shown[kShownFieldSize];
    MaskControlsBounded(shown, field, kShownFieldSize);
    char reason[kReasonSize];
    switch (result) {
    case AircraftLineResult::FieldHasSeparator:
        FormatBounded(reason, kReasonSize, "%s \"%s\" holds \"|\", the separator of the data file",
                      name, shown);
        break;
    case AircraftLineResult::FieldHasTagMark:
        FormatBounded(reason, kReasonSize,
                      "%s \"%s\" holds \"#\", the mark of the data file's tags", name, shown);
        break;
    case AircraftLineResult::FieldHasControl:
        FormatBounded(reason, kReasonSize, "%s \"%s\" holds a control character", name, shown);
        break;
    default:
        FormatBounded(reason, kReasonSize, "the aircraft line would be over %d characters",
                      kMaxAircraftLineLength);
        break;
    }
    Bad(input, line, reason);
}
