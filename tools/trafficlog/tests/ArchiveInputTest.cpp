// Archives and files as users hand them to convert: several recordings in one tar, a tar
// compressed whole, old and empty archives, links, a byte order mark, a target that is a link.
// The archives that tar itself makes are made by the system's tar.
#include "tools/trafficlog/RecordingConverter.h"

#include "tests/support/TempDirectory.h"
#include "tools/trafficlog/tests/ConversionTestKit.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char kHeader[] = "time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,"
                       "spi,squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n";

// Two rows 10 s apart from `start`, callsigns NAME0 and NAME10.
std::string Hour(std::int64_t start, const char* name) {
    std::string csv = kHeader;
    for (std::int64_t t = start; t < start + 20; t += 10) {
        const std::string time = std::to_string(t);
        csv += time + ",4ca2b5,50.1,0.2,120.5,91.2,-3.25," + name + std::to_string(t - start) +
               ",False,False,False,7000,3048.0,3100.0," + time + "," + time + "\n";
    }
    return csv;
}

class ArchiveInput : public TempDirectoryTest {
protected:
    bool Convert(const std::vector<std::string>& names, const std::string& target = "out.dat") {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(PathOf(name));
        }
        options.inputs.clear();
        for (const std::string& path : paths) {
            options.inputs.push_back(path.c_str());
        }
        output = PathOf(target);
        options.output = output.c_str();
        findings = ConvertFindings{};
        return converter.Convert(options, findings);
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The callsigns written, in order.
    std::string Callsigns(const std::string& name = "out.dat") const {
        const std::string data = Read(name);
        std::string names;
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t end = data.find('\n', at);
            const std::string line = data.substr(at, end - at);
            if (line.find('|') != std::string::npos && line.find('#') == std::string::npos) {
                names += line.substr(0, line.find('|')) + " ";
            }
            at = end == std::string::npos ? data.size() : end + 1;
        }
        return names;
    }

    // Runs the system's tar in the test's folder.
    void Tar(const std::string& arguments) const {
        const std::string command = "cd '" + directory.string() + "' && tar " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    ConvertOptions options;
    RecordingConverter converter;
    ConvertFindings findings;
    std::string output;
};

// Every recording of an archive converts, in the archive's order, each as an input of its own
// (a bad row names its member); so does an archive compressed whole.
TEST_F(ArchiveInput, ConvertsEveryRecordingOfATarInOrder) {
    if (!kReadsTar) {
        GTEST_SKIP() << "this build reads no tar";
    }
    const std::string h12 = Hour(1000, "A") + "1010,4ca2zz,50,0,,,,Z,,,,,,,1010,1010\n";
    const std::string h13 = Hour(1020, "B") + "1030,4ca2zz,50,0,,,,C,,,,,,,1030,1030\n";
    const std::string early = Hour(900, "X");
    const std::string tar = TarBytes({{"states/h12.csv.gz", GzipBytes(h12)},
                                      {"LICENSE", "x"},
                                      {"states/h13.csv.gz", GzipBytes(h13)},
                                      {"states/early.csv", early}});
    WriteBinary("day.tar", tar);
    WriteBinary("day.tar.gz", GzipBytes(tar));
    for (const char* input : {"day.tar", "day.tar.gz"}) {
        ASSERT_TRUE(Convert({input})) << converter.FullErrorText();
        EXPECT_EQ(Callsigns(), "A0 A10 B0 B10 ") << input;
        // Reported under the members' names (the kit shows names without their folders).
        ASSERT_EQ(findings.bad.size(), 2u) << input;
        EXPECT_EQ(findings.bad[0].rfind("h12.csv.gz:4: icao24", 0), 0u) << findings.bad[0];
        EXPECT_EQ(findings.bad[1].rfind("h13.csv.gz:4: icao24", 0), 0u) << findings.bad[1];
        EXPECT_EQ(converter.Counts().inputsLeftOut, 1);
        ASSERT_EQ(findings.notices.size(), 1u);
        EXPECT_NE(
            findings.notices[0].find(std::string(input) + ":states/early.csv starts at time 900"),
            std::string::npos)
            << findings.notices[0];
    }
}

struct Hostile {
    const char* name;
    const char* says; // empty: converts
};

// What archives and files that tar and editors make are said to be, or converted as they are.
TEST_F(ArchiveInput, SaysWhatAnArchiveIsOrReadsIt) {
    if (!kReadsTar) {
        GTEST_SKIP() << "this build reads no tar";
    }
    WriteBinary("h12.csv", Hour(1000, "A"));
    WriteBinary("notes.txt", "x");
    WriteBinary("empty.tar", std::string(10240, '\0'));
    Tar("--format=v7 -cf v7.tar h12.csv");
    // The second name of a file is stored as a hard link to the first.
    std::filesystem::create_hard_link(PathOf("notes.txt"), PathOf("linked.csv.gz"));
    Tar("-cf linked.tar notes.txt linked.csv.gz");
    std::filesystem::create_hard_link(PathOf("h12.csv"), PathOf("again.csv"));
    Tar("-cf twice.tar h12.csv again.csv");
    WriteBinary("bom.csv", "\xEF\xBB\xBF" + Hour(1000, "A"));
    const Hostile cases[] = {
        {"empty.tar", "the tar archive is empty: it holds no file"},
        {"v7.tar", ""},
        {"linked.tar", "linked.csv.gz is a hard link to notes.txt, which stands before it in the "
                       "archive: unpack the archive (tar -xf) and convert the file"},
        {"twice.tar", ""},
        {"bom.csv", ""},
    };
    for (const auto& [name, says] : cases) {
        const bool ok = Convert({name});
        if (*says == '\0') {
            EXPECT_TRUE(ok) << name << ": " << converter.FullErrorText();
            EXPECT_EQ(Callsigns(), "A0 A10 ") << name;
            continue;
        }
        EXPECT_FALSE(ok) << name;
        EXPECT_NE(converter.FullErrorText().find(says), std::string::npos)
            << name << ": " << converter.FullErrorText();
    }
}

// A target that is a symbolic link is written through: the file it names gets the data, the
// link stays; a link to nothing is refused.
TEST_F(ArchiveInput, WritesThroughATargetThatIsALink) {
    WriteBinary("h12.csv", Hour(1000, "A"));
    WriteBinary("real.dat", "old");
    std::error_code error;
    std::filesystem::create_symlink("real.dat", PathOf("link.dat"), error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    ASSERT_TRUE(Convert({"h12.csv"}, "link.dat")) << converter.FullErrorText();
    EXPECT_TRUE(std::filesystem::is_symlink(PathOf("link.dat")));
    EXPECT_EQ(Callsigns("real.dat"), "A0 A10 ");

    std::filesystem::create_symlink("missing.dat", PathOf("dangling.dat"));
    EXPECT_FALSE(Convert({"h12.csv"}, "dangling.dat"));
    EXPECT_NE(converter.FullErrorText().find("a symbolic link to nothing"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing.dat")));
}

} // namespace
