// The sprite sheet: the shapes and colours of its glyphs, its palette and its
// tile map. (The diagrams draw from it as a bitmap; their tests see its glyphs.)
#include "res/Sprites.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using qxtest::kBlack;
using qxtest::kWhite;
constexpr COLORREF kLightGrey = RGB(192, 192, 192);

// Checks what a reader of a diagram relies on in a square glyph: only white,
// its ink and the allowed highlight; the same under mirroring and
// transposition (so it is centred on its point, and ink in its top row
// reaches every edge of its tile); and the centre, corner and top-middle
// pixels that tell a cross, a ring and a square apart. Gives the ink count.
struct GlyphShape {
  bool centre, corners, topMiddle;
};

int ExpectGlyph(const SpriteTile& tile, COLORREF ink, COLORREF highlight, GlyphShape shape,
                const std::string& what) {
  const int n = tile.cx, mid = n / 2;
  auto at = [&](int i, int j) { return SpriteSheetPixel(tile.x + i, tile.y + j); };
  int inked = 0, top = 0;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const COLORREF c = at(i, j);
      EXPECT_TRUE(c == kWhite || c == ink || c == highlight) << what << " at " << i << "," << j;
      EXPECT_TRUE(c == at(n - 1 - i, j) && c == at(i, n - 1 - j) && c == at(j, i))
          << what << ": symmetric at " << i << "," << j;
      inked += c == ink;
      top += c == ink && j == 0;
    }
  EXPECT_EQ(tile.cy, n) << what;
  EXPECT_GT(top, 0) << what << ": ink on every edge";
  EXPECT_EQ(at(mid, mid) == ink, shape.centre) << what << ": centre";
  EXPECT_EQ(at(0, 0) == ink, shape.corners) << what << ": corners";
  EXPECT_EQ(at(mid, 0) == ink, shape.topMiddle) << what << ": top middle";
  return inked;
}

// Poles of the blocks are crosses, their zeros rings with light-grey dots;
// closed-loop poles are open squares, transmission zeros thick rings.
TEST(SpriteSheet, RootLocusGlyphsHaveTheirShapeAndTheirGroupsColour) {
  const GlyphShape kCross{true, false, false}, kRing{false, false, true},
      kSquare{false, true, true};
  const struct {
    const char* group;
    int index;
    COLORREF ink;
  } groups[] = {{"P", 0, RGB(128, 128, 128)}, {"K", 1, RGB(128, 0, 0)},
                {"G", 2, RGB(0, 128, 0)},     {"L", 3, RGB(128, 128, 128)},
                {"F", 4, RGB(128, 0, 128)},   {"closed loop", 6, RGB(0, 128, 128)}};
  for (const auto& g : groups) {
    const bool closedLoop = g.index == kSpriteClosedLoopGroup;
    ExpectGlyph(SpriteRootGlyph(g.index, true), g.ink, g.ink, closedLoop ? kSquare : kCross,
                std::string("pole of ") + g.group);
    ExpectGlyph(SpriteRootGlyph(g.index, false), g.ink, closedLoop ? g.ink : kLightGrey, kRing,
                std::string("zero of ") + g.group);
  }
}

// The frequency diagrams' ticks are black pluses (the middle row and, by
// symmetry, the middle column), their nodes dark-green discs (all but the corners).
TEST(SpriteSheet, FrequencyGlyphsArePlusesAndADisc) {
  const GlyphShape kFilledMiddle{true, false, true};
  for (const SpriteTile& plus : {kSpriteTickPlus3, kSpriteTickPlus5}) {
    const std::string what = "plus " + std::to_string(plus.cx);
    EXPECT_EQ(ExpectGlyph(plus, kBlack, kBlack, kFilledMiddle, what), 2 * plus.cx - 1) << what;
    for (int i = 0; i < plus.cx; ++i)
      EXPECT_EQ(SpriteSheetPixel(plus.x + i, plus.y + plus.cy / 2), kBlack) << what << " " << i;
  }
  const COLORREF green = RGB(0, 128, 0);
  EXPECT_EQ(ExpectGlyph(kSpriteNodeDisc, green, green, kFilledMiddle, "node disc"), 5 * 5 - 4);
}

