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

int FontSizeIndex() {
  return (g_nDisplaySettings >> 8) & 7;
}
int RealFix() {
  return (g_nDisplaySettings >> 2) & 31;
}

TEST_F(ResourcesTest, SettingsAreClampedAsDocumented) {
  struct Case {
    const char* ini;
    int fontSize;
    int realFix;
    double snap;
  } cases[] = {
      {"", 1, 15, 1.01e-15},
      {"FontSize=5\n", 2, 15, 1.01e-15},
      {"FontSize=-1\n", 2, 15, 1.01e-15},
      {"FontSize=4\nRealFix=2\n", 4, 2, 1.01e-15},
      {"RealFix=0\n", 1, 2, 1.01e-15},
      {"RealFix=1\n", 1, 2, 1.01e-15},
      {"RealFix=20\n", 1, 15, 1.01e-15},
      {"RealToIntegerSnap=27\n", 1, 15, 0.0},
      {"RealToIntegerSnap=40\n", 1, 15, 0.0},
      {"RealToIntegerSnap=-3\n", 1, 15, 1.01},
      {"RealToIntegerSnap=21\n", 1, 15, 1.01e-50},
      {"RealToIntegerSnap=5\n", 1, 15, 1.01e-5},
      {"FontSize=two\n", 1, 15, 1.01e-15},  // not a number: the default
  };
  for (const Case& c : cases) {
    Load(c.ini);
    EXPECT_EQ(FontSizeIndex(), c.fontSize) << c.ini;
    EXPECT_EQ(RealFix(), c.realFix) << c.ini;
    EXPECT_EQ(g_dSnapTolerance, c.snap) << c.ini;
    EXPECT_EQ(g_nDisplaySettings & 1, 0) << c.ini;
  }
}

TEST_F(ResourcesTest, FontHeightsForEachScale) {
  // Base heights 20, 15, 10, 8 (family 10: 40, 30, 20, 16) times the scale, truncated.
  const int expected[5][2][4] = {
      {{10, 7, 5, 4}, {20, 15, 10, 8}},     {{15, 11, 7, 6}, {30, 22, 15, 12}},
      {{20, 15, 10, 8}, {40, 30, 20, 16}},  {{30, 22, 15, 12}, {60, 45, 30, 24}},
      {{40, 30, 20, 16}, {80, 60, 40, 32}},
  };
  for (int index = 0; index < 5; ++index) {
    Load("FontSize=" + std::to_string(index) + "\n");
    for (int level = 0; level < 4; ++level) {
      for (int f = 0; f < kFontSymbolLarge; ++f)
        EXPECT_EQ(g_fontHeight[f][level], expected[index][0][level]) << index << " " << f;
      EXPECT_EQ(g_fontHeight[kFontSymbolLarge][level], expected[index][1][level]) << index;
    }
  }
}

TEST_F(ResourcesTest, FontsAreMadeWithTheirFacesAndMeasured) {
  const bool wasFixed = QxFixedFontMetrics();
  QxSetFixedFontMetrics(true);
  Load("");  // default scale 0.75
  QxSetFixedFontMetrics(wasFixed);
  LOGFONT lf;
  ASSERT_TRUE(g_fonts[kFontNumber][0]);
  g_fonts[kFontNumber][0]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 15);
  EXPECT_EQ(lf.lfWidth, 15 / 5 + 2);
  EXPECT_EQ(lf.lfWeight, 100);
  EXPECT_STREQ(lf.lfFaceName, "Times New Roman");
  g_fonts[kFontSymbolBoldItalic][2]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 7);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_STREQ(lf.lfFaceName, "Symbol");
  g_fonts[kFontSymbolLarge][0]->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 30);
  // Fixed metrics measure the ascent as 4/5 of the cell.
  EXPECT_EQ(g_fontAscent[kFontItalic][0], 12);
  EXPECT_EQ(g_fontAscent[kFontSymbolLarge][0], 24);
}

TEST_F(ResourcesTest, PensBrushesAndContextsExistUntilFreed) {
  Load("");
  ASSERT_TRUE(g_pMemDC && g_pMeasureDC && g_pMemBitmap);
  for (int width = 0; width < 4; ++width) {
    for (int c = 0; c < 4; ++c) {
      LOGPEN lp;
      ASSERT_TRUE(g_pens[width][c]);
      g_pens[width][c]->GetLogPen(&lp);
      EXPECT_EQ(lp.lopnWidth.x, width);
      EXPECT_EQ(lp.lopnColor, g_nodeColors[c]);
    }
  }
  for (CBrush* brush : g_nodeBrushes) {
    ASSERT_TRUE(brush);
    EXPECT_EQ(brush->GetObjectType(), OBJ_BRUSH);
  }
  EXPECT_EQ(g_pMeasureDC->GetTextAlign(), TA_BASELINE);
  EXPECT_EQ(g_pMeasureDC->GetBkMode(), TRANSPARENT);
  EXPECT_EQ(g_pMemDC->GetTextColor(), RGB(0, 0, 0));
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
  EXPECT_EQ(ColorIndex(RGB(0, 0, 0)), 0);
  EXPECT_EQ(ColorIndex(RGB(0, 0, 255)), 1);
  EXPECT_EQ(ColorIndex(RGB(255, 0, 0)), 2);
  EXPECT_EQ(ColorIndex(RGB(0, 255, 0)), 3);
  EXPECT_EQ(ColorIndex(RGB(0, 0, 254)), 3);
  EXPECT_EQ(ColorIndex(RGB(255, 255, 255)), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ColorIndex(g_nodeColors[i]), i);
}

}  // namespace
