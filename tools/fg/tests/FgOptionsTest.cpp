#include "tools/fg/FgOptions.h"

#include "config_control/CommandArguments.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    FgOptions options;
    std::string problem;
};

Parsed Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "corvane-fg");
    Parsed parsed{};
    FgOptionParser parser;
    parsed.ok = parser.Parse(static_cast<int>(arguments.size()), arguments.data(), parsed.options);
    parsed.problem = parser.FullErrorText();
    return parsed;
}

TEST(FgOptions, DefaultsMeetFlightGearsUsualCommandLine) {
    const Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.options.action, FgAction::Run);
    EXPECT_STREQ(parsed.options.name, "VisualInterface");
    EXPECT_STREQ(parsed.options.listenHost, "127.0.0.1");
    EXPECT_EQ(parsed.options.listenPort, 5002);
    EXPECT_STREQ(parsed.options.sendHost, "127.0.0.1");
    EXPECT_EQ(parsed.options.sendPort, 5000);
    EXPECT_STREQ(parsed.options.settings.model, "Aircraft/ufo/Models/ufo.xml");
    EXPECT_EQ(parsed.options.settings.endAfterSilence, 15);
    EXPECT_FALSE(parsed.options.settings.keepRunning);
    EXPECT_TRUE(parsed.options.settings.tcas);
    EXPECT_FALSE(parsed.options.live);
    EXPECT_EQ(parsed.options.telnetPort, 0) << "no property server unless one is named";
}

TEST(FgOptions, ThePropertyServerByPortOrHostAndPort) {
    const Parsed port = Parse({"--fg-telnet", "5501"});
    ASSERT_TRUE(port.ok) << port.problem;
    EXPECT_STREQ(port.options.telnetHost, "127.0.0.1");
    EXPECT_EQ(port.options.telnetPort, 5501);
    const Parsed both = Parse({"--fg-telnet=fg-machine:5401"});
    ASSERT_TRUE(both.ok) << both.problem;
    EXPECT_STREQ(both.options.telnetHost, "fg-machine");
    EXPECT_EQ(both.options.telnetPort, 5401);
    EXPECT_EQ(Parse({"--fg-telnet", "0"}).problem,
              "option '--fg-telnet' needs [HOST:]PORT with a port from 1 to 65535, not '0'");
    EXPECT_EQ(Parse({"--fg-telnet"}).problem, "option '--fg-telnet' needs a value");
}

TEST(FgOptions, EveryOptionInBothSpellings) {
    const Parsed parsed =
        Parse({"--name", "Trial", "--listen=6002", "--send", "10.0.0.5:6000", "--model",
               "Aircraft/c172p/Models/c172p.xml", "--end-after-silence=2.5", "--keep-running",
               "--no-tcas", "--log", "--own-callsign", "G-ABCD", "--live"});
    ASSERT_TRUE(parsed.ok) << parsed.problem;
    EXPECT_STREQ(parsed.options.name, "Trial");
    EXPECT_EQ(parsed.options.listenPort, 6002);
    EXPECT_STREQ(parsed.options.listenHost, "127.0.0.1");
    EXPECT_STREQ(parsed.options.sendHost, "10.0.0.5");
    EXPECT_EQ(parsed.options.sendPort, 6000);
    EXPECT_STREQ(parsed.options.settings.model, "Aircraft/c172p/Models/c172p.xml");
    EXPECT_EQ(parsed.options.settings.endAfterSilence, 2.5);
    EXPECT_TRUE(parsed.options.settings.keepRunning);
    EXPECT_FALSE(parsed.options.settings.tcas);
    EXPECT_TRUE(parsed.options.logLines);
    EXPECT_STREQ(parsed.options.settings.ownCallsign, "G-ABCD");
    EXPECT_TRUE(parsed.options.live);
    EXPECT_EQ(Parse({"--live=yes"}).problem, "unrecognised argument '--live=yes'");
    EXPECT_STREQ(Parse({"--name=Other"}).options.name, "Other");
}

TEST(FgOptions, ModelSourcesAndTheMatchQuery) {
    const Parsed parsed = Parse({"--fg-root", "/fg", "--aircraft-db=db.csv.gz", "--models",
                                 "my.txt", "--match", "EIN123/4ca001"});
    ASSERT_TRUE(parsed.ok) << parsed.problem;
    EXPECT_EQ(parsed.options.fgRoot, "/fg");
    EXPECT_EQ(parsed.options.aircraftDb, "db.csv.gz");
    EXPECT_EQ(parsed.options.modelTable, "my.txt");
    EXPECT_EQ(parsed.options.matchQuery, "EIN123/4ca001");
    EXPECT_EQ(parsed.options.action, FgAction::Match);
    EXPECT_EQ(Parse({"--aircraft-db="}).problem,
              "option '--aircraft-db' needs a file or folder name, not ''");
}

