#include "tools/fg/models/ModelCatalogue.h"
#include "tools/fg/models/FleetXml.h"
#include "tools/fg/models/TypeCodes.h"
#include "tools/fg/tests/ModelTree.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using ModelCatalogueTest = ModelTreeTest;

TEST_F(ModelCatalogueTest, ReadsLiveriesAndFleetsAndCountsWhatItSkips) {
    ModelCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(Root()));
    const CatalogueCounts& counts = catalogue.Counts();
    EXPECT_EQ(counts.liveries, 9);
    EXPECT_EQ(counts.fleets, 3);
    EXPECT_EQ(counts.malformed, 2); // the broken livery and XXX's unclosed aircraft
    EXPECT_EQ(counts.airframes, 7);
    EXPECT_EQ(counts.unusable, 1); // RYR's airframe of a livery that is not there
    EXPECT_EQ(catalogue.ModelsOf("A320"),
              (std::vector<std::string>{"AI/Aircraft/A320/A320-AerLingus.xml",
                                        "AI/Aircraft/A320/A320-Lufthansa.xml",
                                        "AI/Aircraft/A320/A320-Plain.xml"}));
    EXPECT_EQ(catalogue.ModelOfRegistration("ei-cva"), "AI/Aircraft/A320/A320-AerLingus.xml");
    EXPECT_EQ(catalogue.ModelOfRegistration("DAIPB"), "AI/Aircraft/A320/A320-Plain.xml");
    EXPECT_TRUE(catalogue.ModelOfRegistration("EI-DAC").empty());
    EXPECT_FALSE(catalogue.KnowsAirline("XXX"));
    EXPECT_EQ(catalogue.AirlineCommonModels("DLH").size(), 3u); // a three-way tie
}

TEST_F(ModelCatalogueTest, NoAiFolderIsNoCatalogue) {
    ModelCatalogue catalogue;
    EXPECT_FALSE(catalogue.Build(PathOf("nowhere")));
    EXPECT_TRUE(catalogue.Empty());
}

TEST_F(ModelCatalogueTest, APathThatWouldNotFitTheMessageIsLeftOutNotCut) {
    const std::string longName = std::string(90, 'x') + ".xml";
    Write("AI/Aircraft/A320/" + longName, "<PropertyList></PropertyList>");
    ModelCatalogue catalogue;
    ASSERT_TRUE(catalogue.Build(Root()));
    EXPECT_EQ(catalogue.ModelsOf("A320").size(), 3u);
    EXPECT_EQ(catalogue.Counts().unusable, 2);
    for (const std::string& model : catalogue.ModelsOf("A320")) {
        EXPECT_LT(model.size(), kModelPathSize);
    }
}

TEST(FleetXmlTest, RefusesWhatIsNotAFleetAndSkipsComments) {
    std::vector<FleetAircraft> fleet;
    const struct {
        const char* text;
        bool fleet;
        std::size_t aircraft;
    } cases[] = {
        {"<trafficlist></trafficlist>", true, 0},
        {"<trafficlist><!-- <aircraft><model>A</model></aircraft> --></trafficlist>", true, 0},
        {"<trafficlist><aircraft><model>A</model></aircraft></trafficlist>", true, 1},
        {"<trafficlist><aircraft><model>A</model></trafficlist>", false, 0},
        {"<trafficlist><aircraft><model>A</aircraft></trafficlist>", false, 0},
        {"<trafficlist><!-- open", false, 0},
        {"<trafficlist><aircraft><model>A<!-- x --></model></aircraft></trafficlist>", true, 1},
        {"<trafficlist><air<!-- x -->craft><model>A</model></aircraft></trafficlist>", false, 0},
        {"<trafficlist <!-- x -->><aircraft><model>A</model></aircraft></trafficlist>", false, 0},
        {"<PropertyList></PropertyList>", false, 0},
        {"", false, 0},
        {"\x01\xff<aircraft>", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadFleet(c.text, fleet), c.fleet) << c.text;
        if (c.fleet) {
            EXPECT_EQ(fleet.size(), c.aircraft) << c.text;
        }
    }
}

// The folders of FlightGear 2020.3's AI/Aircraft: each must be named by the table.
TEST(TypeCodesTest, TheTableCoversEveryAiFolder) {
    const char* folders[] = {"220",
                             "339",
                             "717",
                             "727",
                             "733",
                             "734",
                             "735",
                             "736",
                             "738",
                             "739",
                             "747",
                             "757",
                             "767",
                             "777",
                             "787",
                             "A300",
                             "A310",
                             "A319",
                             "A320",
                             "A321",
                             "A330-MRTT",
                             "A332",
                             "A333",
                             "A342",
                             "A343",
                             "A345",
                             "A346",
                             "A350",
                             "A380",
                             "A6M2",
                             "AT4",
                             "AT7",
                             "Arup-S2",
                             "BAE146-300",
                             "BAe-125",
                             "BNI",
                             "Bae146-200",
                             "Beechcraft-Staggerwing",
                             "Bombardier-Challenger",
                             "Buccaneer",
                             "CCX",
                             "CR2",
                             "CR7",
                             "CR9",
                             "Cessna-421-Golden-Eagle",
                             "Cessna208Caravan",
                             "Cessna337",
                             "Citation-Bravo",
                             "Cub",
                             "DH3",
                             "DH4",
                             "DH7",
                             "DH82",
                             "DHT",
                             "DR400",
                             "Diamond-Da42",
                             "Dragonfly",
                             "Dromader",
                             "E-2C",
                             "E70",
                             "E90",
                             "E95",
                             "ERJ145",
                             "Embraer-Legacy",
                             "F-15",
                             "F-18",
                             "F-4",
                             "FK9MK2",
                             "Ferry",
                             "Fokker-100",
                             "Fokker-50",
                             "Fokker-70",
                             "Fokker-S-11",
                             "G-164",
                             "JA37",
                             "JS41",
                             "Jaguar-GR1",
                             "Lightning",
                             "M11",
                             "MD80",
                             "MD90",
                             "MiG-21bis",
                             "Mirage2000",
                             "Polikarpov-I16",
                             "SF3",
                             "SR-71",
                             "Saab-2000",
                             "SpaceShuttle",
                             "Spitfire",
                             "T-38",
                             "b1900d",
                             "balloon",
                             "beech-200",
                             "beech99",
                             "bf109",
                             "bluebird",
                             "c172",
                             "c177",
                             "c182",
                             "c182rg",
                             "c310",
                             "c310u3a",
                             "centrair-101",
                             "cri-cri",
                             "ercoupe",
                             "eurofighter",
                             "f-14b",
                             "f16",
                             "flash2a",
                             "pa-28",
                             "seahawk",
                             "tu154b",
                             "vulcanb2"};
    std::set<std::string> named;
    for (const TypeFolder& row : TypeFolderTable()) {
        named.insert(row.folder);
    }
    for (const char* folder : folders) {
        EXPECT_TRUE(named.count(folder)) << folder;
    }
    EXPECT_EQ(std::size(folders), 113u);
}

TEST(TypeCodesTest, DesignatorsFindTheirFoldersBestFirst) {
    const struct {
        const char* designator;
        std::vector<std::string_view> folders;
    } cases[] = {
        {"B738", {"738", "B738"}},
        {"e190", {"E90", "e190"}},
        {"A332", {"A332", "A330-MRTT", "A332"}},
        {"C172", {"c172", "C172"}},
        {"ZZZZ", {"ZZZZ"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FoldersOfType(c.designator), c.folders) << c.designator;
    }
}
