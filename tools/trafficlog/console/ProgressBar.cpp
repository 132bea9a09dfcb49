#include "tools/trafficlog/console/ProgressBar.h"

#include "text_functions/TextFunctions.h"

#include <algorithm>

namespace {
constexpr int kMaxWidth = 100;
constexpr double kMegabyte = 1024.0 * 1024.0;
} // namespace

void FormatProgressBar(char* output, int size, std::int64_t done, std::int64_t total, int width) {
    if (total <= 0) {
        FormatBounded(output, size, "%.1f MB", static_cast<double>(done) / kMegabyte);
        return;
    }
    width = std::clamp(width, 1, kMaxWidth);
    const std::int64_t bounded = std::clamp<std::int64_t>(done, 0, total);
    const int filled = static_cast<int>(bounded * width / total);
    char bar[kMaxWidth + 1] = {};
    for (int i = 0; i < width; ++i) {
        bar[i] = i < filled ? '#' : '-';
    }
    FormatBounded(output, size, "[%s] %3d%%  %.1f of %.1f MB", bar,
                  static_cast<int>(bounded * 100 / total), static_cast<double>(done) / kMegabyte,
                  static_cast<double>(total) / kMegabyte);
}
