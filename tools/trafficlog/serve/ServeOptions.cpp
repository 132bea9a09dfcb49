#include "tools/trafficlog/serve/ServeOptions.h"

namespace {
constexpr std::int64_t kLastPort = 65535;
} // namespace

bool ReadServeOptions(CommandArguments& args, ServeOptions& options) {
    bool ok = true;
    while (ok && args.Next()) {
        std::int64_t port = 0;
        if (args.Is("--sbs")) {
            ok = args.WholeNumber(1, kLastPort, port);
            options.port = static_cast<std::uint16_t>(port);
        } else if (args.Is("--speed")) {
            ok = args.Decimal(ServeOptions::kSlowest, ServeOptions::kFastest, options.speed);
        } else if (args.Is("--loop")) {
            ok = options.loop = args.Flag();
        } else if (!args.IsOption() && options.log == nullptr) {
            options.log = args.Current();
        } else {
            ok = args.RefuseUnknown();
        }
    }
    if (!ok || args.Request() != ArgumentRequest::None) {
        return ok;
    }
    if (options.port == 0) {
        args.SetErrorText("serve needs --sbs PORT");
        return false;
    }
    if (options.log == nullptr) {
        args.SetErrorText("serve needs a LOG");
        return false;
    }
    return true;
}
