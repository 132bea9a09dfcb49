// Bounded text formatting, splitting and cleaning of text, and position, time and number
// formatting. All texts are single-byte and zero-terminated; operations that change a text do so
// in place and return the same pointer, and a null text gives a null (0, false) result.
#pragma once

#include <cstdint>
#include <span>

// The C library's printf dialect, for format checking: mingw-w64 formats with its own C99
// printf, which GCC knows as gnu_printf (its plain "printf" there means the Microsoft one).
#ifdef __MINGW_PRINTF_FORMAT
#define CORVANE_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define CORVANE_PRINTF_FORMAT printf
#endif

inline constexpr char kTextFunctionsHeaderRevision[] =
    "%Z% TextFunctions QX3102:01 TextFunctions.h $Revision: 1.14 $";

// ---------------------------------------------------------------------------------------------
// Revision identifiers, registered by configuration control (which depends on this module).

// Group title under which the identifiers of this module are registered.
inline constexpr char kTextFunctionsGroupTitle[] = "Text Functions ";

// The module header, tokenising, module-file, position-format and configuration sources, in the
// order they are registered.
std::span<const char* const> TextFunctionsRevisions();

// Identifier of the string-operations source; it has a registration of its own.
const char* TextFcnsRevision();

// ---------------------------------------------------------------------------------------------
// Bounded formatting.

// The module's standard text length (work areas, settings lines), terminator included.
constexpr int TextBufferSize() {
    return 1024;
}

// printf into a buffer of `size` bytes (terminator included): zero-fills the buffer, stores the
// text cut to size-1 characters, always terminated. Returns the text length when it fitted,
// size when the text was exactly size characters long, -1 when it was longer. A null buffer or a
// size below 1 writes nothing and returns 0.
int FormatBounded(char* buffer, int size, const char* format, ...)
    __attribute__((format(CORVANE_PRINTF_FORMAT, 3, 4)));

// Older variant: writes at most `size` characters and a terminator at position size, so the
// buffer must hold size+1 bytes. Returns the text length, or -1 when it was longer than size.
// A null buffer or a negative size writes nothing and returns 0.
int FormatMaxChars(char* buffer, int size, const char* format, ...)
    __attribute__((format(CORVANE_PRINTF_FORMAT, 3, 4)));

// ---------------------------------------------------------------------------------------------
// Splitting and tokenising. Fields and tokens point into `text`, whose separators are replaced by
// terminators.

// Splits at the first character of `separator`, at most maxSplits times; fields must hold
// maxSplits+1 entries. Empty fields stay; the last field keeps the rest of the line. Returns the
// number of fields, 0 for a null text or separator.
int SplitAtCharBounded(char* text, const char* separator, char** fields, int maxSplits);

// As SplitAtCharBounded without a limit: fields must hold one entry more than the number of
// separators in the text.
int SplitAtChar(char* text, const char* separator, char** fields);

// Splits at any character of `separators`; runs of separators count as one. tokens receives the
// tokens and a null entry (count+1 entries). Returns the token count, but 1 (with tokens[0]
// null) when the text holds no token, and 0 for a null text.
int Tokenise(char* text, const char* separators, char** tokens);

// Tokenise that stops once `maxCount` tokens are counted (a maxCount below 1 acts as 1): it then
// returns maxCount and tokens[maxCount] holds the next token. tokens must hold maxCount+1 entries.
int TokeniseBounded(char* text, const char* separators, char** tokens, int maxCount);

// Reads `text` as exactly `count` numbers (1 to kMostListedNumbers) separated by commas, each a
// whole field of a form strtod reads, without white space before it; a text of kListTextSize
// characters or more is refused. NotFinite when the form holds but a number is infinite or not
// a number (1e999, inf, nan). The values are set only when Read.
enum class NumberList { Read, NotTheForm, NotFinite };
inline constexpr int kMostListedNumbers = 8;
inline constexpr int kListTextSize = 128;
NumberList ReadNumberList(const char* text, int count, double* values);

