// The arguments of a program's command line, walked in order: options ("--name VALUE" or
// "--name=VALUE"), operands, "--" (everything after it is an operand) and the help and version
// requests, which end the walk. Values are read strictly: the whole text must be the value and
// it must lie in its range; nothing saturates, wraps or is cut. A refused argument leaves a
// one-line text in the error report that names the option and what is wrong with it, in the
// words the program has always used for its refusals (ArgumentWording).
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

inline constexpr char kCommandArgumentsHeaderRevision[] =
    "%Z% CommandArguments QX3104:01 CommandArguments.h $Revision: 1.1 $";

enum class ArgumentRequest { None, Help, Version };

// How a program words a refusal. In each pattern "{option}" stands for the option's name,
// "{argument}" for the argument as given, "{value}" for the value given, "{needs}" for what the
// option's value must be (as Text was told) and "{problem}" for what is wrong with the value.
// Arguments and values are shown with terminal controls masked, a long one cut.
struct ArgumentWording {
    const char* unknownOption = "unknown option '{argument}'";
    const char* unexpectedArgument = "unexpected argument '{argument}'";
    const char* takesNoValue = "{option} takes no value";
    const char* missingValue = "{option} needs {needs}"; // nothing follows the option
    const char* emptyValue = "{option} needs {needs}";   // "--name=", or an empty argument
    const char* badValue = "{option} '{value}' {problem}";
};

// What every program's --help says of its values, so that every manual page says it alike.
inline constexpr char kValueRulesHelp[] =
    "Values follow their options, as --OPTION VALUE or --OPTION=VALUE. A value that\n"
    "is not of its option's form, lies outside its range or is too long is refused,\n"
    "never cut or changed to fit: the program says what is wrong and ends with exit\n"
    "status 2.\n";

class CommandArguments : public QX_ErrorReport {
public:
    // Walks argv[first] to argv[argc - 1].
    CommandArguments(int argc, const char* const* argv, int first,
                     const ArgumentWording& wording = {});

    // Steps to the next argument. False at the end, and at "-h", "--help" or "--version" given
    // as an option (Request tells which).
    bool Next();
    ArgumentRequest Request() const { return request; }

    // The current argument is an option, or this option (by its name before any "=").
    bool IsOption() const;
    bool Is(const char* name) const;
    // The current argument as it was given.
    const char* Current() const { return current; }

    // The entry of `table` whose `name` the current option has; null for none.
    template <typename Entry, std::size_t Count>
    const Entry* Among(const Entry (&table)[Count]) const {
        for (const Entry& entry : table) {
            if (Is(entry.name)) {
                return &entry;
            }
        }
        return nullptr;
    }

    static constexpr std::size_t kAnyLength = std::numeric_limits<std::size_t>::max();

    // The value of the current option: the text after "=", or else the next argument. False,
    // with the error text set, when there is none, it is empty or it is longer than `longest`
    // characters (kept whole, it would name something else). `needs` is what a refusal says
    // the option needs.
    bool Text(const char*& value, const char* needs = "a value", std::size_t longest = kAnyLength);
    bool WholeNumber(std::int64_t lo, std::int64_t hi, std::int64_t& value);
    bool UnsignedNumber(std::uint64_t& value);
    bool Decimal(double lo, double hi, double& value);
    // Exactly `count` numbers (at most kMostNumbers) separated by commas; `form` names them in
    // a refusal ("is not LAT,LON in degrees").
    bool Numbers(int count, double* values, const char* form);
    // "LAT,LON" in degrees, latitude -90 to 90, longitude -180 to 180.
    bool Position(double& latitude, double& longitude);
    // The current option takes no value: false, with the error text set, for "--name=VALUE".
    bool Flag();

    // Refuses the current argument as unknown: sets the error text and returns false.
    bool RefuseUnknown();
    // Refuses the value just read for `problem`. Returns false.
    bool RefuseValue(const char* problem);
    // True when `value`, the part of the value just read named `part`, lies in lo to hi; else
    // refuses the value ("--own '91,0' has latitude 91, out of range (-90 to 90)").
    bool PartInRange(const char* part, double value, double lo, double hi);

    static constexpr int kMostNumbers = 4;

private:
    bool Refuse(const char* pattern, std::string_view problem);

    int argc;
    const char* const* argv;
    int next;
    ArgumentWording wording;
    const char* current = nullptr;
    const char* optionValue = nullptr; // of the current option, once read
    const char* needs = nullptr;       // what the current option's value must be
    bool operandsOnly = false;         // after "--"
    ArgumentRequest request = ArgumentRequest::None;
};

// The whole of `text` as a whole number in lo to hi: an optional sign and digits, nothing else.
// Nothing saturates or wraps: a number beyond 64 bits is out of range. The value is set only
// when Read.
enum class WholeNumberReading { Read, NotANumber, OutOfRange };
WholeNumberReading ReadWholeNumber(std::string_view text, std::int64_t lo, std::int64_t hi,
                                   std::int64_t& value);

// What a program writes to its error stream on a usage error: "PROGRAM: PROBLEM", then where
// its help is, each on a line of its own.
std::string UsageErrorText(std::string_view program, std::string_view problem);
