// The text operations with which lines of the traffic file, revision identifiers and settings are
// taken apart, and the number conversions of the traffic fields. Each operation gets buffers of
// exactly the size it is told, so that the address sanitizer catches any write past them, and
// the results are held to what their callers rely on: bounded, terminated, nothing lost.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/NumberGrammar.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DecimalText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWorkAreaChars = TextBufferSize() - 1;

// A writable, terminated copy of the text in an allocation of exactly its size.
std::unique_ptr<char[]> Writable(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// An uninitialised field of `size` bytes, filled with a marker so that unwritten bytes show.
std::unique_ptr<char[]> Field(int size) {
    auto field = std::unique_ptr<char[]>(new char[static_cast<std::size_t>(size)]);
    std::memset(field.get(), '#', static_cast<std::size_t>(size));
    return field;
}

bool IsTerminatedWithin(const char* field, int size) {
    return std::memchr(field, '\0', static_cast<std::size_t>(size)) != nullptr;
}

std::string Without(const std::string& text, char removed) {
    std::string result;
    std::copy_if(text.begin(), text.end(), std::back_inserter(result),
                 [removed](char c) { return c != removed; });
    return result;
}

void CheckCopyBounded(const std::string& text, int size) {
    auto field = Field(size);
    FUZZ_CHECK(CopyBounded(field.get(), text.c_str(), size) == field.get());
    if (size == 0) {
        return;
    }
    const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(size - 1));
    FUZZ_CHECK(std::memcmp(field.get(), text.c_str(), kept) == 0);
    for (int i = static_cast<int>(kept); i < size; ++i) {
        FUZZ_CHECK(field[i] == '\0');
    }
}

void CheckFormatBounded(const std::string& text, int size) {
    auto field = Field(size);
    const int result = FormatBounded(field.get(), size, "%s", text.c_str());
    if (size == 0) {
        FUZZ_CHECK(result == 0);
        return;
    }
    const auto length = static_cast<int>(text.size());
    FUZZ_CHECK(std::strlen(field.get()) == static_cast<std::size_t>(std::min(length, size - 1)));
    FUZZ_CHECK(result == (length < size ? length : length == size ? size : -1));
}

// Joining the fields again at the separator gives the line back: the split loses nothing.
void CheckSplit(const std::string& text, char separator, int maxSplits) {
    const char separatorText[] = {separator, '\0'};
    const int capacity = std::max(maxSplits, 0) + 1;
    auto line = Writable(text);
    std::vector<char*> fields(static_cast<std::size_t>(capacity));
    const int count = SplitAtCharBounded(line.get(), separatorText, fields.data(), maxSplits);
    FUZZ_CHECK(count >= 1 && count <= capacity);
    std::string joined = fields[0];
    for (int i = 1; i < count; ++i) {
        joined += separator;
        joined += fields[static_cast<std::size_t>(i)];
    }
    FUZZ_CHECK(joined == text);

    auto unbounded = Writable(text);
    std::vector<char*> allFields(
        static_cast<std::size_t>(std::count(text.begin(), text.end(), separator)) + 1);
    FUZZ_CHECK(SplitAtChar(unbounded.get(), separatorText, allFields.data()) ==
               static_cast<int>(allFields.size()));
}

// The tokens are the text without its separators, in order and each non-empty.
void CheckTokenise(const std::string& text, const std::string& separators, int maxCount) {
    const std::size_t capacity = (text.size() + 1) / 2 + 1;
    auto line = Writable(text);
    std::vector<char*> tokens(capacity);
    const int count = Tokenise(line.get(), separators.c_str(), tokens.data());
    FUZZ_CHECK(count >= 1 && (tokens[0] == nullptr || static_cast<std::size_t>(count) < capacity));
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
                 [&separators](char c) { return separators.find(c) == std::string::npos; });
    std::string joined;
    for (int i = 0; i < count && tokens[static_cast<std::size_t>(i)] != nullptr; ++i) {
        const char* token = tokens[static_cast<std::size_t>(i)];
        FUZZ_CHECK(token[0] != '\0' &&
                   std::strcspn(token, separators.c_str()) == std::strlen(token));
        joined += token;
    }
    FUZZ_CHECK(joined == kept);
    FUZZ_CHECK(tokens[0] == nullptr ? count == 1
                                    : tokens[static_cast<std::size_t>(count)] == nullptr);

    const int limit = std::max(maxCount, 1);
    auto boundedLine = Writable(text);
    std::vector<char*> boundedTokens(static_cast<std::size_t>(limit) + 1);
    const int boundedCount =
        TokeniseBounded(boundedLine.get(), separators.c_str(), boundedTokens.data(), maxCount);
    FUZZ_CHECK(boundedCount >= 1 && boundedCount <= limit);
}