// Second entry points of the tokenisers, kept for callers that use these names.
inline int TokeniseText(char* text, const char* separators, char** tokens) {
    return Tokenise(text, separators, tokens);
}
inline int TokeniseTextBounded(char* text, const char* separators, char** tokens, int maxCount) {
    return TokeniseBounded(text, separators, tokens, maxCount);
}

// ---------------------------------------------------------------------------------------------
// Cleaning and copying.

// Copies at most size-1 characters, zero-fills the rest of the `size` bytes and terminates.
// Null destination or source, or a negative size: null, nothing written. Size 0: nothing written.
char* CopyBounded(char* destination, const char* source, int size);

// Removes every occurrence of `character` (result cut at TextBufferSize()-1 characters).
char* RemoveChar(char* text, char character);

// Cuts the text at its first newline.
char* StripNewline(char* text);

// Removes every space (code 32 only; result cut at TextBufferSize()-1 characters).
char* RemoveSpaces(char* text);

// True when the text is not empty and holds spaces only (it is then left empty); otherwise the
// text loses its spaces and is cut at its first newline. Null or empty text: false.
bool IsSpaceOnlyLine(char* text);

// ---------------------------------------------------------------------------------------------
// Numeric fields.

// Hexadecimal value of the text (after its first "0x", if any), wrapped to 32 bits. Null or no
// digits: 0; a text longer than 18 characters or a non-hex character: -1.
std::int32_t ParseHex(const char* text);

// 0 to 9 for '0' to '9', -1 for any other character.
std::int32_t DigitValue(char character);

// The first four character codes weighted 2^24, 2^16, 2^8 and 1, further ones added with weight
// 1 (wrapping); -1 for a null text.
std::int32_t PackFourChars(const char* text);

// ---------------------------------------------------------------------------------------------
// Tag and attribute extraction. Each zero-fills `size` bytes of output and returns it; the output
// stays empty when anything is missing or the stretch is longer than size characters; a stretch of
// exactly size characters is cut to size-1.

// The value in double quotes behind the first occurrence of `name`.
char* GetQuotedValue(const char* text, const char* name, char* output, int size);

// The content between the ">" that ends the opening tag and the closing tag.
char* GetElementText(const char* text, const char* openingTag, const char* closingTag, char* output,
                     int size);

// The characters from start up to (not including) end.
char* CopyRange(const char* start, const char* end, char* output, int size);

// ---------------------------------------------------------------------------------------------
// Other text operations.

char* StripTrailingTab(char* text);
const char* SkipLeadingSpaces(const char* text);
char* TrimTrailingSpaces(char* text);
char* CollapseRepeatedTabs(char* text);                 // result cut at 1023 characters
char* CollapseRepeatedChar(char* text, char character); // result cut at 1023 characters
char* ReplaceCharWithUnderscore(char* text, char character);
char* ReplaceChar(char* text, char oldCharacter, char newCharacter);
char* TabsToSpaces(char* text);
char* TruncateAtChar(char* text, char character);

// Copies at most 20 characters of the source into a 20-character field; writes no terminator.
void CopyUpTo20Chars(char* destination, const char* source);

// Copies the first n characters and terminates at n (destination holds n+1 bytes); a shorter
// source is zero-filled up to n. Null arguments or a negative n: null.
char* CopyPrefix(char* destination, const char* source, int n);

// destination (of `size` bytes, result cut at size-1 characters) receives the source with every
// occurrence of `search` replaced; the source is left cut at its first occurrence of `search`.
// Any null argument, or a size below 1, does nothing.
void ReplaceAll(char* source, char* destination, int size, const char* search,
                const char* replacement);

// destination (of `size` bytes) receives the source without the first occurrence of `search`.
// Any null argument, or a size below 1, does nothing.
void RemoveFirstSubstring(const char* source, char* destination, int size, const char* search);

// Drops the spaces outside double-quoted stretches among the first n characters and writes the
// result back over the text. A text longer than 1023 characters gives null and is unchanged.
char* RemoveSpacesOutsideQuotes(char* text, int n);

// Equal when each text, taken to at most 999 characters and with its spaces removed, matches.
bool EqualIgnoringSpaces(const char* a, const char* b);

// True when any of the first 1023 characters of `set` occurs in the text.
bool ContainsAnyOf(const char* text, const char* set);

