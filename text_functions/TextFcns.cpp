// String operations: bounded formatting, copying, cleaning and small conversions of texts.
#include "text_functions/TextFunctions.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

extern const char kTextFcnsRevision[] = "%Z% TextFunctions QX3102 TextFcns.cpp $Revision: 1.3 $";

const char* TextFcnsRevision() {
    return kTextFcnsRevision;
}

namespace {

constexpr int kWorkAreaChars = TextBufferSize() - 1;

// Collects characters into a destination of fixed size, dropping those that do not fit.
class BoundedAppender {
public:
    BoundedAppender(char* destination, int size) : destination(destination), size(size) {
        std::memset(destination, 0, static_cast<size_t>(size));
    }
    void Append(const char* characters, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            Append(characters[i]);
        }
    }
    void Append(char character) {
        if (length < size - 1) {
            destination[length++] = character;
        }
    }
    int Length() const { return length; }

private:
    char* destination;
    int size;
    int length = 0;
};

// Rebuilds the text from the characters `keep` accepts, through a work area of the module's
// standard size, so that the result is cut at kWorkAreaChars characters.
template <typename Keep> char* FilterInPlace(char* text, Keep keep) {
    if (text == nullptr) {
        return nullptr;
    }
    char work[TextBufferSize()];
    BoundedAppender result(work, sizeof work);
    char previous = '\0';
    for (const char* p = text; *p != '\0'; ++p) {
        if (keep(*p, previous)) {
            result.Append(*p);
        }
        previous = *p;
    }
    std::memcpy(text, work, static_cast<size_t>(result.Length()) + 1);
    return text;
}

int HexDigitValue(char character) {
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return -1;
}

int LengthUpTo(const char* text, int limit) {
    int length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    return length;
}

