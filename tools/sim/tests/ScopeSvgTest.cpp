#include "tools/sim/ScopeSvg.h"

#include "text_functions/TextFunctions.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

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

// One <text> element of the picture.
struct TextElement {
    double x;
    double y;
    std::string style;
    int characters; // as shown, an entity counting as one
};

std::size_t Count(const std::string& svg, const char* text) {
    std::size_t count = 0;
    for (std::size_t at = svg.find(text); at != std::string::npos; at = svg.find(text, at + 1)) {
        ++count;
    }
    return count;
}

std::vector<TextElement> Texts(const std::string& svg) {
    std::vector<TextElement> texts;
    for (std::size_t at = svg.find("<text x=\""); at != std::string::npos;
         at = svg.find("<text x=\"", at + 1)) {
        TextElement text{};
        text.x = std::atof(svg.c_str() + at + 9);
        text.y = std::atof(svg.c_str() + svg.find("y=\"", at) + 3);
        const std::size_t style = svg.find("class=\"", at) + 7;
        text.style = svg.substr(style, svg.find('"', style) - style);
        const std::size_t start = svg.find('>', at) + 1;
        const std::size_t end = svg.find("</text>", start);
        for (std::size_t i = start; i < end; ++i, ++text.characters) {
            if (svg[i] == '&') {
                i = svg.find(';', i);
            }
        }
        texts.push_back(text);
    }
    return texts;
}

double PictureWidth(const std::string& svg) {
    return std::atof(svg.c_str() + svg.find("width=\"") + 7);
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
    EXPECT_EQ(Count(svg, "<text"), Count(svg, "</text>"));
    EXPECT_EQ(Count(svg, "&amp;"), amps.size()); // the callsign's is outside the box
}

// A peer's bytes never reach a viewer raw: no controls, and only ASCII in a UTF-8 file.
TEST(ScopeSvg, TextsFromTheBlockAreMaskedAndEncoded) {
    auto publication = OnePublication();
    CopyBounded(publication->aircraft[0].callsign, "\x1b[2J\x9b\xe9", 9);
    CopyBounded(publication->slot3, "\x1b]0;owned\a caf\xe9", kDiagnosticTextSize);
    ScopeState state;
    state.own = {50.45, 0.01, 45};
    state.publication = publication.get();
    const std::string svg = RenderScopeSvg(state);
    for (const char c : svg) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7f)) << static_cast<int>(byte);
    }
    EXPECT_NE(svg.find("?[2J?&#xE9;"), std::string::npos) << svg;
    EXPECT_NE(svg.find("slot 3: ?]0;owned? caf&#xE9;"), std::string::npos) << svg;
}

TEST(ScopeSvg, ShowsTheLegendTheAlertAndTheRange) {
    ScopeState state;
    state.own = {50.45, 0.01, 45};
    state.soundRequest = 2;
    const std::string svg = RenderScopeSvg(state);
    for (const char* text : {"traffic within 1200 ft", "other traffic", "#ffb000", "#30d0ff",
                             "alert 2: Climb now", "72 NM N-S", "no publication yet"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
}

// More than a busy hour: every text stays inside the picture, every label inside the box and clear
// of the others, and those that find no room are numbered and listed.
TEST(ScopeSvg, CrowdedTrafficFitsThePicture) {
    auto publication = sim_test::Crowd(kMaxBlockAircraft, 0.25);
    CopyBounded(publication->slot1,
                "Top Lat = 51.050000 Bot Lat = 49.850000 Left =-0.590000 Right = 0.610000 and "
                "a good deal more text than one line of the picture holds",
                kDiagnosticTextSize);
    ScopeState state;
    state.own = {50.45, 0.01, 45};
    state.ownAltitudeFt = 6000;
    state.publication = publication.get();
    const std::string svg = RenderScopeSvg(state);
    const double width = PictureWidth(svg);
    std::vector<TextElement> labels;
    for (const TextElement& text : Texts(svg)) {
        const double charWidth = text.style == "label" ? 7.2 : text.style == "info" ? 7.8 : 6.6;
        EXPECT_LE(text.x + charWidth * text.characters, width) << text.x << " " << text.y;
        if (text.style == "label") {
            EXPECT_GE(text.x, 24.0);
            EXPECT_LE(text.x + charWidth * text.characters, 624.0);
            labels.push_back(text);
        }
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        for (std::size_t j = i + 1; j < labels.size(); ++j) {
            const TextElement& a = labels[i];
            const TextElement& b = labels[j];
            const bool apart = a.x + 7.2 * a.characters <= b.x || b.x + 7.2 * b.characters <= a.x ||
                               std::fabs(a.y - b.y) >= 13.0;
            EXPECT_TRUE(apart) << a.x << "," << a.y << " " << b.x << "," << b.y;
        }
    }
    EXPECT_NE(svg.find("<line"), std::string::npos); // leader lines
    EXPECT_NE(svg.find(">1 Q"), std::string::npos);  // the numbered list
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
