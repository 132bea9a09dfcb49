#include "tools/fg/models/ModelMatcher.h"
#include "tools/fg/models/AircraftClass.h"
#include "tools/fg/tests/ModelTree.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {
constexpr char kDefault[] = "Aircraft/ufo/Models/ufo.xml";
} // namespace

class ModelMatcherTest : public ModelTreeTest {
protected:
    void SetUp() override {
        ModelTreeTest::SetUp();
        ASSERT_TRUE(catalogue.Build(Root()));
        WriteBinary("db.csv", "registration,operatoricao,icao24,icaoaircrafttype,typecode\n"
                              "EI-CVB,EIN,4ca001,L2J,A320\n" // an airframe of a fleet
                              "D-AXXX,DLH,3c0001,L2J,A320\n" // operator and type
                              "N1,UAL,a00001,L2J,B738\n"     // a type, no fleet of its operator
                              "N2,,a00002,L1P,C172\n"        // a type alone
                              "N3,,a00003,L2T,ZZZZ\n"        // a class by description
                              "N4,,a00004,H1T,EC35\n");      // a helicopter: none to draw it
        ASSERT_TRUE(database.Load(PathOf("db.csv")));
    }

    ModelChoice Match(const char* callsign, std::int32_t address, double speed = 230,
                      double altitude = 11000) const {
        return ModelMatcher(&catalogue, &database, &overrides, kDefault)
            .Match({callsign, address, speed, altitude});
    }

    ModelCatalogue catalogue;
    AircraftDatabase database;
    ModelOverrides overrides;
};

TEST_F(ModelMatcherTest, EachRuleInItsOrder) {
    ASSERT_TRUE(overrides.Add("EIN99 AI/Aircraft/777/777-a.xml", 1));
    const struct {
        const char* callsign;
        std::int32_t address;
        MatchRule rule;
        const char* model; // nullptr: any of its rule
    } cases[] = {
        {"EIN99", 0x4ca001, MatchRule::Override, "AI/Aircraft/777/777-a.xml"},
        {"EIN12", 0x4ca001, MatchRule::Registration, "AI/Aircraft/A320/A320-AerLingus.xml"},
        {"DLH4", 0x3c0001, MatchRule::OperatorType, nullptr},
        {"UAL1", 0xa00001, MatchRule::Type, "AI/Aircraft/738/738-Ryanair.xml"},
        {"N2", 0xa00002, MatchRule::Type, nullptr},
        {"RYR4AB", 0x100000, MatchRule::Operator, "AI/Aircraft/738/738-Ryanair.xml"},
        {"ryr4ab", 0x100000, MatchRule::Operator, "AI/Aircraft/738/738-Ryanair.xml"},
        {"N3", 0xa00003, MatchRule::Class, "AI/Aircraft/AT7/AT7-a.xml"},
        {"GABCD", 0x400001, MatchRule::Class, nullptr},
        {"N4", 0xa00004, MatchRule::Default, kDefault},
    };
    for (const auto& c : cases) {
        const ModelChoice choice = Match(c.callsign, c.address);
        EXPECT_EQ(choice.rule, c.rule) << c.callsign << ": " << choice.reason;
        if (c.model != nullptr) {
            EXPECT_EQ(choice.model, c.model) << c.callsign << ": " << choice.reason;
        }
        EXPECT_FALSE(choice.reason.empty());
    }
    // Of DLH's A320s, one of the two it flies; never another airline's.
    EXPECT_NE(Match("DLH4", 0x3c0001).model, "AI/Aircraft/A320/A320-AerLingus.xml");
}

// How the aircraft moves goes with what it is: its type description's class, whatever rule gave
// the model, else the class its generic model was chosen by.
TEST_F(ModelMatcherTest, TheChoiceSaysTheAircraftsClass) {
    ASSERT_TRUE(overrides.Add("EIN99 Aircraft/c172p/Models/c172p.xml", 1));
    const struct {
        const char* callsign;
        std::int32_t address;
        double speed;
        AircraftClass kind;
    } cases[] = {
        {"EIN99", 0x4ca001, 230, AircraftClass::NarrowBody},
        {"EIN12", 0x4ca001, 230, AircraftClass::NarrowBody},
        {"N2", 0xa00002, 230, AircraftClass::LightSingle},
        {"N3", 0xa00003, 230, AircraftClass::TwinTurboprop},
        {"N4", 0xa00004, 230, AircraftClass::Helicopter},
        {"GABCD", 0x400001, 40, AircraftClass::LightSingle},
        {"RYR4AB", 0x100000, 230, AircraftClass::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Match(c.callsign, c.address, c.speed, 500).kind, c.kind) << c.callsign;
    }
}

