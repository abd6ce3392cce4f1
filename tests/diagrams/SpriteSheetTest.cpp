// The sprite sheet: its glyphs pixel by pixel, its palette and its tile map.
// (The diagrams draw from it as a bitmap; their tests see its glyphs.)
#include "res/Sprites.h"
#include "tests/diagrams/DiagramTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);

using qxdiagramtest::kClosedLoopPoleShape;
using qxdiagramtest::kPoleShape;
using qxdiagramtest::kTransmissionZeroShape;

// The zero glyph is a ring with light-grey ('+') corners.
const char* const kZero[7] = {"..###..", ".##+##.", "##...##", "#+...+#",
                              "##...##", ".##+##.", "..###.."};

void ExpectGlyph(int x, int y, const char* const rows[], int size, COLORREF ink,
                 const std::string& what) {
  for (int j = 0; j < size; ++j)
    for (int i = 0; i < size; ++i) {
      const char c = rows[j][i];
      const COLORREF expected = c == '#' ? ink : c == '+' ? kLightGrey : kWhite;
      EXPECT_EQ(SpriteSheetPixel(x + i, y + j), expected) << what << " at " << i << "," << j;
    }
}

TEST(SpriteSheet, RootLocusGlyphsArePixelExact) {
  const struct {
    const char* block;
    int group;
    COLORREF ink;
  } blocks[] = {{"P", 0, RGB(128, 128, 128)},
                {"K", 1, RGB(128, 0, 0)},
                {"G", 2, RGB(0, 128, 0)},
                {"L", 3, RGB(128, 128, 128)},
                {"F", 4, RGB(128, 0, 128)}};
  for (const auto& b : blocks) {
    ExpectGlyph(0, 7 * b.group, kPoleShape, 7, b.ink, std::string("pole of ") + b.block);
    ExpectGlyph(7, 7 * b.group, kZero, 7, b.ink, std::string("zero of ") + b.block);
  }
  ExpectGlyph(0, 42, kClosedLoopPoleShape, 7, RGB(0, 128, 128), "closed-loop pole");
  ExpectGlyph(7, 42, kTransmissionZeroShape, 7, RGB(0, 128, 128), "transmission zero");
}

TEST(SpriteSheet, FrequencyGlyphsArePixelExact) {
  const char* const plus3[3] = {".#.", "###", ".#."};
  const char* const plus5[5] = {"..#..", "..#..", "#####", "..#..", "..#.."};
  const char* const disc[5] = {".###.", "#####", "#####", "#####", ".###."};
  ExpectGlyph(0, 132, plus3, 3, RGB(0, 0, 0), "3 x 3 plus");
  ExpectGlyph(0, 127, plus5, 5, RGB(0, 0, 0), "5 x 5 plus");
  ExpectGlyph(5, 132, disc, 5, RGB(0, 128, 0), "node disc");
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
