// Settings read from the profile, the font tables, pens, brushes and colours.
#include "GlobalResources.h"
#include "platform/core/Profile.h"
#include "platform/gdi/Gdi.h"
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
  void SetUp() override {
    m_savedSettings = g_nDisplaySettings;
    m_savedSnap = g_dSnapTolerance;
  }
  void TearDown() override {
    FreeGlobalResources();
    std::filesystem::remove(QxProfile::GetPath());
    g_nDisplaySettings = m_savedSettings;
    g_dSnapTolerance = m_savedSnap;
  }

 private:
  int m_savedSettings = 0;
  double m_savedSnap = 0.0;
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
      {"FontSize=3\n", 3, 15, 1.01e-15, 22},
      {"FontSize=5\n", 2, 15, 1.01e-15, 15},
      {"FontSize=-1\n", 2, 15, 1.01e-15, 15},
      {"FontSize=4\nRealFix=2\n", 4, 2, 1.01e-15, 30},
      {"RealFix=0\n", 1, 2, 1.01e-15, 11},
      {"RealFix=1\n", 1, 2, 1.01e-15, 11},
      {"RealFix=20\n", 1, 15, 1.01e-15, 11},
      {"RealToIntegerSnap=27\n", 1, 15, 0.0, 11},
      {"RealToIntegerSnap=40\n", 1, 15, 0.0, 11},
      {"RealToIntegerSnap=-3\n", 1, 15, 1.01, 11},
      {"RealToIntegerSnap=21\n", 1, 15, 1.01e-50, 11},
      {"RealToIntegerSnap=5\n", 1, 15, 1.01e-5, 11},
      {"FontSize=two\n", 1, 15, 1.01e-15, 11},  // not a number: the default
  };
  for (const auto& c : cases) {
    Load(c.ini);
    EXPECT_EQ((g_nDisplaySettings >> 8) & 7, c.fontSize) << c.ini;
    EXPECT_EQ((g_nDisplaySettings >> 2) & 31, c.realFix) << c.ini;
    EXPECT_EQ(g_dSnapTolerance, c.snap) << c.ini;
    EXPECT_EQ(g_nDisplaySettings & 1, 0) << c.ini;
    for (int f = 0; f < kFontSymbolLarge; ++f) EXPECT_EQ(g_fontHeight[f][1], c.height) << c.ini;
  }
}

TEST_F(ResourcesTest, FontsPensAndBrushesAreMadeAndFreed) {
  const bool wasFixed = QxFixedFontMetrics();
  QxSetFixedFontMetrics(true);
  Load("");  // default scale 0.75
  QxSetFixedFontMetrics(wasFixed);
  LOGFONT lf;
  g_fonts[kFontNumber][0]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 15);
  EXPECT_STREQ(lf.lfFaceName, "Times New Roman");
  g_fonts[kFontSymbolBoldItalic][2]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 7);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_STREQ(lf.lfFaceName, "Symbol");
  // Fixed metrics measure the ascent as 4/5 of the cell.
  EXPECT_EQ(g_fontAscent[kFontItalic][0], 12);
  EXPECT_EQ(g_fontAscent[kFontSymbolLarge][0], 24);
  ASSERT_TRUE(g_pMemDC && g_pMeasureDC && g_pMemBitmap);
  for (int width = 0; width < 4; ++width)
    for (int c = 0; c < 4; ++c) {
      LOGPEN lp;
      ASSERT_TRUE(g_pens[width][c]);
      g_pens[width][c]->GetLogPen(&lp);
      EXPECT_EQ(lp.lopnWidth.x, width);
      EXPECT_EQ(lp.lopnColor, g_nodeColors[c]);
    }
  EXPECT_EQ(g_pMeasureDC->GetTextAlign(), TA_BASELINE);
  EXPECT_EQ(g_pMeasureDC->GetBkMode(), TRANSPARENT);
  FreeGlobalResources();
  EXPECT_EQ(g_pMemDC, nullptr);
  EXPECT_EQ(g_fonts[0][0], nullptr);
  EXPECT_EQ(g_nodeBrushes[0], nullptr);
  FreeGlobalResources();  // a second call does nothing
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
  BITMAP after{};
  g_pMemBitmap->GetBitmap(&after);
  EXPECT_EQ(after.bmWidth, width);
  EXPECT_EQ(after.bmHeight, height);
  g_pMemDC->FillSolidRect(CRect(width - 3, height - 3, width, height), RGB(255, 0, 0));
  EXPECT_EQ(g_pMemDC->GetPixel(width - 1, height - 1), RGB(255, 0, 0));
}

TEST_F(ResourcesTest, SecondInitKeepsChangedDefaults) {
  Load("");
  g_nFreqSteps = 77;
  CDC* memDC = g_pMemDC;
  InitGlobalResources();
  EXPECT_EQ(g_nFreqSteps, 77);
  EXPECT_EQ(g_pMemDC, memDC);
  g_nFreqSteps = 200;
}

TEST_F(ResourcesTest, PlaceholderPatternsDotInTheirColours) {
  Load("");
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(&dc, 8, 8);
  dc.SelectObject(&bitmap);
  const COLORREF ink[4] = {RGB(0, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255)};
  for (int c = 0; c < 4; ++c) {
    CRect all(0, 0, 8, 8);
    dc.FillRect(&all, g_nodeBrushes[c]);
    EXPECT_EQ(dc.GetPixel(0, 0), ink[c]) << c;
    EXPECT_EQ(dc.GetPixel(2, 0), ink[c]) << c;
    EXPECT_NE(dc.GetPixel(1, 0), ink[c]) << c;  // every other pixel of a row
  }
}

TEST(ColorIndex, ExpressionColours) {
  const std::pair<COLORREF, int> rows[] = {
      {RGB(0, 0, 0), 0},    {RGB(0, 0, 255), 1},  {RGB(255, 0, 0), 2},
      {RGB(0, 255, 0), 3},  {RGB(0, 0, 254), 3},  {RGB(255, 255, 255), 3},
      {g_nodeColors[0], 0}, {g_nodeColors[1], 1}, {g_nodeColors[2], 2}};
  for (const auto& [colour, index] : rows) EXPECT_EQ(ColorIndex(colour), index) << colour;
}

}  // namespace
