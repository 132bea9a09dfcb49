#include "aviation/FinalCapture.h"
#include "aviation/tests/AirportScript.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Case {
    const char* what;
    RunwayPoint point; // in 26R's frame
    double off;        // degrees right of its heading
    double verticalRate;
    bool captured;
};

TEST(FinalCapture, WithinItsLimitsAndNotBeyond) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    const Case cases[] = {
        {"on the centre line and the glide path", {-5 * kNm, 0, 1600 * kFoot}, 0, -4, true},
        {"0.4 NM right of the centre line", {-5 * kNm, 0.4 * kNm, 1600 * kFoot}, 0, -4, true},
        {"0.6 NM right of the centre line", {-5 * kNm, 0.6 * kNm, 1600 * kFoot}, 0, -4, false},
        {"0.6 NM left of the centre line", {-5 * kNm, -0.6 * kNm, 1600 * kFoot}, 0, -4, false},
        {"14 degrees off its heading", {-5 * kNm, 0, 1600 * kFoot}, 14, -4, true},
        {"16 degrees off its heading", {-5 * kNm, 0, 1600 * kFoot}, 16, -4, false},
        {"16 degrees off the other way", {-5 * kNm, 0, 1600 * kFoot}, -16, -4, false},
        {"2900 ft above the field", {-9 * kNm, 0, 2900 * kFoot}, 0, -4, true},
        {"3100 ft above the field", {-9 * kNm, 0, 3100 * kFoot}, 0, -4, false},
        {"9.9 NM out", {-9.9 * kNm, 0, 2500 * kFoot}, 0, -4, true},
        {"10.5 NM out", {-10.5 * kNm, 0, 2500 * kFoot}, 0, -4, false},
        {"level", {-5 * kNm, 0, 1600 * kFoot}, 0, 0, false},
        {"climbing", {-5 * kNm, 0, 1600 * kFoot}, 0, 5, false},
        {"going the other way", {-5 * kNm, 0, 1600 * kFoot}, 180, -4, false},
        {"over the runway in the flare", {200, 2, 20 * kFoot}, 0, -2, true},
    };
    for (const Case& c : cases) {
        RunwayEndRef captured;
        const bool found =
            CaptureFinal(*airports, FixIn(frame, c.point, 75, c.verticalRate, c.off), captured);
        EXPECT_EQ(found, c.captured) << c.what;
        if (found) {
            EXPECT_STREQ(captured.runway->ends[captured.end].name, "26R") << c.what;
        }
    }
}

// Between two parallel runways, the one whose centre line is nearer.
TEST(FinalCapture, TheNearerOfParallelRunways) {
    const auto airports = HonoluluAlone();
    const RunwayFrame left = FrameNamed(*airports, "08L");
    const RunwayFrame right = FrameNamed(*airports, "08R");
    // 08R's centre line lies about 2 km right of 08L's.
    const double between = PointOf(left, right.threshold).across;
    ASSERT_NEAR(between, 2040, 60);
    for (const double across : {0.0, 0.3 * kNm}) {
        RunwayEndRef captured;
        ASSERT_TRUE(CaptureFinal(*airports, FixIn(left, {-4 * kNm, across, 1300 * kFoot}, 70, -4),
                                 captured));
        EXPECT_STREQ(captured.runway->ends[captured.end].name, "08L");
        ASSERT_TRUE(CaptureFinal(
            *airports, FixIn(left, {-4 * kNm, between - across, 1300 * kFoot}, 70, -4), captured));
        EXPECT_STREQ(captured.runway->ends[captured.end].name, "08R");
    }
}

} // namespace
