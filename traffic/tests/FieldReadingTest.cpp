#include "traffic/FieldReading.h"

#include "tests/support/CaseNames.h"
#include "text_functions/ControlMask.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {
using enum FieldForm;

struct NumberCase {
    const char* text;
    FieldForm form;
    double value;
};

void PrintTo(const NumberCase& c, std::ostream* out) {
    *out << "\"" << MaskControls(c.text) << "\"";
}

class NumberFields : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberFields, ReadAsTheFeederReadsThem) {
    const NumberReading reading = ReadNumberField(GetParam().text);
    EXPECT_EQ(reading.form, GetParam().form);
    EXPECT_EQ(reading.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberFields,
    testing::Values(NumberCase{"50.45", Exact, 50.45}, NumberCase{" -0.5 ", Exact, -0.5},
                    NumberCase{"+.5e1", Exact, 5}, NumberCase{"7.", Exact, 7},
                    NumberCase{"1e-400", Exact, 0}, NumberCase{"", Empty, 0},
                    NumberCase{" \t", Empty, 0}, NumberCase{"fifty", NoNumber, 0},
                    NumberCase{".", NoNumber, 0}, NumberCase{"-", NoNumber, 0},
                    NumberCase{"50.1abc", Partial, 50.1}, NumberCase{"1e", Partial, 1},
                    NumberCase{"1.5.3", Partial, 1.5},
                    // The grammar has no hexadecimal form: the x stops the number.
                    NumberCase{"0x10", Partial, 0}, NumberCase{"nan", NotFinite, 0},
                    NumberCase{"-inf", NotFinite, 0}, NumberCase{"INFINITY", NotFinite, 0},
                    NumberCase{"1e400", NotFinite, 0}, NumberCase{"-1e400x", NotFinite, 0}),
    NamedByPrint());

struct IntegerCase {
    const char* text;
    FieldForm form;
    std::int32_t value;
};

void PrintTo(const IntegerCase& c, std::ostream* out) {
    *out << "\"" << MaskControls(c.text) << "\"";
}

class TimeFields : public testing::TestWithParam<IntegerCase> {};

TEST_P(TimeFields, ReadAsTheFeederReadsThem) {
    const IntegerReading reading = ReadTimeField(GetParam().text);
    EXPECT_EQ(reading.form, GetParam().form);
    EXPECT_EQ(reading.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimeFields,
    testing::Values(IntegerCase{"1717228800", Exact, 1717228800}, IntegerCase{"", Empty, 0},
                    IntegerCase{"-2147483648", Exact, INT32_MIN}, IntegerCase{"soon", NoNumber, 0},
                    IntegerCase{"1000.5", Partial, 1000},
                    IntegerCase{"2147483648", OutOfRange, INT32_MAX},
                    IntegerCase{"99999999999999", OutOfRange, INT32_MAX},
                    IntegerCase{"-99999999999999999999999", OutOfRange, INT32_MIN}),
    NamedByPrint());

class AddressFields : public testing::TestWithParam<IntegerCase> {};

TEST_P(AddressFields, ReadAsTheFeederReadsThem) {
    std::string text = GetParam().text;
    const IntegerReading reading = ReadAddressField(text.data());
    EXPECT_EQ(reading.form, GetParam().form);
    EXPECT_EQ(reading.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddressFields,
    testing::Values(IntegerCase{"4CA2B5", Exact, 0x4CA2B5},
                    IntegerCase{"\"0x4ca2b5\"", Exact, 0x4CA2B5},
                    IntegerCase{"0000000012345678", Exact, 0x12345678},
                    IntegerCase{"7FFFFFFF", Exact, INT32_MAX}, IntegerCase{"", Empty, 0},
                    IntegerCase{"4CA2B5 ", NotHex, -1}, IntegerCase{"0X4C", NotHex, -1},
                    IntegerCase{"0x", NoNumber, 0}, IntegerCase{"id 0x4C", Partial, 0x4C},
                    IntegerCase{"123456789", OutOfRange, 0x23456789},
                    IntegerCase{"0000000000000000001", OutOfRange, -1},
                    IntegerCase{"80000000", Negative, INT32_MIN},
                    IntegerCase{"FFFFFFFF", Negative, -1}),
    NamedByPrint());
} // namespace
