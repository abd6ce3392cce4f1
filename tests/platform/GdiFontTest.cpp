// Fonts: cell-height sizing, faces, the Symbol and Windows-1252 code pages,
// width stretch and point sizes.
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>
#include <gtest/gtest.h>

namespace {

// A memory context with the font made by the arguments selected.
struct FontDC {
  CDC dc;
  CFont font;
  CFont* old = nullptr;
  FontDC(int height, int width, int weight, BYTE italic, const char* face) {
    dc.CreateCompatibleDC(nullptr);
    font.CreateFont(height, width, 0, 0, weight, italic, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    old = dc.SelectObject(&font);
  }
  ~FontDC() { dc.SelectObject(old); }
  TEXTMETRIC Metrics() {
    TEXTMETRIC tm;
    dc.GetTextMetrics(&tm);
    return tm;
  }
};

TEST(GdiFont, PositiveHeightIsTheCellHeightForEachFace) {
  const char* faces[] = {"Times New Roman", "Arial", "Courier New", "Symbol"};
  for (const char* face : faces) {
    for (int italic = 0; italic <= 1; ++italic) {
      for (int h = 8; h <= 40; ++h) {
        FontDC f(h, 0, italic ? FW_BOLD : FW_NORMAL, static_cast<BYTE>(italic), face);
        TEXTMETRIC tm = f.Metrics();
        EXPECT_NEAR(tm.tmAscent + tm.tmDescent, h, 1)
            << face << " italic " << italic << " height " << h;
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_EQ(f.dc.GetTextExtent("x", 1).cy, tm.tmHeight);
      }
    }
  }
}

// The faces and styles the program's fonts use, each as a font of the given height.
struct FontStyle {
  const char* face;
  int weight;
  BYTE italic;
};
const FontStyle kStyles[] = {
    {"Times New Roman", FW_DONTCARE, 1},
    {"Times New Roman", FW_BOLD, 1},
    {"Times New Roman", FW_THIN, 0},
    {"Times New Roman", FW_BOLD, 0},
    {"Times New Roman", FW_DONTCARE, 0},
    {"Arial", FW_DONTCARE, 0},
    {"Arial", FW_BOLD, 0},
    {"Symbol", FW_DONTCARE, 1},
    {"Courier New", FW_DONTCARE, 0},
};

LOGFONT StyleFont(const FontStyle& style, int height) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = style.weight;
  lf.lfItalic = style.italic;
  std::strcpy(lf.lfFaceName, style.face);
  return lf;
}

// Metrics are taken without an engine of each size; they must be what the
// font's own engine reports, at every size.
TEST(GdiFont, MetricsAreThoseOfTheFontsOwnEngine) {
  for (const FontStyle& style : kStyles) {
    for (int size = 1; size <= 96; size += size < 40 ? 1 : 7) {
      auto resolved = qxgdi::ResolveFont(StyleFont(style, -size));
      ASSERT_EQ(resolved->font.pixelSize(), size);
      QFontMetrics fm(resolved->font);
      const std::string where = std::string(style.face) + " weight " +
                                std::to_string(style.weight) + " italic " +
                                std::to_string(style.italic) + " size " + std::to_string(size);
      EXPECT_EQ(resolved->ascent, fm.ascent()) << where;
      EXPECT_EQ(resolved->descent, fm.descent()) << where;
      EXPECT_EQ(resolved->externalLeading, std::max(0, fm.leading())) << where;
      EXPECT_EQ(resolved->aveCharWidth, fm.averageCharWidth()) << where;
      EXPECT_EQ(resolved->maxCharWidth, fm.maxWidth()) << where;
    }
  }
}

// A positive height picks, of all pixel sizes, the one whose cell (as the
// size's own engine measures it) comes closest to the height; of equally
// close ones a size that does not exceed it, the largest such.
TEST(GdiFont, PositiveHeightPicksTheSizeWhoseOwnCellIsClosest) {
  constexpr int kLargest = 40;
  for (const FontStyle& style : kStyles) {
    // Each size's cell from its own engine; a cell is never below the size.
    QFont font = qxgdi::ResolveFont(StyleFont(style, 20))->font;
    std::vector<int> cells(kLargest + 3);
    for (int size = 1; size < static_cast<int>(cells.size()); ++size) {
      font.setPixelSize(size);
      QFontMetrics fm(font);
      cells[size] = fm.ascent() + fm.descent();
    }
    for (int height = 2; height <= kLargest; ++height) {
      int best = 0, bestError = 1 << 30;
      for (int size = 1; size < static_cast<int>(cells.size()); ++size) {
        const int error = std::abs(cells[size] - height);
        if (error < bestError || (error == bestError && cells[size] <= height)) {
          best = size;
          bestError = error;
        }
      }
      EXPECT_EQ(qxgdi::ResolveFont(StyleFont(style, height))->font.pixelSize(), best)
          << style.face << " weight " << style.weight << " italic " << int(style.italic)
          << " height " << height;
    }
  }
}

TEST(GdiFont, NegativeHeightIsTheEmHeightAndPointsAreAtNinetySixDotsPerInch) {
  FontDC f(-20, 0, FW_NORMAL, 0, "Times New Roman");
  TEXTMETRIC tm = f.Metrics();
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20);
  EXPECT_GT(tm.tmInternalLeading, 0);
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(100, "Arial", &f.dc));
  LOGFONT lf;
  font.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -13);  // 10 pt * 96 / 72 rounded
}

