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
} // namespace
