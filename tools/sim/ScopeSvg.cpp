#include "tools/sim/ScopeSvg.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/sim/LabelPlacer.h"
#include "tools/textlayout/WordWrap.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {
constexpr double kSide = 600.0; // pixels of the square scope
constexpr double kMargin = 24.0;
constexpr double kPanelX = kMargin + kSide + 24.0;
constexpr double kPanelWidth = 280.0;
constexpr double kWidth = kPanelX + kPanelWidth + 16.0;
constexpr double kLineHeight = 18.0;
// Advance of one character of the monospace fonts: 0.6 em.
constexpr double kInfoCharWidth = 13.0 * 0.6;
constexpr double kLabelCharWidth = 12.0 * 0.6;
constexpr double kLabelHeight = 13.0;
constexpr double kSymbolRadius = 5.0;
constexpr double kOwnShipHalfSize = 9.0;
constexpr char kProximateColour[] = "#ffb000";
constexpr char kOtherColour[] = "#30d0ff";
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

// Texts come from another process: nothing in them may open markup, and bytes beyond ASCII
// (single-byte text, taken as Latin-1) become references, so that the file stays UTF-8.
std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : MaskControls(text)) {
        switch (c) {
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
            escaped += static_cast<unsigned char>(c) < 0x80
                           ? std::string(1, c)
                           : Element("&#x%02X;", static_cast<unsigned char>(c));
        }
    }
    return escaped;
}

std::string Text(double x, double y, const char* style, std::string_view text) {
    return Element("<text x=\"%.1f\" y=\"%.1f\" class=\"%s\">", x, y, style) + Escaped(text) +
           "</text>\n";
}

int Columns(double width) {
    return static_cast<int>(width / kInfoCharWidth);
}

double X(double east) {
    return kMargin + (east + 1.0) / 2.0 * kSide;
}

double Y(double north) {
    return kMargin + (1.0 - north) / 2.0 * kSide;
}

std::string Circle(double x, double y, const char* colour) {
    return Element("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.0f\" fill=\"%s\"/>\n", x, y,
                   kSymbolRadius, colour);
}

std::string Arrow(double x, double y, double track) {
    return Element("<path d=\"M %.1f %.1f l -7 14 l 7 -4 l 7 4 z\" fill=\"#ffffff\" "
                   "transform=\"rotate(%.1f %.1f %.1f)\"/>\n",
                   x, y - 7, track, x, y);
}

class Picture {
public:
    explicit Picture(const ScopeState& state)
        : state(state), placer({kMargin, kMargin, kSide, kSide}, {3, 1, {2, 16, 34}, false}) {}

    std::string Svg();

private:
    void Box();
    void Traffic();
    void Label(int symbol, double x, double y, const std::string& label);
    double Panel();
    double Below();

    const ScopeState& state;
    LabelPlacer placer;
    std::string box, leaders, symbols, labels, texts;
    std::vector<std::string> numbered;
};

void Picture::Box() {
    box += Element("<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" "
                   "stroke=\"#50606a\"/>\n",
                   kMargin, kMargin, kSide, kSide);
    const int ticks = static_cast<int>(kScopeHalfSize / kScopeTickDegrees + 0.5);
    for (int i = 1 - ticks; i < ticks; ++i) {
        const double share = static_cast<double>(i) / ticks;
        const char* stroke = i == 0 ? "#3a4650" : "#232c33";
        box += Element("<path d=\"M %.1f %.1f v %.0f M %.1f %.1f h %.0f\" stroke=\"%s\"/>\n",
                       X(share), kMargin, kSide, kMargin, Y(share), kSide, stroke);
    }
    const OwnShipFix& own = state.own;
    texts += Text(kMargin, kMargin - 8, "edge", Element("N %.2f", own.latitude + kScopeHalfSize));
    texts += Text(kMargin, kMargin + kSide + 16, "edge",
                  Element("S %.2f   W %.2f   E %.2f", own.latitude - kScopeHalfSize,
                          own.longitude - kScopeHalfSize, own.longitude + kScopeHalfSize));
    const double centre = kMargin + kSide / 2;
    symbols += Arrow(centre, centre, own.track);
    placer.AddSymbol({centre - kOwnShipHalfSize, centre - kOwnShipHalfSize, 2 * kOwnShipHalfSize,
                      2 * kOwnShipHalfSize});
}

