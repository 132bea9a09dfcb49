// Publication: the block's aircraft area, count, counter and status, and the in-view list.
#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Stores aircraft in the analyser as the reader would, around the seeded own-ship position.
void Analyse(DialogRig& rig, const std::vector<std::string>& lines) {
    TrafficAnalyser& analyser = rig.dialog->GetAnalyser();
    analyser.SetOwnShipPosition(50.45, 0.01);
    for (std::string line : lines) {
        analyser.ParseTrafficLine(line.data());
    }
}

bool IsZero(const void* bytes, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    return std::all_of(p, p + size, [](unsigned char b) { return b == 0; });
}

AircraftRecord Expected(const char* callsign, double latitude, double longitude) {
    AircraftRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.callsign, callsign, std::strlen(callsign));
    record.icaoAddress = 0x4CA2B5;
    record.latitude = latitude;
    record.longitude = longitude;
    record.geoAltitude = 35500;
    record.baroAltitude = 35000;
    record.verticalRate = -64;
    record.track = 270;
    record.groundSpeed = 450;
    record.positionTime = 1700000000;
    return record;
}

struct PublishRig : DialogRig {
    PublishRig() {
        Start();
        Block().publishCounter = 7;
        std::memset(Block().aircraft, 0xCD, sizeof Block().aircraft); // the last publication
    }
};

TEST(PublishTraffic, ThreeAircraftInAnalyserOrderRestZeroed) {
    PublishRig rig;
    Analyse(rig, {TrafficLine("AAA", 50.5, 0.1), TrafficLine("FAR", 10.0, 0.1),
                  TrafficLine("BBB12345", 50.0, -0.2), TrafficLine("CCC", 51.0, 0.6)});
    rig.dialog->PublishTraffic();

    const VisualInterfaceBlock& block = rig.Block();
    EXPECT_EQ(block.aircraftCount, 3);
    EXPECT_EQ(block.publishCounter, 8);
    EXPECT_EQ(block.trafficStatus, 0);
    const AircraftRecord expected[] = {Expected("AAA", 50.5, 0.1), Expected("BBB12345", 50.0, -0.2),
                                       Expected("CCC", 51.0, 0.6)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(&block.aircraft[i], &expected[i], sizeof(AircraftRecord)), 0) << i;
    }
    EXPECT_TRUE(IsZero(&block.aircraft[3], sizeof(AircraftRecord) * (kMaxBlockAircraft - 3)));
    EXPECT_EQ(rig.dialog->GetInViewListText(), "AAA BBB12345 CCC ");
    EXPECT_EQ(rig.dialog->GetAnalyser().GetInViewCount(), 0);
}

TEST(PublishTraffic, NothingInViewStillRaisesTheCounter) {
    PublishRig rig;
    Analyse(rig, {TrafficLine("FAR", 10.0, 0.1)});
    rig.dialog->PublishTraffic();
    EXPECT_EQ(rig.Block().aircraftCount, 0);
    EXPECT_EQ(rig.Block().publishCounter, 8);
    EXPECT_EQ(rig.Block().trafficStatus, 0);
    EXPECT_TRUE(IsZero(rig.Block().aircraft, sizeof rig.Block().aircraft));
    EXPECT_EQ(rig.dialog->GetInViewListText(), "");
}

TEST(PublishTraffic, SecondPublicationWithoutNewDataIsEmpty) {
    PublishRig rig;
    Analyse(rig, {TrafficLine("AAA", 50.5, 0.1)});
    rig.dialog->PublishTraffic();
    rig.dialog->PublishTraffic();
    EXPECT_EQ(rig.Block().aircraftCount, 0);
    EXPECT_EQ(rig.Block().publishCounter, 9);
    EXPECT_TRUE(IsZero(rig.Block().aircraft, sizeof rig.Block().aircraft));
    EXPECT_EQ(rig.dialog->GetInViewListText(), "");
}

TEST(PublishTraffic, FullTableReachesTheBlockWhole) {
    PublishRig rig;
    std::vector<std::string> lines;
    for (int i = 0; i < 60; ++i) {
        // Appended, not put before a temporary string: GCC 12 at -O3 warns falsely
        // (-Wrestrict) about the copy that inserts in front of one.
        std::string callsign = "N";
        callsign += std::to_string(i);
        lines.push_back(TrafficLine(callsign, 50.45, 0.01));
    }
    Analyse(rig, lines);
    rig.dialog->PublishTraffic();
    EXPECT_EQ(rig.Block().aircraftCount, kMaxInViewAircraft);
    EXPECT_STREQ(rig.Block().aircraft[47].callsign, "N47");
    EXPECT_TRUE(IsZero(&rig.Block().aircraft[kMaxInViewAircraft],
                       sizeof(AircraftRecord) * (kMaxBlockAircraft - kMaxInViewAircraft)));
}

TEST(PublishTraffic, WithoutABlockNothingHappens) {
    DialogRig rig;
    Analyse(rig, {TrafficLine("AAA", 50.5, 0.1)});
    rig.dialog->PublishTraffic();
    EXPECT_EQ(rig.dialog->GetInViewListText(), "");
    EXPECT_EQ(rig.dialog->GetAnalyser().GetInViewCount(), 1);
}

TEST(ShowInViewList, CountIsKeptWithinTheStagingArray) {
    PublishRig rig;
    Analyse(rig, {TrafficLine("AAA", 50.5, 0.1), TrafficLine("BBB", 50.5, 0.1)});
    rig.dialog->PublishTraffic();
    struct Case {
        std::int32_t count;
        std::string expected;
    };
    const Case cases[] = {{-5, ""},
                          {0, ""},
                          {1, "AAA "},
                          {2, "AAA BBB "},
                          {1000, "AAA BBB " + std::string(148, ' ')}};
    for (const Case& c : cases) {
        rig.dialog->ShowInViewList(c.count);
        EXPECT_EQ(rig.dialog->GetInViewListText(), c.expected) << c.count;
    }
}

} // namespace
