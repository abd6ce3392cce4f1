// Fractions: centring, the bar rules and the caret walk.
#include "MC/MC_GROUP.h"
#include "MC/Mc_division.h"
#include "McTestSupport.h"

using namespace mctest;

using DivisionLayout = LayoutFixture;

// H = 20, ascent 16: the baseline lies 2 pixels below the axis under the
// numerator and both parts are centred on the wider one. Parts 60 pixels high
// together keep the thin bar, 61 get the 2-pixel bar; a fraction over 63
// pixels grows one pixel and two columns. The bar is drawn t rows thick
// between the parts.
TEST_F(DivisionLayout, CentringAndTheBar) {
  const struct {
    int numW, numH, denW, denH;
    int thickness, height, width, numX, denX;
  } rows[] = {
      {30, 20, 11, 20, 1, 43, 30, 0, 10},
      {30, 30, 30, 30, 1, 63, 30, 0, 0},
      {30, 30, 11, 31, 2, 65, 32, 1, 11},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.numH) + "+" + std::to_string(row.denH));
    CMcDivision f(Box(row.numW, row.numH, 16), Box(row.denW, row.denH, 16), 0);
    f.Layout(nullptr, 0);
    EXPECT_EQ(f.m_baseline, row.numH + 16 - 10 + 2);
    EXPECT_EQ(f.BarThickness(), row.thickness);
    EXPECT_EQ(f.m_box.height, row.height);
    EXPECT_EQ(f.m_box.width, row.width);
    EXPECT_EQ(f.m_children[0]->m_box.x, row.numX);
    EXPECT_EQ(f.m_children[1]->m_box.x, row.denX);
    EXPECT_EQ(f.m_children[1]->m_box.y, row.height - row.denH);
    Canvas canvas(60, 100);
    f.Draw(canvas.dc(), 0, 0);
    std::vector<int> inkRows;
    for (int y = 0; y < 100; ++y)
      if (canvas.Ink(15, y)) inkRows.push_back(y);
    ASSERT_EQ(inkRows.size(), static_cast<size_t>(row.thickness));
    EXPECT_GT(inkRows[0], row.numH);  // between the parts
    EXPECT_LT(inkRows.back(), row.height - row.denH);
  }
}

TEST(Division, CaretReachesBothPartsAndTerminates) {
  CMcBasic* num = Box(1, 1, 1);
  CMcBasic* den = Box(1, 1, 1);
  auto* f = new CMcDivision(num, den, 0);
  CMcGroup group(f, "", 0);
  const Stops right = {{f, 0}, {num, 0}, {num, 1}, {f, 1}};
  EXPECT_EQ(WalkCaret(f, 0, kMcRight), right);
  EXPECT_EQ(WalkCaret(f, 1, kMcLeft), Reversed(right));
  EXPECT_EQ(WalkCaret(num, 1, kMcDown), (Stops{{num, 1}, {den, 1}}));
  EXPECT_EQ(WalkCaret(den, 0, kMcUp), (Stops{{den, 0}, {num, 0}}));
  EXPECT_EQ(WalkCaret(f, 0, kMcDown), (Stops{{f, 0}, {den, 0}}));
  EXPECT_EQ(WalkCaret(den, 0, kMcRight), (Stops{{den, 0}, {den, 1}, {f, 1}}));
}
