#include "tools/sim/ScopeGrid.h"

#include "text_functions/TextFunctions.h"
#include "tools/sim/LabelPlacer.h"
#include "tools/textlayout/WordWrap.h"

#include <algorithm>
#include <cmath>

namespace {
// Lines per diagnostic slot: 127 characters and the name fit in two lines of 79.
constexpr int kSlotLines = 2;
constexpr int kTicksPerHalf = static_cast<int>(kScopeHalfSize / kScopeTickDegrees + 0.5);

std::string Format(const char* format, auto... values) {
    char line[128];
    FormatBounded(line, sizeof line, format, values...);
    return line;
}

int Odd(int n) {
    return n % 2 == 0 ? n - 1 : n;
}

// A slot's text in whole words where they fit in its lines, else cut anywhere.
std::vector<std::string> SlotRows(const std::string& text, int width) {
    std::vector<std::string> rows = WrapWords(text, width);
    if (rows.size() > kSlotLines) {
        rows.clear();
        for (std::size_t at = 0; at < text.size(); at += static_cast<std::size_t>(width)) {
            rows.push_back(text.substr(at, static_cast<std::size_t>(width)));
        }
    }
    rows.resize(std::min<std::size_t>(rows.size(), kSlotLines));
    return rows;
}

// A border line of the box's full width with its label at the left.
std::string Border(std::string label, int width) {
    label.resize(static_cast<std::size_t>(width - 1), '-');
    return label + "+";
}

void Write(std::string& row, const LabelBox& box, const std::string& text) {
    row.replace(static_cast<std::size_t>(box.x), text.size(), text);
}

class Grid {
public:
    Grid(const ScopeState& state, int columns, int rows)
        : state(state), columns(columns), rows(rows),
          cells(static_cast<std::size_t>(rows),
                std::string(static_cast<std::size_t>(columns), ' ')),
          placer({0, 0, static_cast<double>(columns), static_cast<double>(rows)},
                 {1, 0, {0}, true}) {
        DrawAxes();
        DrawTraffic();
    }

    const std::vector<std::string>& Cells() const { return cells; }
    // "3 EZY8692-03v": aircraft whose label found no room beside them, numbered on the grid.
    const std::vector<std::string>& Numbered() const { return numbered; }

private:
    char& Cell(int column, int row) {
        return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }

    void DrawAxes() {
        const int centreColumn = columns / 2, centreRow = rows / 2;
        for (int i = -kTicksPerHalf; i <= kTicksPerHalf; ++i) {
            Cell(centreColumn + i * centreColumn / kTicksPerHalf, centreRow) = '.';
            Cell(centreColumn, centreRow + i * centreRow / kTicksPerHalf) = '.';
        }
        Cell(centreColumn, centreRow) = '@';
        placer.AddSymbol({static_cast<double>(centreColumn), static_cast<double>(centreRow), 1, 1});
    }

    void DrawTraffic() {
        const std::vector<int> inView = TrafficInView(state);
        std::vector<int> symbols;
        for (int index : inView) {
            const AircraftRecord& record = state.publication->aircraft[index];
            int column = 0, row = 0;
            ScopeCell(state.own, record.latitude, record.longitude, columns, rows, column, row);
            symbols.push_back(
                placer.AddSymbol({static_cast<double>(column), static_cast<double>(row), 1, 1}));
        }
        // The most important symbol of a shared cell is drawn last, on top.
        for (std::size_t i = inView.size(); i-- > 0;) {
            const AircraftRecord& record = state.publication->aircraft[inView[i]];
            int column = 0, row = 0;
            ScopeCell(state.own, record.latitude, record.longitude, columns, rows, column, row);
            Cell(column, row) = TrafficSymbol(record.baroAltitude, state.ownAltitudeFt);
        }
        for (std::size_t i = 0; i < inView.size(); ++i) {
            Label(symbols[i],
                  TrafficLabel(state.publication->aircraft[inView[i]], state.ownAltitudeFt));
        }
    }

