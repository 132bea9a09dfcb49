// Reading the fields of recorded rows (CSV columns, BaseStation message fields): trimmed text,
// and numbers as the feeder would read them.
#pragma once

inline constexpr char kFieldTextHeaderRevision[] =
    "%Z% TrafficLog QX5002:59 FieldText.h $Revision: 1.1 $";

// The text without the spaces and double quotes around it (changed in place).
char* TrimField(char* text);

// True when the whole text is one finite decimal number ([sign] digits [. digits] [exponent]):
// no white space, no hexadecimal form, no inf or nan, which the feeder would not read as
// written.
bool ReadFieldNumber(const char* text, double& value);
