#include "tools/trafficlog/convert/RecordOptions.h"

#include "text_functions/ControlMask.h"
#include "tools/trafficlog/convert/ConvertOptions.h"

#include <cstring>

namespace {
constexpr std::int64_t kLastPort = 65535;

// "HOST:PORT", the host possibly an IPv6 address in brackets.
bool Feed(CommandArguments& args, RecordOptions& options) {
    const char* text = nullptr;
    if (!args.Text(text)) {
        return false;
    }
    const char* colon = std::strrchr(text, ':');
    std::int64_t port = 0;
    const WholeNumberReading reading = colon != nullptr && colon != text
                                           ? ReadWholeNumber(colon + 1, 1, kLastPort, port)
                                           : WholeNumberReading::NotANumber;
    if (reading == WholeNumberReading::NotANumber) {
        return args.RefuseValue("is not HOST:PORT, e.g. localhost:30003");
    }
    if (reading == WholeNumberReading::OutOfRange) {
        return args.RefuseValue("has a port out of range (1 to 65535)");
    }
    std::string host(text, static_cast<std::size_t>(colon - text));
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (HoldsTerminalControl(host)) {
        return args.RefuseValue("has a control character in its host name");
    }
    options.host = host;
    options.port = static_cast<std::uint16_t>(port);
    return true;
}

// What the options must make sense of together, once all are read.
bool Settle(CommandArguments& args, const RecordOptions& options) {
    if (options.host.empty()) {
        args.SetErrorText("record needs --sbs HOST:PORT");
        return false;
    }
    if (options.output == nullptr) {
        args.SetErrorText("record needs --out FILE");
        return false;
    }
    return true;
}
} // namespace

bool ReadRecordOptions(CommandArguments& args, RecordOptions& options) {
    bool ok = true;
    while (ok && args.Next()) {
        if (args.Is("--sbs")) {
            ok = Feed(args, options);
        } else if (args.Is("--out")) {
            ok = args.Text(options.output);
        } else if (args.Is("--duration")) {
            ok = args.WholeNumber(1, RecordOptions::kMaxDuration, options.durationSeconds);
        } else if (args.Is("--stale")) {
            ok = args.Decimal(0, RecordOptions::kMaxStaleSeconds, options.staleSeconds);
        } else if (!TakeRegionOption(args, options.region, ok)) {
            ok = args.RefuseUnknown();
        }
    }
    if (!ok || args.Request() != ArgumentRequest::None) {
        return ok;
    }
    return Settle(args, options);
}
