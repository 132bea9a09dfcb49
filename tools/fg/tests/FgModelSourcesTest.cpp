#include "tools/fg/FgModelSources.h"
#include "tools/fg/tests/ModelTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using FgModelSourcesTest = ModelTreeTest;

TEST_F(FgModelSourcesTest, MatchAnswersWithTheModelTheRuleAndTheReason) {
    WriteBinary("db.csv", "icao24,registration,typecode,operatoricao\n4ca001,EI-CVB,A320,EIN\n");
    FgOptions options;
    options.fgRoot = Root();
    options.aircraftDb = PathOf("db.csv");
    FgModelSources sources;
    std::vector<std::string> notes;
    std::string text;
    ASSERT_TRUE(LoadModelSources(options, sources, notes, text)) << text;
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].find("9 liveries, 3 fleets with 7 airframes; 2 files malformed"),
              std::string::npos)
        << notes[0];
    ASSERT_TRUE(MatchQueryText(sources, "EIN12/4CA001", text));
    EXPECT_EQ(text, "AI/Aircraft/A320/A320-AerLingus.xml\nrule: registration\n"
                    "why: airframe EI-CVB of a fleet");
    // An airline code with a terminal's escape in it, in a fleet and the database: shown
    // masked.
    Write("AI/Traffic/Q/Q.xml", Fleet({Airframe("CR9/CR9-a.xml", "Q\x1bQ", "Q-1")}));
    WriteBinary("db2.csv", "icao24,operatoricao\n4ca009,Q\x1bQ\n");
    options.aircraftDb = PathOf("db2.csv");
    FgModelSources escaped;
    ASSERT_TRUE(LoadModelSources(options, escaped, notes, text)) << text;
    ASSERT_TRUE(MatchQueryText(escaped, "X/4ca009", text));
    EXPECT_NE(text.find("rule: operator"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    for (const char* bad : {"EIN12/", "EIN12/4ca0011", "EIN12/xyz", "/4ca001"}) {
        EXPECT_FALSE(MatchQueryText(sources, bad, text)) << bad;
    }
}

TEST_F(FgModelSourcesTest, NoModelsIsANoteButANamedFileThatIsMissingIsAnError) {
    FgOptions options;
    options.fgRoot = PathOf("no-flightgear");
    FgModelSources sources;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(LoadModelSources(options, sources, notes, error));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("every aircraft is drawn as Aircraft/ufo/Models/ufo.xml"),
              std::string::npos);
    options.modelTable = PathOf("missing.txt");
    EXPECT_FALSE(LoadModelSources(options, sources, notes, error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
}
