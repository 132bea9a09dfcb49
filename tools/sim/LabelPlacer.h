// Room for the labels of a picture's symbols: each label goes beside its symbol (right, left,
// the corners, above, below), then, where the picture allows it, farther out with a leader line
// back to the symbol, so that no label covers another label or symbol or leaves the frame. The
// terminal scope works in character cells, the SVG picture in pixels.
#pragma once

#include <vector>

struct LabelBox {
    double x;
    double y; // downwards
    double width;
    double height;
};

struct LabelSpacing {
    double gapX; // kept clear between a label and any other label or symbol
    double gapY;
    // Distances from a symbol to its label, nearest first; all but the first need a leader.
    std::vector<double> offsets;
    bool wholeUnits; // positions in whole cells
};

struct LabelPlacement {
    LabelBox box;
    bool leader; // away from its symbol: draw a line to it
};

class LabelPlacer {
public:
    LabelPlacer(const LabelBox& frame, const LabelSpacing& spacing);

    // A symbol that no label may cover; its number is the one Place takes.
    int AddSymbol(const LabelBox& symbol);
    // Finds the first free place for a label of the given size beside symbol `symbol` and keeps
    // it clear for the labels that follow. False when there is none.
    bool Place(int symbol, double width, double height, LabelPlacement& placement);

private:
    bool IsFree(const LabelBox& box, int symbol) const;

    LabelBox frame;
    LabelSpacing spacing;
    std::vector<LabelBox> symbols;
    std::vector<LabelBox> labels;
};