// The text taken to at most `limit` characters and without its spaces.
void CopyWithoutSpaces(char* work, int size, const char* text, int limit) {
    BoundedAppender result(work, size);
    for (int i = 0; i < limit && text[i] != '\0'; ++i) {
        if (text[i] != ' ') {
            result.Append(text[i]);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Bounded formatting.

int FormatBounded(char* buffer, int size, const char* format, ...) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    std::memset(buffer, 0, static_cast<size_t>(size));
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const int count = std::vsnprintf(buffer, static_cast<size_t>(size), format, args);
    va_end(args);
    if (count < 0 || count >= size) {
        buffer[size - 1] = '\0';
    }
    // The C library reports the untruncated length; callers of this operation expect -1 for a
    // text that did not fit.
    return count > size ? -1 : count;
}

int FormatMaxChars(char* buffer, int size, const char* format, ...) {
    if (buffer == nullptr || size < 0 || format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const int count = std::vsnprintf(buffer, static_cast<size_t>(size) + 1, format, args);
    va_end(args);
    buffer[size] = '\0';
    return count > size ? -1 : count;
}

// ---------------------------------------------------------------------------------------------
// Cleaning and copying.

char* CopyBounded(char* destination, const char* source, int size) {
    if (destination == nullptr || source == nullptr || size < 0) {
        return nullptr;
    }
    if (size == 0) {
        return destination;
    }
    // Whole runs rather than a byte at a time: every line read and every record published goes
    // through here. The search reads no byte of the source past its terminator.
    const auto room = static_cast<std::size_t>(size);
    const void* end = std::memchr(source, '\0', room);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - source) : room;
    std::memmove(destination, source, length);
    std::memset(destination + length, '\0', room - length);
    destination[size - 1] = '\0';
    return destination;
}

char* RemoveChar(char* text, char character) {
    return FilterInPlace(text, [character](char c, char) { return c != character; });
}

char* StripNewline(char* text) {
    return TruncateAtChar(text, '\n');
}

char* RemoveSpaces(char* text) {
    return RemoveChar(text, ' ');
}

bool IsSpaceOnlyLine(char* text) {
    if (text == nullptr || text[0] == '\0') {
        return false;
    }
    RemoveSpaces(text);
    if (text[0] == '\0') {
        return true;
    }
    StripNewline(text);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Numeric fields.

std::int32_t ParseHex(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    if (std::strlen(text) > 18) {
        return -1;
    }
    const char* prefix = std::strstr(text, "0x");
    const char* digits = prefix != nullptr ? prefix + 2 : text;
    const size_t count = std::strlen(digits);
    // Unsigned arithmetic so that values of eight digits wrap instead of overflowing.
    std::uint32_t value = 0;
    for (size_t position = 0; position < count; ++position) {
        const int digit = HexDigitValue(digits[count - 1 - position]);
        if (digit < 0) {
            return -1;
        }
        if (position < 8) {
            value += static_cast<std::uint32_t>(digit) << (4 * position);
        }
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t DigitValue(char character) {
    return character >= '0' && character <= '9' ? character - '0' : -1;
}

std::int32_t PackFourChars(const char* text) {
    if (text == nullptr) {
        return -1;
    }
    std::uint32_t code = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        const std::uint32_t weight = i < 4 ? 1u << (8 * (3 - i)) : 1u;
        const auto character = static_cast<std::int32_t>(static_cast<signed char>(text[i]));
        code += static_cast<std::uint32_t>(character) * weight;
    }
    return static_cast<std::int32_t>(code);
}

// ---------------------------------------------------------------------------------------------
// Tag and attribute extraction.

char* CopyRange(const char* start, const char* end, char* output, int size) {
    if (output == nullptr || size <= 0) {
        return output;
    }
    std::memset(output, 0, static_cast<size_t>(size));
    if (start == nullptr || end == nullptr || end < start || end - start > size) {
        return output;
    }
    const auto length = static_cast<int>(end - start);
    std::memcpy(output, start, static_cast<size_t>(length < size ? length : size - 1));
    return output;
}

char* GetQuotedValue(const char* text, const char* name, char* output, int size) {
    const char* found = text != nullptr && name != nullptr ? std::strstr(text, name) : nullptr;
    const char* open = found != nullptr ? std::strchr(found + std::strlen(name), '"') : nullptr;
    const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
    return CopyRange(open != nullptr ? open + 1 : nullptr, close, output, size);
}

char* GetElementText(const char* text, const char* openingTag, const char* closingTag, char* output,
                     int size) {
    const bool complete = text != nullptr && openingTag != nullptr && closingTag != nullptr;
    const char* opening = complete ? std::strstr(text, openingTag) : nullptr;
    const char* tagEnd = opening != nullptr ? std::strchr(opening, '>') : nullptr;
    const char* closing = tagEnd != nullptr ? std::strstr(text, closingTag) : nullptr;
    return CopyRange(tagEnd != nullptr ? tagEnd + 1 : nullptr, closing, output, size);
}

// ---------------------------------------------------------------------------------------------
// Other text operations.

char* StripTrailingTab(char* text) {
    if (text != nullptr && text[0] != '\0') {
        const size_t last = std::strlen(text) - 1;
        if (text[last] == '\t') {
            text[last] = '\0';
        }
    }
    return text;
}

const char* SkipLeadingSpaces(const char* text) {
    while (text != nullptr && *text == ' ') {
        ++text;
    }
    return text;
}

char* TrimTrailingSpaces(char* text) {
    if (text != nullptr) {
        size_t length = std::strlen(text);
        while (length > 0 && text[length - 1] == ' ') {
            text[--length] = '\0';
        }
    }
    return text;
}

char* CollapseRepeatedTabs(char* text) {
    return CollapseRepeatedChar(text, '\t');
}

char* CollapseRepeatedChar(char* text, char character) {
    return FilterInPlace(text, [character](char c, char previous) {
        return c != character || previous != character;
    });
}

char* ReplaceCharWithUnderscore(char* text, char character) {
    return ReplaceChar(text, character, '_');
}

char* ReplaceChar(char* text, char oldCharacter, char newCharacter) {
    for (char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p == oldCharacter) {
            *p = newCharacter;
        }
    }
    return text;
}

char* TabsToSpaces(char* text) {
    return ReplaceChar(text, '\t', ' ');
}

char* TruncateAtChar(char* text, char character) {
    char* found = text != nullptr ? std::strchr(text, character) : nullptr;
    if (found != nullptr) {
        *found = '\0';
    }
    return text;
}

void CopyUpTo20Chars(char* destination, const char* source) {
    for (int i = 0; destination != nullptr && source != nullptr && i < 20 && source[i] != '\0';
         ++i) {
        destination[i] = source[i];
    }
}

char* CopyPrefix(char* destination, const char* source, int n) {
    if (destination == nullptr || source == nullptr || n < 0) {
        return nullptr;
    }
    const int length = LengthUpTo(source, n);
    std::memcpy(destination, source, static_cast<size_t>(length));
    std::memset(destination + length, 0, static_cast<size_t>(n - length));
    if (length == n) {
        destination[n] = '\0';
    }
    return destination;
}

void ReplaceAll(char* source, char* destination, int size, const char* search,
                const char* replacement) {
    if (source == nullptr || destination == nullptr || search == nullptr ||
        replacement == nullptr || size < 1) {
        return;
    }
    const size_t searchLength = std::strlen(search);
    BoundedAppender result(destination, size);
    for (const char* p = source; *p != '\0';) {
        if (searchLength > 0 && std::strncmp(p, search, searchLength) == 0) {
            result.Append(replacement, std::strlen(replacement));
            p += searchLength;
        } else {
            result.Append(*p++);
        }
    }
    char* first = searchLength > 0 ? std::strstr(source, search) : nullptr;
    if (first != nullptr) {
        *first = '\0';
    }
}

void RemoveFirstSubstring(const char* source, char* destination, int size, const char* search) {
    if (source == nullptr || destination == nullptr || search == nullptr || size < 1) {
        return;
    }
    const char* found = std::strstr(source, search);
    BoundedAppender result(destination, size);
    if (found == nullptr) {
        result.Append(source, std::strlen(source));
        return;
    }
    result.Append(source, static_cast<size_t>(found - source));
    const char* rest = found + std::strlen(search);
    result.Append(rest, std::strlen(rest));
}

char* RemoveSpacesOutsideQuotes(char* text, int n) {
    if (text == nullptr || std::strlen(text) > static_cast<size_t>(kWorkAreaChars)) {
        return nullptr;
    }
    char work[TextBufferSize()];
    BoundedAppender result(work, sizeof work);
    bool quoted = false;
    for (int i = 0; i < n && text[i] != '\0'; ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        }
        if (quoted || text[i] != ' ') {
            result.Append(text[i]);
        }
    }
    std::memcpy(text, work, static_cast<size_t>(result.Length()) + 1);
    return text;
}

bool EqualIgnoringSpaces(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) {
        return false;
    }
    constexpr int kCompared = 999;
    char first[kCompared + 1];
    char second[kCompared + 1];
    CopyWithoutSpaces(first, sizeof first, a, kCompared);
    CopyWithoutSpaces(second, sizeof second, b, kCompared);
    return std::strcmp(first, second) == 0;
}

bool ContainsAnyOf(const char* text, const char* set) {
    if (text == nullptr || set == nullptr) {
        return false;
    }
    for (int i = 0; i < kWorkAreaChars && set[i] != '\0'; ++i) {
        if (std::strchr(text, set[i]) != nullptr) {
            return true;
        }
    }
    return false;
}

bool IsEmptyText(const char* text) {
    return text != nullptr && text[0] == '\0';
}

bool HasNoText(const char* text) {
    return text == nullptr || text[0] == '\0';
}

int BoundedLength(const char* text) {
    return text == nullptr ? 0 : LengthUpTo(text, 10000);
}

char* UnderscoreToMixedCase(char* destination, const char* source, int size) {
    if (destination == nullptr || source == nullptr || size < 1) {
        return nullptr;
    }
    BoundedAppender result(destination, size);
    bool raise = false;
    for (const char* p = source; *p != '\0'; ++p) {
        if (*p == '_') {
            raise = true;
            continue;
        }
        result.Append(raise ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p);
        raise = false;
    }
    return destination;
}