void CheckCleaning(const std::string& text, char character) {
    auto removed = Writable(text);
    RemoveChar(removed.get(), character);
    FUZZ_CHECK(removed.get() == Without(text, character).substr(0, kWorkAreaChars));

    auto stripped = Writable(text);
    StripNewline(stripped.get());
    FUZZ_CHECK(stripped.get() == text.substr(0, text.find('\n')));

    auto spaceLine = Writable(text);
    const bool spacesOnly = IsSpaceOnlyLine(spaceLine.get());
    const std::string withoutSpaces = Without(text, ' ');
    FUZZ_CHECK(spacesOnly == (!text.empty() && withoutSpaces.empty()));

    auto collapsed = Writable(text);
    CollapseRepeatedChar(collapsed.get(), character);
    FUZZ_CHECK(std::strlen(collapsed.get()) <= std::min<std::size_t>(text.size(), kWorkAreaChars));

    auto quoted = Writable(text);
    RemoveSpacesOutsideQuotes(quoted.get(), static_cast<unsigned char>(character));

    auto trimmed = Writable(text);
    TrimTrailingSpaces(trimmed.get());
    StripTrailingTab(trimmed.get());
    CollapseRepeatedTabs(trimmed.get());
    TabsToSpaces(trimmed.get());
    ReplaceCharWithUnderscore(trimmed.get(), character);
    TruncateAtChar(trimmed.get(), character);
    StripLastPathComponent(trimmed.get());
    SkipLeadingSpaces(trimmed.get());
}

void CheckTextPairs(const std::string& text, const std::string& other, int size) {
    auto output = Field(size);
    GetQuotedValue(text.c_str(), other.c_str(), output.get(), size);
    FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));
    GetElementText(text.c_str(), other.c_str(), "</", output.get(), size);
    FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));

    auto source = Writable(text);
    ReplaceAll(source.get(), output.get(), size, other.c_str(), "<->");
    FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));
    RemoveFirstSubstring(text.c_str(), output.get(), size, other.c_str());
    FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));
    UnderscoreToMixedCase(output.get(), text.c_str(), size);
    FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));

    auto prefix = Field(size + 1);
    CopyPrefix(prefix.get(), text.c_str(), size);
    auto twenty = Field(20);
    CopyUpTo20Chars(twenty.get(), text.c_str());

    EqualIgnoringSpaces(text.c_str(), other.c_str());
    ContainsAnyOf(text.c_str(), other.c_str());
    FUZZ_CHECK(BoundedLength(text.c_str()) ==
               static_cast<int>(std::min<std::size_t>(text.size(), 10000)));
    PackFourChars(text.c_str());
}

bool IsHexDigit(char c) {
    return std::strchr("0123456789abcdefABCDEF", c) != nullptr && c != '\0';
}

// strtoull reads the last eight digits, which are all that count in 32 bits.
void CheckParseHex(const std::string& text) {
    const std::int32_t value = ParseHex(text.c_str());
    if (text.size() > 18) {
        FUZZ_CHECK(value == -1);
        return;
    }
    const std::size_t prefix = text.find("0x");
    const std::string digits = prefix == std::string::npos ? text : text.substr(prefix + 2);
    if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
        FUZZ_CHECK(value == -1);
        return;
    }
    const std::string last = digits.substr(digits.size() > 8 ? digits.size() - 8 : 0);
    const auto expected =
        static_cast<std::uint32_t>(last.empty() ? 0 : std::strtoull(last.c_str(), nullptr, 16));
    FUZZ_CHECK(value == static_cast<std::int32_t>(expected));
}