// Symbol text is drawn from the same serif family, its bytes decoded through the
// Symbol code page: 'a' is alpha, not the Latin letter.
TEST(GdiFont, FacesResolveToTheMetricCompatibleFamilies) {
  const struct {
    const char* face;
    const char* family;
    char16_t a;
  } rows[] = {{"Times New Roman", "Liberation Serif", u'a'},
              {"Arial", "Liberation Sans", u'a'},
              {"Courier New", "Liberation Mono", u'a'},
              {"Symbol", "Liberation Serif", 0x03B1}};
  for (const auto& row : rows) {
    LOGFONT lf;
    lf.lfHeight = 20;
    std::strcpy(lf.lfFaceName, row.face);
    auto resolved = qxgdi::ResolveFont(lf);
    EXPECT_EQ(QFontInfo(resolved->font).family().toStdString(), row.family) << row.face;
    EXPECT_EQ(qxgdi::DecodeText(*resolved, "a", 1), QString(QChar(row.a))) << row.face;
  }
}

TEST(GdiFont, PositiveWidthIsTheAverageCharacterWidth) {
  FontDC natural(15, 0, FW_NORMAL, 0, "Times New Roman");
  FontDC narrow(15, 5, FW_THIN, 0, "Times New Roman");
  EXPECT_EQ(narrow.Metrics().tmAveCharWidth, 5);
  const char* text = "1234567890";
  int naturalWidth = natural.dc.GetTextExtent(text, 10).cx;
  int narrowWidth = narrow.dc.GetTextExtent(text, 10).cx;
  double ratio = 5.0 / natural.Metrics().tmAveCharWidth;
  EXPECT_NEAR(narrowWidth, naturalWidth * ratio, 2.0);
  EXPECT_EQ(narrow.Metrics().tmHeight, natural.Metrics().tmHeight);
}

// Every character the Symbol code page defines must be in one of the faces the
// layer draws Symbol text with, asked of the font files themselves.
TEST(GdiFont, EverySymbolCharacterIsInTheDrawingFonts) {
  const char* families[] = {"Liberation Serif", "DejaVu Serif", "DejaVu Sans"};
  LOGFONT lf;
  lf.lfHeight = 20;
  std::strcpy(lf.lfFaceName, "Symbol");
  qxgdi::ResolveFont(lf);  // makes sure the faces are loaded
  std::vector<QRawFont> fonts;
  for (const char* family : families) {
    QFont f(family);
    f.setPixelSize(20);
    QRawFont raw = QRawFont::fromFont(f);
    ASSERT_TRUE(raw.isValid()) << family;
    ASSERT_EQ(raw.familyName().toStdString(), family);
    fonts.push_back(raw);
  }
  int defined = 0;
  for (int b = 0x20; b <= 0xFE; ++b) {
    char32_t c = QxSymbolToUnicode(static_cast<BYTE>(b));
    if (c == 0) continue;
    ++defined;
    bool found = false;
    for (const QRawFont& raw : fonts) found = found || raw.supportsCharacter(static_cast<uint>(c));
    EXPECT_TRUE(found) << std::hex << "byte 0x" << b << " U+" << static_cast<unsigned>(c);
  }
  EXPECT_GE(defined, 185);
}

// Spot checks of the published tables, one of each kind: a sign that differs
// from ASCII, Greek, a bracket piece, the last byte, undefined bytes; the
// Windows-1252 bytes 0x80..0x9F, whose unassigned bytes keep their value.
TEST(GdiFont, CodePagesMapToTheirUnicodeCharacters) {
  const std::pair<BYTE, char32_t> symbol[] = {{0x2D, 0x2212}, {0x2B, 0x002B}, {0x61, 0x03B1},
                                              {0x44, 0x0394}, {0xA5, 0x221E}, {0xF2, 0x222B},
                                              {0x40, 0x2245}, {0xE6, 0x239B}, {0xFE, 0x23AD},
                                              {0x80, 0},      {0x7F, 0},      {0xFF, 0}};
  for (auto [byte, expected] : symbol)
    EXPECT_EQ(static_cast<unsigned>(QxSymbolToUnicode(byte)), static_cast<unsigned>(expected))
        << std::hex << "Symbol 0x" << static_cast<int>(byte);
  const std::pair<BYTE, char32_t> ansi[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x92, 0x2019},
                                            {0x96, 0x2013}, {0x9F, 0x0178}, {0x20, 0x0020},
                                            {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
  for (auto [byte, expected] : ansi)
    EXPECT_EQ(static_cast<unsigned>(QxWindows1252ToUnicode(byte)), static_cast<unsigned>(expected))
        << std::hex << "Windows-1252 0x" << static_cast<int>(byte);
}

}  // namespace
