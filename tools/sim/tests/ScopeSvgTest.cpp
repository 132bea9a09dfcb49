#include "tools/sim/ScopeSvg.h"

#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace {
std::unique_ptr<PublicationSnapshot> OnePublication() {
    auto publication = std::make_unique<PublicationSnapshot>();
    publication->publishCounter = 3;
    publication->aircraftCount = 2;
    publication->recordCount = 2;
    CopyBounded(publication->aircraft[0].callsign, "EZY<1&", 9);
    publication->aircraft[0].latitude = 50.5;
    publication->aircraft[0].longitude = 0.1;
    CopyBounded(publication->aircraft[1].callsign, "OUTSIDE", 9);
    publication->aircraft[1].latitude = 49.0;
    CopyBounded(publication->slot1, "<script>", kDiagnosticTextSize);
    return publication;
}

TEST(ScopeSvg, DrawsAircraftInTheBoxAndEscapesTexts) {
    const auto publication = OnePublication();
    ScopeState state;
    state.own = {50.45, 0.01, 45};
    state.publication = publication.get();
    const std::string svg = RenderScopeSvg(state);
    EXPECT_EQ(svg.rfind("<svg", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_NE(svg.find("EZY&lt;1&amp;"), std::string::npos);
    EXPECT_EQ(svg.find("OUTSIDE"), std::string::npos);
    EXPECT_EQ(svg.find("<script>"), std::string::npos);
    EXPECT_NE(svg.find("slot 1: &lt;script&gt;"), std::string::npos);
    EXPECT_NE(svg.find("publishCounter 3"), std::string::npos);
}

TEST(ScopeSvg, LongDiagnosticTextsKeepThePictureWellFormed) {
    auto publication = OnePublication();
    std::string amps(kDiagnosticTextSize - 1, '&');
    CopyBounded(publication->slot6, amps.c_str(), kDiagnosticTextSize);
    ScopeState state;
    state.publication = publication.get();
    const std::string svg = RenderScopeSvg(state);
    const std::size_t slot = svg.find("slot 6: ");
    ASSERT_NE(slot, std::string::npos);
    EXPECT_EQ(svg.compare(slot + 8 + 5 * amps.size(), 8, "</text>\n"), 0);
}

TEST(ScopeSvg, FileIsReplacedWhole) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("corvane-sim-test-" + std::to_string(std::random_device{}()) + ".svg");
    ScopeState state;
    ScopeSvgFile file;
    ASSERT_TRUE(file.Write(path.string().c_str(), state));
    ASSERT_TRUE(file.Write(path.string().c_str(), state));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    in.close(); // Windows removes no file that is open
    EXPECT_EQ(text.str(), RenderScopeSvg(state));
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".part"));
    std::filesystem::remove(path);
    EXPECT_FALSE(file.Write("/nonexistent-folder/scope.svg", state));
}
} // namespace
