// Splitting of a line into fields at one separator, and into tokens at any of a set.
#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern const char kTokeniseRevision[] = "%Z% TextFunctions QX3102:02 Tokenise.cpp $Revision: 1.3 $";

namespace {

// The next token from the cursor on, terminated in place; null when only separators remain. The
// cursor is the caller's own, so that passes over different texts never disturb each other.
char* NextToken(char*& cursor, const char* separators) {
    cursor += std::strspn(cursor, separators);
    if (*cursor == '\0') {
        return nullptr;
    }
    char* token = cursor;
    cursor += std::strcspn(cursor, separators);
    if (*cursor != '\0') {
        *cursor++ = '\0';
    }
    return token;
}

constexpr std::uint64_t kLowSevenBits = 0x7f7f7f7f7f7f7f7fULL;
constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;

// The top bit of each byte of the word that equals the separator, and no other bit: the sum
// cannot carry from one byte into the next.
std::uint64_t MatchingBytes(std::uint64_t word, std::uint64_t pattern) {
    const std::uint64_t x = word ^ pattern;
    return ~(((x & kLowSevenBits) + kLowSevenBits) | x | kLowSevenBits);
}

// The fields of a recording's row are a few characters each: eight bytes tested at a time cost
// less than a library search started for every field. The first byte of the word is its lowest
// on a little-endian machine; elsewhere each separator is looked for on its own.
char* SplitWords(char* p, char* end, char separator, char** fields, int& splits, int maxSplits) {
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t pattern = kEveryByte * static_cast<unsigned char>(separator);
        for (; end - p >= 8 && splits < maxSplits; p += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, sizeof word);
            for (std::uint64_t bits = MatchingBytes(word, pattern); bits != 0 && splits < maxSplits;
                 bits &= bits - 1) {
                char* at = p + std::countr_zero(bits) / 8;
                *at = '\0';
                fields[++splits] = at + 1;
            }
        }
    }
    return p;
}

} // namespace

int SplitAtCharBounded(char* text, const char* separator, char** fields, int maxSplits) {
    if (text == nullptr || separator == nullptr || fields == nullptr) {
        return 0;
    }
    int splits = 0;
    fields[0] = text;
    char* const end = text + std::strlen(text);
    char* p = SplitWords(text, end, separator[0], fields, splits, maxSplits);
    for (; splits < maxSplits; ++p) {
        p = static_cast<char*>(std::memchr(p, separator[0], static_cast<std::size_t>(end - p)));
        if (p == nullptr) {
            break;
        }
        *p = '\0';
        fields[++splits] = p + 1;
    }
    return splits + 1;
}

int SplitAtChar(char* text, const char* separator, char** fields) {
    return SplitAtCharBounded(text, separator, fields, INT_MAX);
}

NumberList ReadNumberList(const char* text, int count, double* values) {
    char copy[kListTextSize];
    char* fields[kMostListedNumbers + 1] = {};
    if (text == nullptr || values == nullptr || count < 1 || count > kMostListedNumbers ||
        std::strlen(text) >= sizeof copy ||
        SplitAtCharBounded(CopyBounded(copy, text, sizeof copy), ",", fields, kMostListedNumbers) !=
            count) {
        return NumberList::NotTheForm;
    }
    double read[kMostListedNumbers] = {};
    bool finite = true;
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        read[i] = std::strtod(fields[i], &end);
        if (*fields[i] == '\0' || std::strchr(" \t\n\v\f\r", *fields[i]) != nullptr ||
            *end != '\0') {
            return NumberList::NotTheForm;
        }
        finite = finite && std::isfinite(read[i]);
    }
    if (!finite) {
        return NumberList::NotFinite;
    }
    std::copy(read, read + count, values);
    return NumberList::Read;
}

int Tokenise(char* text, const char* separators, char** tokens) {
    return TokeniseBounded(text, separators, tokens, INT_MAX);
}

int TokeniseBounded(char* text, const char* separators, char** tokens, int maxCount) {
    if (text == nullptr || tokens == nullptr) {
        return 0;
    }
    const char* set = separators != nullptr ? separators : "";
    const int limit = maxCount < 1 ? 1 : maxCount;
    char* cursor = text;
    tokens[0] = NextToken(cursor, set);
    if (tokens[0] == nullptr) {
        return 1;
    }
    for (int count = 1;; ++count) {
        tokens[count] = NextToken(cursor, set);
        if (tokens[count] == nullptr || count == limit) {
            return count;
        }
    }
}
