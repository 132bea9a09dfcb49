// How many findings or bad rows a command lists (--max-report); the rest are only counted, so
// that a broken file of millions of lines does not flood the terminal.
#pragma once

#include <cstdint>
#include <limits>

class ListingLimit {
public:
    static constexpr std::int64_t kDefault = 100;
    static constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();

    // 0 lists all.
    explicit ListingLimit(std::int64_t limit) : limit(limit) {}
    // True while one more may be listed; counts it.
    bool Take() {
        if (limit != 0 && listed >= limit) {
            return false;
        }
        ++listed;
        return true;
    }
    std::int64_t Unlisted(std::int64_t total) const { return total - listed; }
    bool Cut(std::int64_t total) const { return limit != 0 && total > limit; }

private:
    std::int64_t limit;
    std::int64_t listed = 0;
};
