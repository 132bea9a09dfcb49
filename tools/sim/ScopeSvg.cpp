#include "tools/sim/ScopeSvg.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:10 ScopeSvg.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane Sim", {kScopeSvgHeaderRevision, kRevision});
}

constexpr double kSide = 600.0; // pixels of the square scope
constexpr double kMargin = 20.0;
constexpr double kTextTop = kSide + 2 * kMargin;
constexpr int kElementSize = 1024;

// The new picture takes the old one's place in one step. std::rename refuses an existing target
// on Windows; the library's rename replaces it there too. Its error code is an errno value.
bool MoveIntoPlace(const char* from, const char* to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    errno = error.value();
    return !error;
}

std::string Element(const char* format, auto... values) {
    char text[kElementSize];
    FormatBounded(text, kElementSize, format, values...);
    return text;
}

// Diagnostic texts come from another process: nothing in them may open markup.
std::string Escaped(const char* text) {
    std::string escaped;
    for (const char* c = text; *c != '\0'; ++c) {
        switch (*c) {
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '&':
            escaped += "&amp;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped +=
                (static_cast<unsigned char>(*c) < 0x20 || static_cast<unsigned char>(*c) > 0x7E)
                    ? '?'
                    : *c;
        }
    }
    return escaped;
}

double X(const ScopeState& state, double longitude) {
    return kMargin +
           (longitude - state.own.longitude + kScopeHalfSize) / (2 * kScopeHalfSize) * kSide;
}

double Y(const ScopeState& state, double latitude) {
    return kMargin +
           (state.own.latitude + kScopeHalfSize - latitude) / (2 * kScopeHalfSize) * kSide;
}

std::string Aircraft(const ScopeState& state, const AircraftRecord& record) {
    if (!std::isfinite(record.latitude) || !std::isfinite(record.longitude) ||
        std::fabs(record.latitude - state.own.latitude) > kScopeHalfSize ||
        std::fabs(record.longitude - state.own.longitude) > kScopeHalfSize) {
        return {};
    }
    char callsign[sizeof record.callsign + 1] = {};
    CopyBounded(callsign, record.callsign, sizeof callsign);
    const bool proximate = TrafficSymbol(record.baroAltitude, state.ownAltitudeFt) == '*';
    const double x = X(state, record.longitude), y = Y(state, record.latitude);
    return Element("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"5\" fill=\"%s\"/>\n"
                   "<text x=\"%.1f\" y=\"%.1f\" class=\"label\">%s %s%c</text>\n",
                   x, y, proximate ? "#ffb000" : "#30d0ff", x + 8, y + 4, Escaped(callsign).c_str(),
                   RelativeAltitudeText(record.baroAltitude, state.ownAltitudeFt).c_str(),
                   TrendSymbol(record.verticalRate));
}

// The text is appended whole, never cut inside the element.
std::string TextLine(int index, const std::string& text) {
    return Element("<text x=\"%.0f\" y=\"%.0f\" class=\"info\">", kMargin,
                   kTextTop + 18.0 * index) +
           text + "</text>\n";
}
} // namespace

std::string RenderScopeSvg(const ScopeState& state) {
    RegisterModule();
    std::string svg = Element(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\">\n"
        "<style>.label{font:12px monospace;fill:#e0e0e0}.info{font:13px monospace;fill:#c0c0c0}"
        "</style>\n<rect width=\"100%%\" height=\"100%%\" fill=\"#101418\"/>\n"
        "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" "
        "stroke=\"#50606a\"/>\n",
        kSide + 2 * kMargin, kTextTop + 110, kMargin, kMargin, kSide, kSide);
    const double centre = kMargin + kSide / 2;
    svg += Element("<path d=\"M %.1f %.1f l -7 14 l 7 -4 l 7 4 z\" fill=\"#ffffff\" "
                   "transform=\"rotate(%.1f %.1f %.1f)\"/>\n",
                   centre, centre - 7, state.own.track, centre, centre);
    const PublicationSnapshot* publication = state.publication;
    for (int i = 0; publication != nullptr && i < publication->recordCount; ++i) {
        svg += Aircraft(state, publication->aircraft[i]);
    }
    svg += TextLine(0, Element("t %.1f s  own %.4f %.4f  track %03.0f  %.0f ft  sound request %d",
                               state.seconds, state.own.latitude, state.own.longitude,
                               state.own.track, state.ownAltitudeFt, state.soundRequest));
    if (publication != nullptr) {
        svg += TextLine(1, Element("publishCounter %d  aircraftCount %d  trafficStatus %d",
                                   publication->publishCounter, publication->aircraftCount,
                                   publication->trafficStatus));
        svg += TextLine(2, "slot 1: " + Escaped(publication->slot1));
        svg += TextLine(3, "slot 3: " + Escaped(publication->slot3));
        svg += TextLine(4, "slot 6: " + Escaped(publication->slot6));
    }
    return svg + "</svg>\n";
}

bool ScopeSvgFile::Write(const char* path, const ScopeState& state) {
    char temporary[1024];
    if (FormatBounded(temporary, sizeof temporary, "%s.part", path) < 0) {
        ReportDetail("ScopeSvgFile::Write", "File name too long", path);
        return false;
    }
    const std::string svg = RenderScopeSvg(state);
    std::FILE* file = std::fopen(temporary, "wb");
    if (file == nullptr) {
        ReportDetail("ScopeSvgFile::Write", std::strerror(errno), temporary);
        return false;
    }
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    if (std::fclose(file) != 0 || !written || !MoveIntoPlace(temporary, path)) {
        ReportDetail("ScopeSvgFile::Write", std::strerror(errno), path);
        std::remove(temporary);
        return false;
    }
    return true;
}