TEST_F(ModelMatcherTest, ACallsignPrefixIsAnAirlineOnlyWhenItIsOneFollowedByANumber) {
    // GEINA: a registration that happens to hold EIN; EINABC: no flight number.
    for (const char* callsign : {"GEINA", "EINABC", "XXX123", "EI"}) {
        EXPECT_NE(Match(callsign, 0x123456).rule, MatchRule::Operator) << callsign;
    }
    EXPECT_EQ(Match("EIN123", 0x123456).rule, MatchRule::Operator);
}

TEST_F(ModelMatcherTest, TheChoiceAmongEqualsFollowsTheAddressAndStaysWithIt) {
    std::set<std::string> seen;
    for (std::int32_t address = 0x3c0100; address < 0x3c0140; ++address) {
        const ModelChoice first = Match("CALL", address, 60, 500); // light: two c172 liveries
        EXPECT_EQ(first.model, Match("OTHER", address, 60, 500).model);
        seen.insert(first.model);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"AI/Aircraft/c172/c172-a.xml",
                                           "AI/Aircraft/c172/c172-b.xml"}));
    EXPECT_EQ(StableHash(0x3c0100, ""), 14405295199468731973ull) << "the same on every run";
}

TEST_F(ModelMatcherTest, OverridesPreferTheWholeCallsignThenTheAddressThenTheLongestPrefix) {
    ASSERT_TRUE(overrides.Add("# a comment", 1));
    ASSERT_TRUE(overrides.Add("  ", 2));
    ASSERT_TRUE(overrides.Add("EIN AI/Aircraft/A320/A320-Plain.xml", 3));
    ASSERT_TRUE(overrides.Add("EIN1 AI/Aircraft/CR9/CR9-a.xml", 4));
    ASSERT_TRUE(overrides.Add("4ca001 AI/Aircraft/AT7/AT7-a.xml", 5));
    ASSERT_TRUE(overrides.Add("ein123 AI/Aircraft/777/777-a.xml", 6));
    EXPECT_EQ(Match("EIN123", 0x4ca001).model, "AI/Aircraft/777/777-a.xml");
    EXPECT_EQ(Match("EIN124", 0x4ca001).model, "AI/Aircraft/AT7/AT7-a.xml");
    EXPECT_EQ(Match("EIN124", 0x4ca002).model, "AI/Aircraft/CR9/CR9-a.xml");
    EXPECT_EQ(Match("EIN24", 0x4ca002).model, "AI/Aircraft/A320/A320-Plain.xml");
    EXPECT_FALSE(overrides.Add("KEY", 7));
    EXPECT_FALSE(overrides.Add("KEY path extra", 8));
    EXPECT_FALSE(overrides.Add("KEY path\x1b[2J", 8));
    EXPECT_FALSE(overrides.Add("KEY " + std::string(96, 'p'), 9));
    EXPECT_NE(overrides.FullErrorText().find("line 9"), std::string::npos);
}

TEST_F(ModelMatcherTest, WithoutACatalogueEveryAircraftGetsTheDefault) {
    const ModelChoice choice =
        ModelMatcher(nullptr, &database, nullptr, kDefault).Match({"EIN12", 0x4ca001, 0, 0});
    EXPECT_EQ(choice.model, kDefault);
    EXPECT_EQ(choice.rule, MatchRule::Default);
}

TEST(AircraftClassTest, FromTheDescriptionElseFromTheFlight) {
    const struct {
        const char* description;
        const char* type;
        AircraftClass kind;
    } described[] = {
        {"L1P", "C172", AircraftClass::LightSingle}, {"L2T", "AT72", AircraftClass::TwinTurboprop},
        {"L2J", "CRJ9", AircraftClass::RegionalJet}, {"L2J", "A320", AircraftClass::NarrowBody},
        {"L4J", "B744", AircraftClass::WideBody},    {"H1T", "EC35", AircraftClass::Helicopter},
        {"", "A320", AircraftClass::Unknown},        {"L2", "A320", AircraftClass::Unknown},
    };
    for (const auto& c : described) {
        EXPECT_EQ(ClassOf(c.description, c.type), c.kind) << c.description << " " << c.type;
    }
    EXPECT_EQ(ClassOfFlight(50, 1000), AircraftClass::LightSingle);
    EXPECT_EQ(ClassOfFlight(120, 5000), AircraftClass::TwinTurboprop);
    EXPECT_EQ(ClassOfFlight(200, 8000), AircraftClass::RegionalJet);
    EXPECT_EQ(ClassOfFlight(240, 11000), AircraftClass::NarrowBody);
}
