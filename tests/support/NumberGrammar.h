#pragma once
// The data files' number grammar written out on its own, for the tests and fuzz targets of the
// number reader: the longest start of a text of the form
//   [white space] [sign] (digits [. [digits]] | . digits) [(e|E) [sign] digits]
// read by the C library, and 0 where there is no such start or its value is not finite.

#include <cmath>
#include <cstdlib>
#include <string>

namespace number_grammar {

inline std::size_t DigitsFrom(const std::string& text, std::size_t at) {
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
    }
    return at;
}

// Empty when the text has no valid start.
inline std::string Prefix(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string::npos) {
        return "";
    }
    if (text[at] == '+' || text[at] == '-') {
        ++at;
    }
    const std::size_t integerEnd = DigitsFrom(text, at);
    std::size_t end = integerEnd;
    bool digits = integerEnd > at;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = DigitsFrom(text, end + 1);
        digits = digits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!digits) {
        return "";
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentEnd = DigitsFrom(text, exponent);
        if (exponentEnd > exponent) {
            end = exponentEnd;
        }
    }
    return text.substr(0, end);
}

} // namespace number_grammar

inline double GrammarReading(const std::string& text) {
    const std::string accepted = number_grammar::Prefix(text);
    const double value = accepted.empty() ? 0.0 : std::strtod(accepted.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}