TEST(SpriteSheet, UsesOnlyTheSixteenColours) {
  const std::set<COLORREF> palette(std::begin(kSpritePalette), std::end(kSpritePalette));
  ASSERT_EQ(palette.size(), 16u);
  int stray = 0;
  for (int y = 0; y < kSpriteSheetHeight; ++y)
    for (int x = 0; x < kSpriteSheetWidth; ++x) stray += !palette.count(SpriteSheetPixel(x, y));
  EXPECT_EQ(stray, 0);
}

std::vector<std::pair<std::string, SpriteTile>> AllTiles() {
  std::vector<std::pair<std::string, SpriteTile>> tiles;
  auto add = [&](const std::string& name, SpriteTile t) { tiles.emplace_back(name, t); };
  for (int g : {0, 1, 2, 3, 4, 6}) {
    add("pole glyph " + std::to_string(g), SpriteRootGlyph(g, true));
    add("zero glyph " + std::to_string(g), SpriteRootGlyph(g, false));
  }
  add("plus 3", kSpriteTickPlus3);
  add("plus 5", kSpriteTickPlus5);
  add("node disc", kSpriteNodeDisc);
  for (int z = 0; z <= 5; ++z) add("element cell " + std::to_string(z), SpriteElementCell(z));
  for (int k = -1; k <= 5; ++k) add("signal row " + std::to_string(k), SpriteSignalRow(k));
  add("loop diagram", kSpriteLoopDiagram);
  for (int b = 0; b < 5; ++b) add("pressed block " + std::to_string(b), SpritePressedBlock(b));
  for (int i = 0; i < 4; ++i) add("pressed source " + std::to_string(i), SpritePressedSource(i));
  for (int i = 0; i < 6; ++i) add("mark " + std::to_string(i), kSpriteSignalMarks[i]);
  add("lamp off", kSpriteLampOff);
  add("lamp on", kSpriteLampOn);
  add("lamp off pressed", kSpriteLampOffPressed);
  add("lamp on pressed", kSpriteLampOnPressed);
  add("FindG on", kSpriteFindGSwitchOn);
  add("FindG off", kSpriteFindGSwitchOff);
  add("realtime on", kSpriteRealtimeSwitchOn);
  add("realtime off", kSpriteRealtimeSwitchOff);
  for (int b = 0; b < 3; ++b)
    add("pressed button " + std::to_string(b), SpritePressedLoopButton(b));
  add("sort row", kSpriteSortRow);
  for (int i = 0; i < 11; ++i) add("sort pressed " + std::to_string(i), kSpriteSortPressed[i]);
  add("population row", kSpritePopulationRow);
  for (int i = 0; i < 3; ++i)
    add("population pressed " + std::to_string(i), kSpritePopulationPressed[i]);
  add("record off", kSpriteRecordOff);
  add("record on", kSpriteRecordOn);
  add("record pressed", kSpriteRecordPressed);
  add("search row", kSpriteSearchRow);
  for (int i = 0; i < 2; ++i) add("search pressed " + std::to_string(i), kSpriteSearchPressed[i]);
  return tiles;
}

bool Overlap(const SpriteTile& a, const SpriteTile& b) {
  return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

TEST(SpriteSheet, TilesLieInsideTheSheetAndApart) {
  const auto tiles = AllTiles();
  for (const auto& [name, t] : tiles) {
    EXPECT_GE(t.x, 0) << name;
    EXPECT_GE(t.y, 0) << name;
    EXPECT_LE(t.x + t.cx, kSpriteSheetWidth) << name;
    EXPECT_LE(t.y + t.cy, kSpriteSheetHeight) << name;
  }
  for (size_t i = 0; i < tiles.size(); ++i)
    for (size_t j = i + 1; j < tiles.size(); ++j) {
      // The last element cell's bottom row is the plain signal row's top row;
      // both are the popups' light-grey background there.
      if (tiles[i].first == "element cell 5" && tiles[j].first == "signal row -1") continue;
      EXPECT_FALSE(Overlap(tiles[i].second, tiles[j].second))
          << tiles[i].first << " and " << tiles[j].first;
    }
  const SpriteTile cell = SpriteElementCell(5);
  for (int x = cell.x; x < cell.x + cell.cx; ++x)
    EXPECT_EQ(SpriteSheetPixel(x, cell.y + cell.cy - 1), kLightGrey) << x;
}

}  // namespace
