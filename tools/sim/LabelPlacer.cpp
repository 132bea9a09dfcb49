#include "tools/sim/LabelPlacer.h"

#include <cmath>

namespace {
// Sides of the symbol in the order they are tried: along the line of reading first.
constexpr struct {
    int x;
    int y;
} kSides[] = {{1, 0}, {-1, 0}, {1, -1}, {1, 1}, {-1, -1}, {-1, 1}, {0, -1}, {0, 1}};

// Start of a label of `length` on one side (-1 before, 0 centred, 1 after) of the stretch
// from `start` of `extent`.
double Beside(int side, double start, double extent, double length, double offset) {
    if (side > 0) {
        return start + extent + offset;
    }
    if (side < 0) {
        return start - offset - length;
    }
    return start + (extent - length) / 2;
}

bool Overlap(const LabelBox& a, const LabelBox& b, double gapX, double gapY) {
    return a.x < b.x + b.width + gapX && b.x < a.x + a.width + gapX &&
           a.y < b.y + b.height + gapY && b.y < a.y + a.height + gapY;
}
} // namespace

LabelPlacer::LabelPlacer(const LabelBox& frame, const LabelSpacing& spacing)
    : frame(frame), spacing(spacing) {}

int LabelPlacer::AddSymbol(const LabelBox& symbol) {
    symbols.push_back(symbol);
    return static_cast<int>(symbols.size()) - 1;
}

bool LabelPlacer::Place(int symbol, double width, double height, LabelPlacement& placement) {
    const LabelBox& at = symbols[static_cast<std::size_t>(symbol)];
    for (std::size_t distance = 0; distance < spacing.offsets.size(); ++distance) {
        const double offset = spacing.offsets[distance];
        for (const auto& side : kSides) {
            LabelBox box{Beside(side.x, at.x, at.width, width, offset),
                         Beside(side.y, at.y, at.height, height, offset), width, height};
            if (spacing.wholeUnits) {
                box.x = std::floor(box.x);
                box.y = std::floor(box.y);
            }
            if (IsFree(box, symbol)) {
                labels.push_back(box);
                placement = {box, distance > 0};
                return true;
            }
        }
    }
    return false;
}

bool LabelPlacer::IsFree(const LabelBox& box, int symbol) const {
    if (box.x < frame.x || box.y < frame.y || box.x + box.width > frame.x + frame.width ||
        box.y + box.height > frame.y + frame.height) {
        return false;
    }
    for (const LabelBox& label : labels) {
        if (Overlap(box, label, spacing.gapX, spacing.gapY)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        // The label's own symbol may touch it, but not lie under it.
        const bool own = static_cast<int>(i) == symbol;
        if (Overlap(box, symbols[i], own ? 0 : spacing.gapX, own ? 0 : spacing.gapY)) {
            return false;
        }
    }
    return true;
}