    void Label(int symbol, const std::string& label) {
        LabelPlacement placement{};
        if (placer.Place(symbol, static_cast<double>(label.size()), 1, placement)) {
            Write(cells[static_cast<std::size_t>(placement.box.y)], placement.box, label);
            return;
        }
        const std::string number = std::to_string(numbered.size() + 1);
        numbered.push_back(number + " " + label);
        if (placer.Place(symbol, static_cast<double>(number.size()), 1, placement)) {
            Write(cells[static_cast<std::size_t>(placement.box.y)], placement.box, number);
        }
    }

    const ScopeState& state;
    int columns;
    int rows;
    std::vector<std::string> cells;
    LabelPlacer placer;
    std::vector<std::string> numbered;
};

// The status, the key, the legend and the numbered labels, in `rows` lines of `width`.
std::vector<std::string> Panel(const ScopeState& state, const Grid& grid, int width, int rows) {
    std::vector<std::string> texts = {state.simulationState == kSimulationEnding
                                          ? "corvane-sim: simulation ending"
                                          : "corvane-sim: q quits"};
    for (const std::string& line : StatusLines(state)) {
        texts.push_back(line);
    }
    texts.emplace_back();
    for (const LegendEntry& entry : kLegend) {
        texts.push_back(std::string(entry.symbol) + " " + entry.meaning);
    }
    for (const std::string& line : RangeLines(state)) {
        texts.push_back(line);
    }
    std::vector<std::string> lines;
    for (const std::string& text : texts) {
        for (const std::string& line : WrapWords(text, width)) {
            lines.push_back(line);
        }
    }
    const std::vector<std::string>& numbered = grid.Numbered();
    const std::size_t room =
        static_cast<std::size_t>(rows) - std::min<std::size_t>(lines.size(), rows);
    for (std::size_t i = 0; i < numbered.size() && i < room; ++i) {
        const bool last = i + 1 == room && numbered.size() > room;
        lines.push_back(last ? Format("+%d more", static_cast<int>(numbered.size() - i))
                             : numbered[i].substr(0, static_cast<std::size_t>(width)));
    }
    lines.resize(static_cast<std::size_t>(rows));
    return lines;
}
} // namespace

bool ScopeCell(const OwnShipFix& own, double latitude, double longitude, int columns, int rows,
               int& column, int& row) {
    double east = 0, north = 0;
    if (!ScopeOffset(own, latitude, longitude, east, north)) {
        return false;
    }
    const int centreColumn = columns / 2, centreRow = rows / 2;
    column =
        centreColumn + static_cast<int>(std::lround(std::clamp(east, -1.0, 1.0) * centreColumn));
    row = centreRow - static_cast<int>(std::lround(std::clamp(north, -1.0, 1.0) * centreRow));
    return true;
}

std::vector<std::string> RenderScope(const ScopeState& state, int columns, int rows) {
    const int width = std::max(columns, kScopeMinColumns) - 1;
    std::vector<std::string> below;
    for (const std::string& slot : SlotLines(state)) {
        for (const std::string& row : SlotRows(slot, width)) {
            below.push_back(row);
        }
    }
    const int gridRows = Odd(std::max(rows, kScopeMinRows) - static_cast<int>(below.size()) - 2);
    const int gridColumns = Odd(width - kScopePanelWidth - 3);
    const Grid grid(state, gridColumns, gridRows);
    const std::vector<std::string> panel = Panel(state, grid, kScopePanelWidth, gridRows + 2);

    const OwnShipFix& own = state.own;
    std::vector<std::string> lines = {
        Border(Format("+-- N %.2f ", own.latitude + kScopeHalfSize), gridColumns + 2)};
    for (const std::string& cells : grid.Cells()) {
        lines.push_back("|" + cells + "|");
    }
    lines.push_back(Border(Format("+-- S %.2f -- W %.2f -- E %.2f ", own.latitude - kScopeHalfSize,
                                  own.longitude - kScopeHalfSize, own.longitude + kScopeHalfSize),
                           gridColumns + 2));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i] += " " + panel[i];
    }
    lines.insert(lines.end(), below.begin(), below.end());

    lines.resize(std::min<std::size_t>(lines.size(), static_cast<std::size_t>(std::max(rows, 1))));
    for (std::string& line : lines) {
        line.resize(
            std::min<std::size_t>(line.size(), static_cast<std::size_t>(std::max(columns - 1, 1))));
        line.erase(line.find_last_not_of(' ') + 1);
    }
    return lines;
}
