// Splitting of a line into fields at one separator, and into tokens at any of a set.
#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <climits>
#include <cmath>
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

} // namespace

int SplitAtCharBounded(char* text, const char* separator, char** fields, int maxSplits) {
    if (text == nullptr || separator == nullptr || fields == nullptr) {
        return 0;
    }
    int splits = 0;
    fields[0] = text;
    // The readers of the data files split every line: a vectorised search for each separator
    // costs a fraction of a test per character.
    char* const end = text + std::strlen(text);
    for (char* p = text; splits < maxSplits; ++p) {
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
