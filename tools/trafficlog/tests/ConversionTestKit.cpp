#include "tools/trafficlog/tests/ConversionTestKit.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

void ConvertFindings::BadRow(const char* input, std::int64_t line, const char* reason) {
    const std::string path = input;
    bad.push_back(path.substr(path.find_last_of("/\\") + 1) + ":" + std::to_string(line) + ": " +
                  reason);
    badLines.push_back(line);
    reasons.push_back(reason);
}

void CleanFile::Report(std::int64_t line, CheckFault fault, const char* text) {
    ADD_FAILURE() << "check, line " << line << ": " << CheckFaultName(fault) << ": " << text;
}

Conversion ConvertBytes(const std::string& bytes, const char* suffix, ConvertOptions options) {
    TempFile input(suffix);
    TempFile output(".dat");
    input.Write(bytes);
    options.inputs = {input.Path()};
    options.output = output.Path();
    RecordingConverter converter;
    Conversion result;
    result.ok = converter.Convert(options, result.findings);
    result.data = output.Read();
    result.counts = converter.Counts();
    if (result.ok) {
        TrafficFileChecker checker;
        CleanFile clean;
        EXPECT_TRUE(checker.Check(output.Path(), clean));
    }
    return result;
}
