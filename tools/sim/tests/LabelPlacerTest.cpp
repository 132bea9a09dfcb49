#include "tools/sim/LabelPlacer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {
// Character cells: one blank column between labels, none needed between rows.
const LabelSpacing kCells{1, 0, {0}, true};

bool Overlap(const LabelBox& a, const LabelBox& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(LabelPlacer, GoesRightOfItsSymbolWhenThereIsRoom) {
    LabelPlacer placer({0, 0, 40, 9}, kCells);
    const int symbol = placer.AddSymbol({10, 4, 1, 1});
    LabelPlacement placement{};
    ASSERT_TRUE(placer.Place(symbol, 5, 1, placement));
    EXPECT_EQ(placement.box.x, 11);
    EXPECT_EQ(placement.box.y, 4);
    EXPECT_FALSE(placement.leader);
}

TEST(LabelPlacer, TriesTheOtherSidesBeforeGivingUp) {
    LabelPlacer placer({0, 0, 40, 9}, kCells);
    // At the right edge: left of the symbol.
    const int edge = placer.AddSymbol({39, 4, 1, 1});
    const int open = placer.AddSymbol({39, 7, 1, 1});
    const int blocked = placer.AddSymbol({33, 7, 1, 1});
    LabelPlacement placement{};
    ASSERT_TRUE(placer.Place(edge, 5, 1, placement));
    EXPECT_EQ(placement.box.x, 34);
    EXPECT_EQ(placement.box.y, 4);
    // Left of it another symbol would touch the label: the row above, to the left.
    ASSERT_TRUE(placer.Place(open, 5, 1, placement));
    EXPECT_EQ(placement.box.x, 34);
    EXPECT_EQ(placement.box.y, 6);
    EXPECT_FALSE(placement.leader);
    // A short one fits between its symbol and the next.
    ASSERT_TRUE(placer.Place(blocked, 3, 1, placement));
    EXPECT_EQ(placement.box.x, 34);
    EXPECT_EQ(placement.box.y, 7);
}

TEST(LabelPlacer, KeepsAColumnBetweenLabelsOnARow) {
    LabelPlacer placer({0, 0, 40, 1}, kCells);
    const int a = placer.AddSymbol({0, 0, 1, 1});
    const int b = placer.AddSymbol({8, 0, 1, 1});
    LabelPlacement first{}, second{};
    ASSERT_TRUE(placer.Place(a, 6, 1, first)); // cells 1 to 6, then the gap at 7
    ASSERT_TRUE(placer.Place(b, 6, 1, second));
    EXPECT_EQ(second.box.x, 9);
    const int c = placer.AddSymbol({22, 0, 1, 1});
    LabelPlacement third{};
    // Right: the frame ends; left: it would touch b's label.
    EXPECT_FALSE(placer.Place(c, 20, 1, third));
}

TEST(LabelPlacer, FartherOutOnlyWithALeader) {
    LabelPlacer placer({0, 0, 200, 200}, {2, 2, {2, 20}, false});
    const int centre = placer.AddSymbol({95, 95, 10, 10});
    // Neighbours close all round take every side near the symbol.
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) {
                placer.AddSymbol({95.0 + dx * 14, 95.0 + dy * 14, 10, 10});
            }
        }
    }
    LabelPlacement placement{};
    ASSERT_TRUE(placer.Place(centre, 30, 12, placement));
    EXPECT_TRUE(placement.leader);
}

// Crowds of every density: whatever is placed stays in the frame and clear of every other
// label and symbol.
TEST(LabelPlacer, CrowdsNeverOverlap) {
    std::mt19937 random(7);
    for (int crowd : {5, 40, 150}) {
        const LabelBox frame{0, 0, 45, 19};
        LabelPlacer placer(frame, kCells);
        std::vector<LabelBox> symbols;
        std::uniform_int_distribution<int> column(0, 44), row(0, 18), length(3, 13);
        for (int i = 0; i < crowd; ++i) {
            symbols.push_back(
                {static_cast<double>(column(random)), static_cast<double>(row(random)), 1, 1});
            placer.AddSymbol(symbols.back());
        }
        std::vector<LabelBox> labels;
        for (int i = 0; i < crowd; ++i) {
            LabelPlacement placement{};
            if (placer.Place(i, length(random), 1, placement)) {
                labels.push_back(placement.box);
            }
        }
        EXPECT_GT(labels.size(), 0u);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const LabelBox& a = labels[i];
            EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= frame.width &&
                        a.y + a.height <= frame.height);
            for (std::size_t j = i + 1; j < labels.size(); ++j) {
                const LabelBox& b = labels[j];
                EXPECT_FALSE(Overlap({a.x - 1, a.y, a.width + 2, a.height}, b)) << crowd;
            }
            for (const LabelBox& symbol : symbols) {
                EXPECT_FALSE(Overlap(a, symbol)) << crowd;
            }
        }
    }
}
} // namespace