TEST(FgOptions, HelpAndVersionDecide) {
    EXPECT_EQ(Parse({"-h"}).options.action, FgAction::Help);
    EXPECT_EQ(Parse({"--log", "--help", "--bogus"}).options.action, FgAction::Help);
    EXPECT_EQ(Parse({"--version"}).options.action, FgAction::Version);
    EXPECT_EQ(std::string(FgVersionText())
                  .find("corvane-fg (Corvane Version 1.0)\nblock version tag QXXXXX"),
              0u);
}

// help2man makes the manual page of --help: a usage continued on a line of its own must begin
// with "or:", or help2man puts it under DESCRIPTION; and the help must fit an 80-column terminal.
TEST(FgOptions, HelpFitsATerminalAndItsManualPage) {
    const std::string help = FgUsageText();
    EXPECT_EQ(help.rfind("Usage: corvane-fg ", 0), 0u);
    const std::size_t second = help.find('\n') + 1;
    EXPECT_TRUE(help[second] != ' ' || help.compare(second, 6, "  or: ") == 0) << help;
    for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        EXPECT_LT(end - at, 80u) << help.substr(at, end - at);
    }
    for (const char* option :
         {"--own-callsign", "--keep-running", "2000 kt", "30000 ft/min", "-1500 to 60000 m",
          "--fg-telnet", "--allow-nasal-from-sockets", "above mean sea level", "5 km", "50 kt",
          "100 ft", kValueRulesHelp}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

struct UsageErrorCase {
    const char* name;
    std::vector<const char*> arguments;
    std::string problem;
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const UsageErrorCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kLongModel = "Aircraft/" + std::string(83, 'a') + ".xml"; // 96 characters

class FgUsageErrors : public testing::TestWithParam<UsageErrorCase> {};

TEST_P(FgUsageErrors, SayWhatIsWrongInOneLine) {
    const Parsed parsed = Parse(GetParam().arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    FgOptions, FgUsageErrors,
    testing::Values(
        UsageErrorCase{"unknown", {"--bogus"}, "unrecognised argument '--bogus'"},
        UsageErrorCase{"flag_with_value", {"--log=yes"}, "unrecognised argument '--log=yes'"},
        UsageErrorCase{"missing_value", {"--listen"}, "option '--listen' needs a value"},
        UsageErrorCase{"port_zero",
                       {"--listen", "0"},
                       "option '--listen' needs [HOST:]PORT with a port from 1 to 65535, not '0'"},
        UsageErrorCase{"port_too_big",
                       {"--send", "host:70000"},
                       "option '--send' needs [HOST:]PORT with a port from 1 to 65535, not "
                       "'host:70000'"},
        // A port that does not fit 16 bits is refused, never wrapped to another.
        UsageErrorCase{"port_wraps",
                       {"--listen", "65537"},
                       "option '--listen' needs [HOST:]PORT with a port from 1 to 65535, not "
                       "'65537'"},
        UsageErrorCase{"port_not_a_number",
                       {"--send", "host:50o0"},
                       "option '--send' needs [HOST:]PORT with a port from 1 to 65535, not "
                       "'host:50o0'"},
        UsageErrorCase{"operand", {"fgfs"}, "unrecognised argument 'fgfs'"},
        UsageErrorCase{"no_host",
                       {"--send=:5000"},
                       "option '--send' needs [HOST:]PORT with a port from 1 to 65535, not "
                       "':5000'"},
        UsageErrorCase{"silence_negative",
                       {"--end-after-silence", "-1"},
                       "option '--end-after-silence' needs a number of seconds above 0 and at "
                       "most 86400, not '-1'"},
        UsageErrorCase{"silence_nan",
                       {"--end-after-silence", "nan"},
                       "option '--end-after-silence' needs a number of seconds above 0 and at "
                       "most 86400, not 'nan'"},
        UsageErrorCase{"own_callsign_too_long",
                       {"--own-callsign=ABCDEFGH"},
                       "option '--own-callsign' needs a callsign of 1 to 7 characters, as "
                       "FlightGear's --callsign, not 'ABCDEFGH'"},
        UsageErrorCase{"empty_name",
                       {"--name="},
                       "option '--name' needs a block name of 1 to 127 characters, not ''"},
        UsageErrorCase{
            "model_too_long",
            {"--model", kLongModel.c_str()},
            ("option '--model' needs a model path of 1 to 95 characters, not '" + kLongModel + "'")
                .c_str()}),
    [](const testing::TestParamInfo<UsageErrorCase>& info) { return info.param.name; });

} // namespace