// The traffic fields are read bit for bit as the C library reads what the number grammar
// accepts, never as infinity or NaN, and the quick bounds of a number hold it.
void CheckDecimals(const std::string& text) {
    const double value = ParseDecimal(text.c_str());
    const double expected = GrammarReading(text);
    FUZZ_CHECK(std::memcmp(&value, &expected, sizeof value) == 0);

    DecimalBounds bounds;
    if (BoundDecimal(text.c_str(), bounds)) {
        char* end = nullptr;
        std::strtod(text.c_str(), &end);
        FUZZ_CHECK(static_cast<double>(bounds.floor) <= value &&
                   value <= static_cast<double>(bounds.floor + 1) && bounds.end == end);
    }

    const long long integer = std::strtoll(text.c_str(), nullptr, 10);
    const long long limited =
        std::clamp<long long>(integer, std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max());
    FUZZ_CHECK(ParseDecimalInteger(text.c_str()) == limited);
}

// The position formats run with every double, NaN and infinities included.
void CheckPositionFormats(double value, int kind, int size, std::int32_t time, int decimals) {
    auto output = Field(size);
    using SizedFormat = char* (*)(char*, int, double);
    for (SizedFormat format : {FormatSecondsDMS, FormatSignedDMS, FormatDegreesDecimalMinutes}) {
        format(output.get(), size, value);
        FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));
    }
    using KindFormat = char* (*)(char*, int, double, int);
    for (KindFormat format : {FormatArcSecondsDMS, FormatArcSecondsDMSSwapped, FormatDegreesDMS,
                              FormatRadiansDMS, FormatLatLonCaretTenths}) {
        format(output.get(), size, value, kind);
        FUZZ_CHECK(size == 0 || IsTerminatedWithin(output.get(), size));
    }
    constexpr int kFixedSize = 10;
    auto fixed = Field(kFixedSize);
    FormatLatLonTenths(fixed.get(), value, kind);
    FUZZ_CHECK(IsTerminatedWithin(fixed.get(), kFixedSize));
    FormatLatLonDegrees(fixed.get(), value, kind);
    FUZZ_CHECK(IsTerminatedWithin(fixed.get(), kFixedSize));
    FormatLatLonLetterFirst(fixed.get(), value, kind == kLatitude);
    FUZZ_CHECK(IsTerminatedWithin(fixed.get(), kFixedSize));

    constexpr int kTimeSize = 6;
    auto clock = Field(kTimeSize);
    FormatUtcHoursMinutes(clock.get(), time);
    FUZZ_CHECK(std::strlen(clock.get()) == 5);

    FUZZ_CHECK(std::strlen(FormatFixed10(value, decimals)) < 256);
}

} // namespace

// Input: two parameter bytes, a double, a time, then two texts separated by a zero byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t first = input.TakeByte();
    const std::uint8_t second = input.TakeByte();
    const auto number = input.TakeRaw<double>();
    const auto time = input.TakeRaw<std::int32_t>();
    const std::string text = input.TakeText();
    const std::string other = input.TakeText();

    const int fieldSize = first % 40;
    const char character = static_cast<char>(second == 0 ? '|' : second);
    CheckCopyBounded(text, fieldSize);
    CheckFormatBounded(text, fieldSize);
    CheckSplit(text, character, first % 20 - 2);
    CheckTokenise(text, other, second % 10 - 1);
    CheckCleaning(text, character);
    CheckTextPairs(text, other, fieldSize);
    CheckParseHex(text);
    CheckParseHex(other);
    CheckDecimals(text);
    CheckDecimals(other);
    CheckPositionFormats(number, second % 4 - 1, fieldSize, time, static_cast<std::int8_t>(first));
    return 0;
}
