// The arguments of a program's command line, walked in order: options ("--name VALUE" or
// "--name=VALUE"), operands, "--" (everything after it is an operand) and the help and version
// requests, which end the walk. Values are read strictly: the whole text must be the value and
// it must lie in its range; nothing saturates or wraps. A refused argument leaves a one-line
// text in the error report that names the option and what is wrong with it.
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstdint>

inline constexpr char kCommandArgumentsHeaderRevision[] =
    "%Z% CommandArguments QX3104:01 CommandArguments.h $Revision: 1.1 $";

enum class ArgumentRequest { None, Help, Version };

class CommandArguments : public QX_ErrorReport {
public:
    // Walks argv[first] to argv[argc - 1].
    CommandArguments(int argc, const char* const* argv, int first);

    // Steps to the next argument. False at the end, and at "-h", "--help" or "--version" given
    // as an option (Request tells which).
    bool Next();
    ArgumentRequest Request() const { return request; }

    // The current argument is an option, or this option (by its name before any "=").
    bool IsOption() const;
    bool Is(const char* name) const;
    // The current argument as it was given.
    const char* Current() const { return current; }

    // The value of the current option: the text after "=", or else the next argument. False,
    // with the error text set, when there is none or it does not fit.
    bool Text(const char*& value);
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
    // Refuses the value just read: "NAME 'VALUE' PROBLEM". Returns false.
    bool RefuseValue(const char* problem);
    // True when `value`, the part of the value just read named `part`, lies in lo to hi; else
    // refuses the value ("--own '91,0' has latitude 91, out of range (-90 to 90)").
    bool PartInRange(const char* part, double value, double lo, double hi);

    static constexpr int kMostNumbers = 4;

private:
    struct SignedDigits {
        bool negative = false;
        std::uint64_t magnitude = 0;
        bool overflow = false; // beyond 64 bits: the magnitude is then meaningless
    };
    // The current option's value as [sign] digits and nothing else.
    bool Digits(const char*& text, SignedDigits& digits);
    bool Refuse(const char* problem);

    int argc;
    const char* const* argv;
    int next;
    const char* current = nullptr;
    const char* optionValue = nullptr; // of the current option, once read
    bool operandsOnly = false;         // after "--"
    ArgumentRequest request = ArgumentRequest::None;
};
