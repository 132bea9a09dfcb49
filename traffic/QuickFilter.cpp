#include "traffic/QuickFilter.h"

#include "traffic/DecimalText.h"

#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

extern const char kQuickFilterSourceRevision[] =
    "%Z% TrafficAnalyser QX2120:09 QuickFilter.cpp $Revision: 1.1 $";

namespace {

constexpr char kFieldSeparator = '|';
constexpr int kLatitudeField = 3;

bool IsOutside(std::int64_t floor, const CoordinateFloors& floors) {
    return floor < floors.lowest || floor > floors.highest;
}

// The start of the field after the one that p lies in, or null when the line ends first.
const char* NextField(const char* p) {
    while (*p != kFieldSeparator && *p != '\0') {
        ++p;
    }
    return *p == '\0' ? nullptr : p + 1;
}

// Byte by byte, reading nothing past the terminator.
bool IsClearlyOutsideByBytes(const char* line, const PositionFloors& floors) {
    const char* field = line;
    for (int skipped = 0; skipped < kLatitudeField && field != nullptr; ++skipped) {
        field = NextField(field);
    }
    DecimalBounds latitude;
    if (field == nullptr || !BoundDecimal(field, latitude)) {
        return false;
    }
    if (IsOutside(latitude.floor, floors.latitude)) {
        return true;
    }
    // No character of a number is a separator: the latitude field ends after the number.
    DecimalBounds longitude;
    field = NextField(latitude.end);
    return field != nullptr && BoundDecimal(field, longitude) &&
           IsOutside(longitude.floor, floors.longitude);
}

enum class WideVerdict { Outside, Open, Unread };

#if defined(__SSE2__)

__m128i Load16(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One bit per byte of the 16 that equals c.
std::uint64_t BytesEqual(__m128i bytes, char c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

int LowestBit(std::uint64_t bits) {
    return __builtin_ctzll(bits);
}

// Bytes that may carry strtod on past the digits: an exponent's e, a hexadecimal form's x.
std::uint64_t ReadsOn(__m128i bytes) {
    const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    const __m128i letter = _mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('e')),
                                        _mm_cmpeq_epi8(lower, _mm_set1_epi8('x')));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(letter));
}

// What the wide test learns of the line's bytes 1 to kWindow at once, one bit per byte (bit i
// for byte i + 1). The line's first byte is left out: the line's reader has just written it
// back, and a wide read of a byte just written waits for the write to complete.
constexpr int kWindow = 64;
struct WindowBits {
    std::uint64_t separators; // before the terminator
    std::uint64_t readsOn;
};

