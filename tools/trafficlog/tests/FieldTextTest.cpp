#include "tools/trafficlog/sources/FieldText.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// What the conversion writes must read back as written: a field is taken only when the whole
// text is one finite number of the file's grammar.
TEST(RecordedFields, AreNumbersOnlyWhenTheFeederReadsThemWhole) {
    const std::string finite(300, '9');
    const std::string beyond(400, '9');
    for (const char* text : {"50.45", "-0.5", "+.5e1", "7.", "1e-400", "0", finite.c_str()}) {
        EXPECT_TRUE(IsFieldNumber(text)) << text;
    }
    for (const char* text : {"", " 1", "1 ", "\t1", ".", "-", "1e", "1e+", "1.5.3", "0x10", "nan",
                             "-inf", "1e400", "50.1abc", beyond.c_str()}) {
        EXPECT_FALSE(IsFieldNumber(text)) << text;
    }
}

// The range stands in for the value wherever a caller compares it: the field must be a number
// exactly when IsFieldNumber says so, and the value must lie in the range.
TEST(RecordedFields, RangesHoldTheValueOfEveryFieldNumber) {
    const std::string finite(300, '9');
    const std::string longFraction = "1." + std::string(400, '9');
    for (const char* text : {"50.45",
                             "-0.5",
                             "+.5e1",
                             "7.",
                             ".5",
                             "-.5",
                             "0",
                             "-0",
                             "1e-400",
                             "-3",
                             "984.99999999999999",
                             "-90.000000000000001",
                             "999999999999999.9",
                             "1000000000000000.5",
                             "-1028.89",
                             "12345678901234567890",
                             finite.c_str(),
                             longFraction.c_str(),
                             "",
                             " 1",
                             "1 ",
                             ".",
                             "-",
                             "1e",
                             "0x10",
                             "nan",
                             "-inf",
                             "1e400",
                             "50.1abc",
                             "1.5.3"}) {
        double value = 0.0;
        FieldNumberRange range{};
        const bool number = ReadFieldNumber(text, value);
        ASSERT_EQ(ReadFieldRange(text, range), number) << text;
        if (number) {
            EXPECT_LE(range.low, value) << text;
            EXPECT_GE(range.high, value) << text;
            EXPECT_LE(range.high - range.low, 1.0) << text;
        }
    }
    FieldNumberRange range{};
    ASSERT_TRUE(ReadFieldRange("-984.99999999999999", range));
    EXPECT_EQ(range.low, -985.0);
    EXPECT_EQ(range.high, -984.0);
    ASSERT_TRUE(ReadFieldRange("2.5e2", range));
    EXPECT_EQ(range.low, 250.0);
    EXPECT_EQ(range.high, 250.0);
}
} // namespace