bool IsEmptyText(const char* text);  // not null and empty
bool HasNoText(const char* text);    // null or empty
int BoundedLength(const char* text); // length counting at most 10000 characters; 0 for null

// destination (of `size` bytes) receives the source with each letter after an underscore
// upper-cased and the underscores removed ("flight_level" gives "flightLevel").
char* UnderscoreToMixedCase(char* destination, const char* source, int size);

// ---------------------------------------------------------------------------------------------
// Program file paths (backslash-separated).

// Supplies the full file name of the running program into buffer (size bytes, terminated);
// returns the length, 0 on failure. The front end installs the platform's source.
using ProgramFileNameSource = int (*)(char* buffer, int size);
void SetProgramFileNameSource(ProgramFileNameSource source);

// The running program's directory, without a trailing backslash (cut at the backslash before
// the first ".exe"; a name without ".exe" or without such a backslash stays whole). Empty when
// no file name source is installed or it fails.
void GetProgramDirectory(char* buffer, int size);

// Replaces the last backslash with a terminator.
char* StripLastPathComponent(char* path);

// ---------------------------------------------------------------------------------------------
// Position, time and number formatting. kind: 0 latitude, 1 longitude. Operations with an output
// size store at most size-1 characters, terminated; a null output or a size below 1 writes
// nothing. A value whose whole degrees (or hours) do not fit 32 bits gives the empty text.

inline constexpr int kLatitude = 0;
inline constexpr int kLongitude = 1;

// Seconds (of arc or time) as "% 5d:% 2d:% 2.5f"; the sign stays in every field.
char* FormatSecondsDMS(char* output, int size, double seconds);

// Seconds of arc as "%c%03d:%02d:%02d" with "+"/"-", seconds truncated.
char* FormatSignedDMS(char* output, int size, double arcSeconds);

// "%c%03d:%02d:%02d" with the hemisphere letter ("?" for another kind), nearest second (no
// carry: 60 can appear).
char* FormatArcSecondsDMS(char* output, int size, double arcSeconds, int kind);
char* FormatArcSecondsDMSSwapped(char* output, int size, double arcSeconds, int kind); // 0 lon
char* FormatDegreesDMS(char* output, int size, double degrees, int kind);
char* FormatRadiansDMS(char* output, int size, double radians, int kind);

// Seconds of arc as "%+4d:%05.3f"; degrees and minutes both carry the sign of the value.
char* FormatDegreesDecimalMinutes(char* output, int size, double arcSeconds);

// The following take degrees within +-360 (outside, or another kind: the empty text) and write
// into an output of at least 10 bytes, exactly 10 of them: the text followed by zero bytes.
char* FormatLatLonTenths(char* output, double degrees, int kind);           // "5130.0N", "00030.0W"
char* FormatLatLonDegrees(char* output, double degrees, int kind);          // "33S"
char* FormatLatLonLetterFirst(char* output, double degrees, bool latitude); // "N5130.0"

// As FormatLatLonTenths with "^" between degrees and minutes ("51^30.0N"), into size bytes.
char* FormatLatLonCaretTenths(char* output, int size, double degrees, int kind);

// "%02d:%02d" hour and minute in UTC of a time in seconds since 1970-01-01 00:00 UTC; "xx:xx"
// for a negative time. Output of at least 6 bytes.
char* FormatUtcHoursMinutes(char* output, const std::int32_t& time);

// "YYYY-MM-DDThh:mm:ssZ", the ISO 8601 form of a time in seconds since 1970-01-01 00:00 UTC, as
// log lines carry it; years 0 to 9999 (proleptic Gregorian), the empty text outside them. Output
// of `size` bytes (kUtcTimestampSize for the whole text).
inline constexpr int kUtcTimestampSize = 21;
char* FormatUtcTimestamp(char* output, int size, std::int64_t time);

// 'T' for true, 'F' for false.
char BoolToTF(bool value);

// The value as "% 10.<decimals>f" for decimals 0 to 4, "% 10.5f" otherwise, in a module-wide
// text area that the next call overwrites.
const char* FormatFixed10(double value, int decimals);
