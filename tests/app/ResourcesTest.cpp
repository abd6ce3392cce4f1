// Settings read from the profile, the font tables, pens, brushes and colours.
#include "GlobalResources.h"
#include "platform/core/Profile.h"
#include "platform/gdi/Gdi.h"
#include "tests/support/Canvas.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Writes the "Settings" section of the profile as a file, then makes the
// resources afresh; frees them and removes the file at the end.
class ResourcesTest : public ::testing::Test {
 protected:
  void Load(const std::string& settings) {
    QxProfile::SetRegistryKey("Plenthoria");
    const std::string path = QxProfile::GetPath();
    ASSERT_EQ(path.rfind(qxtest::TempRoot(), 0), 0u) << path;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "[Settings]\n" << settings;
    FreeGlobalResources();
    InitGlobalResources();
  }
  void TearDown() override {
    FreeGlobalResources();
    std::filesystem::remove(QxProfile::GetPath());
    g_nDisplaySettings = m_savedSettings;
    g_dSnapTolerance = m_savedSnap;
  }

 private:
  const int m_savedSettings = g_nDisplaySettings;
  const double m_savedSnap = g_dSnapTolerance;
};

// The font size index picks the scale of every font: 0.5, 0.75, 1, 1.5 or 2
// times the base heights 20, 15, 10, 8 (truncated).
TEST_F(ResourcesTest, SettingsAreClampedAsDocumented) {
  const struct {
    const char* ini;
    int fontSize, realFix;
    double snap;
    int height;  // of the second size level
  } cases[] = {
      {"", 1, 15, 1.01e-15, 11},
      {"FontSize=0\n", 0, 15, 1.01e-15, 7},
      {"FontSize=5\n", 2, 15, 1.01e-15, 15},
      {"FontSize=-1\n", 2, 15, 1.01e-15, 15},
      {"FontSize=4\nRealFix=2\n", 4, 2, 1.01e-15, 30},
      {"RealFix=0\n", 1, 2, 1.01e-15, 11},
      {"RealFix=20\n", 1, 15, 1.01e-15, 11},
      {"RealToIntegerSnap=40\n", 1, 15, 0.0, 11},
      {"RealToIntegerSnap=-3\n", 1, 15, 1.01, 11},
      {"RealToIntegerSnap=5\n", 1, 15, 1.01e-5, 11},
      {"FontSize=two\n", 1, 15, 1.01e-15, 11},  // not a number: the default
  };
  for (const auto& c : cases) {
    Load(c.ini);
    EXPECT_EQ(g_nDisplaySettings, DisplaySettings(c.fontSize, c.realFix)) << c.ini;
    EXPECT_EQ(g_dSnapTolerance, c.snap) << c.ini;
    for (int f = 0; f < kFontSymbolLarge; ++f) EXPECT_EQ(g_fontHeight[f][1], c.height) << c.ini;
  }
}

// Made once: a second start keeps the settings changed since, and freeing
// twice is harmless.
TEST_F(ResourcesTest, FontsPensAndBrushesAreMadeOnceAndFreed) {
  {
    qxtest::FixedMetrics fixed;
    Load("");  // default scale 0.75
  }
  LOGFONT lf;
  g_fonts[kFontSymbolBoldItalic][2]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 7);
  EXPECT_STREQ(lf.lfFaceName, "Symbol");
  EXPECT_EQ(g_fontAscent[kFontSymbolLarge][0], 24);  // fixed metrics: 4/5 of the cell
  LOGPEN lp;
  g_pens[3][2]->GetLogPen(&lp);
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, g_nodeColors[2]);
  g_nFreqSteps = 77;
  CDC* memDC = g_pMemDC;
  InitGlobalResources();
  EXPECT_EQ(g_nFreqSteps, 77);
  EXPECT_EQ(g_pMemDC, memDC);
  g_nFreqSteps = 200;
  FreeGlobalResources();
  EXPECT_EQ(g_pMemDC, nullptr);
  EXPECT_EQ(g_fonts[0][0], nullptr);
  EXPECT_EQ(g_nodeBrushes[0], nullptr);
  FreeGlobalResources();
}

// A window larger than the screen still draws whole: the shared bitmap grows
// to it and the context keeps drawing where it did.
TEST_F(ResourcesTest, SharedBitmapGrowsForALargerWindow) {
  Load("");
  BITMAP before{};
  g_pMemBitmap->GetBitmap(&before);
  const int width = before.bmWidth + 300, height = before.bmHeight + 200;
  EXPECT_TRUE(EnsureMemBitmapSize(before.bmWidth / 2, 10));  // smaller: nothing changes
  ASSERT_TRUE(EnsureMemBitmapSize(width, height));
  g_pMemDC->FillSolidRect(CRect(width - 3, height - 3, width, height), RGB(255, 0, 0));
  EXPECT_EQ(g_pMemDC->GetPixel(width - 1, height - 1), RGB(255, 0, 0));
}

// The expression placeholders' brushes dot every other pixel in their colour.
TEST_F(ResourcesTest, PlaceholderPatternsDotInTheirColours) {
  Load("");
  qxtest::Canvas canvas(8, 8);
  const COLORREF ink[4] = {RGB(0, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255)};
  for (int c = 0; c < 4; ++c) {
    canvas.dc()->FillRect(CRect(0, 0, 8, 8), g_nodeBrushes[c]);
    EXPECT_EQ(canvas.At(2, 0), ink[c]) << c;
    EXPECT_NE(canvas.At(1, 0), ink[c]) << c;
  }
}

TEST(ColorIndex, ExpressionColours) {
  const std::pair<COLORREF, int> rows[] = {{RGB(0, 0, 0), 0},   {RGB(0, 0, 255), 1},
                                           {RGB(255, 0, 0), 2}, {RGB(0, 255, 0), 3},
                                           {RGB(0, 0, 254), 3}, {RGB(255, 255, 255), 3}};
  for (const auto& [colour, index] : rows) EXPECT_EQ(ColorIndex(colour), index) << colour;
}

}  // namespace
