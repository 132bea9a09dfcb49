#include "tools/trafficlog/FieldText.h"

#include "config_control/ConfigControl.h"
#include "traffic/DecimalText.h"

#include <cmath>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:60 FieldText.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kFieldTextHeaderRevision, kRevision});
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Past the digits at `text`; counts them.
const char* SkipDigits(const char* text, int& digits) {
    for (; IsDigit(*text); ++text) {
        ++digits;
    }
    return text;
}
} // namespace

char* TrimField(char* text) {
    while (*text == ' ' || *text == '"') {
        ++text;
    }
    char* end = text + std::strlen(text);
    while (end > text && (end[-1] == ' ' || end[-1] == '"')) {
        *--end = '\0';
    }
    return text;
}

bool ReadFieldNumber(const char* text, double& value) {
    RegisterModule();
    const char* c = text;
    if (*c == '-' || *c == '+') {
        ++c;
    }
    int digits = 0;
    c = SkipDigits(c, digits);
    if (*c == '.') {
        c = SkipDigits(c + 1, digits);
    }
    if (digits == 0) {
        return false;
    }
    if (*c == 'e' || *c == 'E') {
        ++c;
        if (*c == '-' || *c == '+') {
            ++c;
        }
        int exponentDigits = 0;
        c = SkipDigits(c, exponentDigits);
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (*c != '\0') {
        return false;
    }
    value = ParseDecimal(text);
    return std::isfinite(value);
}
