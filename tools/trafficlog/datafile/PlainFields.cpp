#include "tools/trafficlog/datafile/PlainFields.h"

#include "text_functions/ControlMask.h"
#include "traffic/FlightLimits.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace {
constexpr char kSeparator = '|';
constexpr char kTagMark = '#';
constexpr std::ptrdiff_t kAddressDigits = 8;
constexpr std::string_view kLongestTime = "2147483647";
// Integer parts up to here convert to a double exactly.
constexpr std::ptrdiff_t kBoundedDigits = 15;

enum ByteRole : unsigned char {
    kCallsignByte = 1, // stands in a callsign as it is
    kDigit = 2,
    kHexDigit = 4,
};

std::array<unsigned char, 256> MakeRoles() {
    std::array<unsigned char, 256> roles{};
    for (int c = 0; c < 256; ++c) {
        unsigned char role = 0;
        if (!IsTerminalControl(static_cast<unsigned char>(c)) && c != kSeparator && c != kTagMark) {
            role |= kCallsignByte;
        }
        if (c >= '0' && c <= '9') {
            role |= kDigit | kHexDigit;
        }
        if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            role |= kHexDigit;
        }
        roles[static_cast<std::size_t>(c)] = role;
    }
    return roles;
}

const std::array<unsigned char, 256> kRoles = MakeRoles();

bool Has(char c, ByteRole role) {
    return (kRoles[static_cast<unsigned char>(c)] & role) != 0;
}

const char* SkipWhile(const char* p, ByteRole role) {
    while (Has(*p, role)) {
        ++p;
    }
    return p;
}

// Where a plain decimal at p within low to high ends, whatever follows it; null when there is
// none.
const char* PlainNumberEnd(const char* text, double low, double high) {
    const bool negative = *text == '-';
    const char* p = negative || *text == '+' ? text + 1 : text;
    const char* integer = p;
    // Wraps for a long integer part, which is then refused by its length.
    std::uint64_t whole = 0;
    for (; Has(*p, kDigit); ++p) {
        whole = whole * 10 + static_cast<unsigned char>(*p - '0');
    }
    std::ptrdiff_t digits = p - integer;
    if (digits > kBoundedDigits) {
        return nullptr;
    }
    if (*p == '.') {
        const char* fraction = ++p;
        p = SkipWhile(p, kDigit);
        digits += p - fraction;
    }
    // The value lies within whole and whole + 1, whatever its fraction (negated for a
    // negative number).
    const auto least = static_cast<double>(static_cast<std::int64_t>(whole));
    const double most = least + 1;
    const bool within =
        digits > 0 && (negative ? -most : least) >= low && (negative ? -least : most) <= high;
    return within ? p : nullptr;
}

// One to eight hexadecimal digits below 80000000: the feeder stores the value as written.
const char* AddressEnd(const char* p) {
    const char* end = SkipWhile(p, kHexDigit);
    const std::ptrdiff_t digits = end - p;
    const bool positive = digits < kAddressDigits || (*p >= '0' && *p <= '7');
    return digits > 0 && digits <= kAddressDigits && positive ? end : nullptr;
}

// Decimal digits alone, within the 32-bit range: ten digits are compared as text with its
// largest value, unless they start below its first.
const char* TimeEnd(const char* p) {
    const char* end = SkipWhile(p, kDigit);
    const auto digits = static_cast<std::size_t>(end - p);
    const bool fits =
        digits > 0 &&
        (digits < kLongestTime.size() ||
         (digits == kLongestTime.size() &&
          (*p < kLongestTime[0] || std::memcmp(p, kLongestTime.data(), digits) <= 0)));
    return fits ? end : nullptr;
}

// A plain decimal within the field's range; a measure may also be empty (unknown).
const char* NumberEnd(int field, const char* p, const char* lineEnd) {
    if (field >= kFirstMeasureField && (*p == kSeparator || p == lineEnd)) {
        return p;
    }
    const ValueRange& range = kPlainValueRange[field - kLatitudeField];
    return PlainNumberEnd(p, range.low, range.high);
}

// After the last field the line may go on with more fields, which nobody reads, but a tag mark
// there still makes the line a tag for the feeder.
bool IsPlainRest(const char* p, const char* lineEnd) {
    return p == lineEnd ||
           (*p == kSeparator &&
            std::memchr(p, kTagMark, static_cast<std::size_t>(lineEnd - p)) == nullptr);
}

// The start of the next field when a plain field ends at a separator, else null.
const char* NextField(const char* end) {
    return end != nullptr && *end == kSeparator ? end + 1 : nullptr;
}

constexpr double kAnyValue = std::numeric_limits<double>::infinity();
} // namespace

const ValueRange kPlainValueRange[kAircraftLineFields - kLatitudeField] = {
    {-90.0, 90.0},
    {-180.0, 180.0},
    {flight_limits::kMinHeight, flight_limits::kMaxHeight},
    {flight_limits::kMinHeight, flight_limits::kMaxHeight},
    {-kAnyValue, kAnyValue},
    {-flight_limits::kMaxGroundSpeed, flight_limits::kMaxGroundSpeed},
    {-flight_limits::kMaxVerticalRate, flight_limits::kMaxVerticalRate}};

bool IsPlainNumberWithin(const char* text, double low, double high) {
    const char* end = PlainNumberEnd(text, low, high);
    return end != nullptr && *end == '\0';
}

bool IsPlainAircraftLine(std::string_view line) {
    const char* lineEnd = line.data() + line.size();
    const char* p = NextField(SkipWhile(line.data(), kCallsignByte));
    p = p != nullptr ? NextField(AddressEnd(p)) : nullptr;
    p = p != nullptr ? NextField(TimeEnd(p)) : nullptr;
    for (int field = kLatitudeField; field < kVerticalRateField && p != nullptr; ++field) {
        p = NextField(NumberEnd(field, p, lineEnd));
    }
    p = p != nullptr ? NumberEnd(kVerticalRateField, p, lineEnd) : nullptr;
    return p != nullptr && IsPlainRest(p, lineEnd);
}