void Picture::Traffic() {
    const std::vector<int> inView = TrafficInView(state);
    std::vector<double> xs, ys;
    std::vector<int> marks;
    for (int index : inView) {
        const AircraftRecord& record = state.publication->aircraft[index];
        double east = 0, north = 0;
        ScopeOffset(state.own, record.latitude, record.longitude, east, north);
        xs.push_back(X(std::clamp(east, -1.0, 1.0)));
        ys.push_back(Y(std::clamp(north, -1.0, 1.0)));
        marks.push_back(placer.AddSymbol({xs.back() - kSymbolRadius, ys.back() - kSymbolRadius,
                                          2 * kSymbolRadius, 2 * kSymbolRadius}));
    }
    // The most important symbol is drawn last, on top of any it shares its place with.
    for (std::size_t i = inView.size(); i-- > 0;) {
        const AircraftRecord& record = state.publication->aircraft[inView[i]];
        const bool proximate = TrafficSymbol(record.baroAltitude, state.ownAltitudeFt) == '*';
        symbols += Circle(xs[i], ys[i], proximate ? kProximateColour : kOtherColour);
    }
    for (std::size_t i = 0; i < inView.size(); ++i) {
        Label(marks[i], xs[i], ys[i],
              TrafficLabel(state.publication->aircraft[inView[i]], state.ownAltitudeFt));
    }
}

// The label, else its number beside the symbol with the label in the panel's list.
void Picture::Label(int symbol, double x, double y, const std::string& label) {
    std::string text = label;
    LabelPlacement placement{};
    bool placed = placer.Place(symbol, kLabelCharWidth * static_cast<double>(text.size()) + 2,
                               kLabelHeight, placement);
    if (!placed) {
        text = std::to_string(numbered.size() + 1);
        numbered.push_back(text + " " + label);
        placed = placer.Place(symbol, kLabelCharWidth * static_cast<double>(text.size()) + 2,
                              kLabelHeight, placement);
    }
    if (!placed) {
        return;
    }
    const LabelBox& at = placement.box;
    labels += Text(at.x + 1, at.y + 10, "label", text);
    if (placement.leader) {
        leaders += Element("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                           "stroke=\"#8090a0\"/>\n",
                           x, y, std::clamp(x, at.x, at.x + at.width),
                           std::clamp(y, at.y, at.y + at.height));
    }
}

// Status, legend and numbered labels beside the box; returns where the next line would go.
double Picture::Panel() {
    double y = kMargin + 12;
    const auto line = [&](double x, std::string_view text) {
        texts += Text(x, y, "info", text);
        y += kLineHeight;
    };
    for (const std::string& status : StatusLines(state)) {
        for (const std::string& row : WrapWords(status, Columns(kPanelWidth))) {
            line(kPanelX, row);
        }
    }
    y += kLineHeight / 2;
    for (const LegendEntry& entry : kLegend) {
        const std::string_view symbol = entry.symbol;
        if (symbol == "@") {
            symbols += Arrow(kPanelX + 8, y - 4, 0);
        } else if (symbol == "*" || symbol == "o") {
            symbols += Circle(kPanelX + 8, y - 4, symbol == "*" ? kProximateColour : kOtherColour);
        } else {
            texts += Text(kPanelX, y, "info", symbol);
        }
        line(kPanelX + 36, entry.meaning);
    }
    for (const std::string& range : RangeLines(state)) {
        line(kPanelX, range);
    }
    y += kLineHeight / 2;
    const double end = kMargin + kSide;
    for (std::size_t i = 0; i < numbered.size(); ++i) {
        if (y + kLineHeight > end && i + 1 < numbered.size()) {
            line(kPanelX, Element("+%d more", static_cast<int>(numbered.size() - i)));
            break;
        }
        line(kPanelX, numbered[i]);
    }
    return y;
}

// The slots, below the box across the whole picture; returns the height used.
double Picture::Below() {
    double y = kMargin + kSide + 40;
    for (const std::string& slot : SlotLines(state)) {
        for (const std::string& row : WrapWords(slot, Columns(kWidth - 2 * kMargin))) {
            texts += Text(kMargin, y, "info", row);
            y += kLineHeight;
        }
    }
    return y;
}

std::string Picture::Svg() {
    Box();
    Traffic();
    const double height = std::max(Panel(), Below()) + 4;
    return Element(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" xml:space=\"preserve\" width=\"%.0f\" "
               "height=\"%.0f\">\n"
               "<style>.label{font:12px monospace;fill:#e0e0e0}"
               ".info{font:13px monospace;fill:#c0c0c0}.edge{font:11px monospace;fill:#8090a0}"
               "</style>\n<rect width=\"100%%\" height=\"100%%\" fill=\"#101418\"/>\n",
               kWidth, height) +
           box + leaders + symbols + labels + texts + "</svg>\n";
}
} // namespace

std::string RenderScopeSvg(const ScopeState& state) {
    return Picture(state).Svg();
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