WindowBits ReadWindow(const char* line) {
    WindowBits bits{0, 0};
    std::uint64_t terminators = 0;
    for (int i = 0; i < kWindow / 16; ++i) {
        const __m128i bytes = Load16(line + 1 + 16 * i);
        bits.separators |= BytesEqual(bytes, kFieldSeparator) << (16 * i);
        terminators |= BytesEqual(bytes, '\0') << (16 * i);
        bits.readsOn |= ReadsOn(bytes) << (16 * i);
    }
    bits.separators &= (terminators & (0 - terminators)) - 1;
    return bits;
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101U;
// The last field read starts at byte kWindow at the latest, and eight of its bytes are read.
static_assert(kWindow + 8 <= static_cast<int>(kWideReadBytes),
              "the wide reads stay within what the caller lets be read");
// Integer digits the wide test reads: every coordinate has at most three.
constexpr int kWideIntegerDigits = 3;

// The floor of the number in the field between the separators of window bits `opening` and
// `closing`, where the field holds nothing that carries strtod past the digits: strtod then reads
// [sign] digits and whatever fraction follows, which lies between the integer and the next one.
// False for a field of any other start, or of more than kWideIntegerDigits integer digits.
bool FieldFloor(const char* line, const WindowBits& bits, int opening, int closing,
                std::int64_t& floor) {
    const std::uint64_t field =
        ((std::uint64_t{1} << closing) - 1) & ~((std::uint64_t{2} << opening) - 1);
    if ((bits.readsOn & field) != 0) {
        return false;
    }
    std::uint64_t head = 0; // the field's first eight characters, the first in the lowest byte
    std::memcpy(&head, line + opening + 2, sizeof head);
    const auto first = static_cast<char>(head & 0xFF);
    const int sign = static_cast<int>(first == '-' || first == '+');
    const std::uint64_t digits = head >> (8 * sign);
    // The high bit of every byte that is no digit: its distance from '0' is 10 or more.
    const std::uint64_t distance = digits ^ (kEveryByte * '0');
    const std::uint64_t nonDigits =
        (((distance & (kEveryByte * 0x7F)) + kEveryByte * (0x80 - 10)) | distance) &
        (kEveryByte * 0x80);
    const int integerDigits = nonDigits == 0 ? 8 : LowestBit(nonDigits) / 8;
    if (integerDigits == 0 || integerDigits > kWideIntegerDigits) {
        return false;
    }
    // The integer digits moved to the top bytes of a word, the last in the highest.
    const auto aligned = (static_cast<std::uint32_t>(digits) - 0x30303030U)
                         << (8 * (kWideIntegerDigits + 1 - integerDigits));
    const std::int64_t value =
        (aligned >> 24) + 10 * ((aligned >> 16) & 0xFF) + 100 * ((aligned >> 8) & 0xFF);
    floor = first == '-' ? -value - 1 : value;
    return true;
}

// Fields 3 and 4 lie between the third, fourth and fifth separators.
WideVerdict WideTest(const char* line, const PositionFloors& floors) {
    if (line[0] == kFieldSeparator || line[0] == '\0') {
        return WideVerdict::Unread;
    }
    const WindowBits bits = ReadWindow(line);
    std::uint64_t separators = bits.separators;
    separators &= separators - 1;
    separators &= separators - 1;
    const std::uint64_t fromLatitude = separators;
    separators &= separators - 1;
    std::int64_t floor = 0;
    if (separators == 0 ||
        !FieldFloor(line, bits, LowestBit(fromLatitude), LowestBit(separators), floor)) {
        return WideVerdict::Unread;
    }
    if (IsOutside(floor, floors.latitude)) {
        return WideVerdict::Outside;
    }
    const int opening = LowestBit(separators);
    separators &= separators - 1;
    if (separators == 0 || !FieldFloor(line, bits, opening, LowestBit(separators), floor)) {
        return WideVerdict::Unread;
    }
    return IsOutside(floor, floors.longitude) ? WideVerdict::Outside : WideVerdict::Open;
}

#else

WideVerdict WideTest(const char*, const PositionFloors&) {
    return WideVerdict::Unread;
}

#endif

} // namespace

// A value whose floor is k lies in [k, k + 1]; shifted and clamped it keeps its order, so it lies
// wholly below the low edge when k + 1 + shift does, and wholly above the high edge when k +
// shift does, where the clamp of a shifted coordinate does not reach the edge. Both sums are
// exact for the floors BoundDecimal gives, so each limit is found by trying the integers next to
// the real one.
CoordinateFloors FloorsInside(double shift, double lowEdge, double highEdge, double range) {
    const auto below = [&](std::int64_t k) { return static_cast<double>(k + 1) + shift < lowEdge; };
    const auto above = [&](std::int64_t k) { return static_cast<double>(k) + shift > highEdge; };
    CoordinateFloors floors{std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max()};
    if (lowEdge > 0.0) {
        floors.lowest = static_cast<std::int64_t>(std::floor(lowEdge - shift)) - 2;
        while (below(floors.lowest)) {
            ++floors.lowest;
        }
    }
    if (highEdge < range) {
        floors.highest = static_cast<std::int64_t>(std::floor(highEdge - shift)) + 2;
        while (above(floors.highest)) {
            --floors.highest;
        }
    }
    return floors;
}

bool IsClearlyOutside(const char* line, std::size_t readable, const PositionFloors& floors) {
    if (readable >= kWideReadBytes) {
        switch (WideTest(line, floors)) {
        case WideVerdict::Outside:
            return true;
        case WideVerdict::Open:
            return false;
        case WideVerdict::Unread:
            break;
        }
    }
    return IsClearlyOutsideByBytes(line, floors);
}
