#include "tools/trafficlog/convert/ConvertOptions.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/sources/UtcTime.h"

#include <cstring>
#include <thread>

namespace {
constexpr int kProblemSize = 200;

bool Around(CommandArguments& args, Region& region) {
    double v[3] = {};
    if (!args.Numbers(3, v, "LAT,LON,RADIUS_NM") ||
        !args.PartInRange("latitude", v[0], -90.0, 90.0) ||
        !args.PartInRange("longitude", v[1], -180.0, 180.0) ||
        !args.PartInRange("radius", v[2], 0.0, Region::kLargestRadiusNm)) {
        return false;
    }
    if (v[2] == 0.0) {
        return args.RefuseValue("has radius 0: nothing lies within it");
    }
    region.SetAround(v[0], v[1], v[2]);
    return true;
}

bool Box(CommandArguments& args, Region& region) {
    double v[4] = {};
    if (!args.Numbers(4, v, "S,W,N,E in degrees") ||
        !args.PartInRange("south", v[0], -90.0, 90.0) ||
        !args.PartInRange("west", v[1], -180.0, 180.0) ||
        !args.PartInRange("north", v[2], -90.0, 90.0) ||
        !args.PartInRange("east", v[3], -180.0, 180.0)) {
        return false;
    }
    if (v[0] > v[2]) {
        return args.RefuseValue("has its south edge north of its north edge");
    }
    region.SetBox(v[0], v[1], v[2], v[3]);
    return true;
}

bool Time(CommandArguments& args, bool& has, std::int64_t& seconds) {
    const char* text = nullptr;
    if (!args.Text(text)) {
        return false;
    }
    if (!ParseTimeOption(text, seconds)) {
        return args.RefuseValue("is not a UTC time: seconds since 1970 or 2022-06-27T12:00:00Z");
    }
    has = true;
    return true;
}

// What the options must make sense of together, once all are read; the last file is the one
// to write.
bool Settle(CommandArguments& args, ConvertOptions& options, std::vector<const char*>& files) {
    char problem[kProblemSize] = {};
    if (files.size() < 2) {
        CopyBounded(problem, "convert needs an INPUT and a DATA_FILE", kProblemSize);
    } else if (std::strcmp(files.back(), "-") == 0) {
        CopyBounded(problem, "convert needs a name for its DATA_FILE ('-' reads standard input)",
                    kProblemSize);
    } else if (options.hasFrom && options.hasTo && options.to < options.from) {
        FormatBounded(problem, kProblemSize, "--to %lld lies before --from %lld",
                      static_cast<long long>(options.to), static_cast<long long>(options.from));
    }
    if (problem[0] != '\0') {
        args.SetErrorText(problem);
        return false;
    }
    options.output = files.back();
    files.pop_back();
    options.inputs = files;
    return true;
}
} // namespace

bool TakeRegionOption(CommandArguments& args, Region& region, bool& ok) {
    if (args.Is("--around")) {
        ok = Around(args, region);
        return true;
    }
    if (args.Is("--box")) {
        ok = Box(args, region);
        return true;
    }
    return false;
}

int ConvertThreads(const ConvertOptions& options) {
    if (options.threads > 0) {
        return static_cast<int>(options.threads);
    }
    // 0 where the count is not known: one thread is safe anywhere.
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

bool ReadConvertOptions(CommandArguments& args, ConvertOptions& options) {
    std::vector<const char*> files;
    bool ok = true;
    while (ok && args.Next()) {
        if (!args.IsOption()) {
            files.push_back(args.Current());
        } else if (args.Is("--stale")) {
            ok = args.Decimal(0, ConvertOptions::kMaxStaleSeconds, options.staleSeconds);
        } else if (args.Is("--keep-ground")) {
            ok = options.keepGround = args.Flag();
        } else if (args.Is("--from")) {
            ok = Time(args, options.hasFrom, options.from);
        } else if (args.Is("--to")) {
            ok = Time(args, options.hasTo, options.to);
        } else if (args.Is("--max-report")) {
            ok = args.WholeNumber(0, ListingLimit::kMost, options.maxReport);
        } else if (args.Is("--threads")) {
            ok = args.WholeNumber(1, 2, options.threads);
        } else if (!TakeRegionOption(args, options.region, ok)) {
            ok = args.RefuseUnknown();
        }
    }
    if (!ok || args.Request() != ArgumentRequest::None) {
        return ok;
    }
    return Settle(args, options, files);
}
