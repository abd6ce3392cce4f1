// Fonts: cell-height sizing, faces, the Symbol and Windows-1252 code pages,
// width stretch and point sizes.
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiInternal.h"

#include <QFontInfo>
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

TEST(GdiFont, FacesResolveToTheMetricCompatibleFamilies) {
  const struct {
    const char* face;
    const char* family;
  } rows[] = {{"Times New Roman", "Liberation Serif"},
              {"Arial", "Liberation Sans"},
              {"Courier New", "Liberation Mono"},
              {"Symbol", "Liberation Serif"}};
  for (const auto& row : rows) {
    LOGFONT lf;
    lf.lfHeight = 20;
    std::strcpy(lf.lfFaceName, row.face);
    auto resolved = qxgdi::ResolveFont(lf);
    EXPECT_EQ(QFontInfo(resolved->font).family().toStdString(), row.family) << row.face;
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

TEST(GdiFont, SymbolBytesUsedByFormulasMapToTheirSigns) {
  const struct {
    BYTE byte;
    char32_t expected;
  } rows[] = {{0x2D, 0x2212}, {0x2B, 0x002B}, {0xB1, 0x00B1}, {0x61, 0x03B1}, {0x44, 0x0394},
              {0x70, 0x03C0}, {0xB6, 0x2202}, {0xA5, 0x221E}, {0xC6, 0x2205}, {0xD1, 0x2207},
              {0xB4, 0x00D7}, {0xD7, 0x22C5}, {0xB7, 0x2022}, {0xF2, 0x222B}, {0xE5, 0x2211},
              {0xD5, 0x220F}, {0xCE, 0x2208}, {0xA3, 0x2264}, {0xB3, 0x2265}, {0xB9, 0x2260},
              {0xC2, 0x211C}, {0xC1, 0x2111}, {0x5E, 0x22A5}, {0xB5, 0x221D}, {0xDE, 0x21D2},
              {0xC8, 0x222A}, {0x40, 0x2245}, {0xE6, 0x239B}, {0xE7, 0x239C}, {0xE8, 0x239D},
              {0xEC, 0x23A7}, {0xED, 0x23A8}, {0xEE, 0x23A9}, {0xEF, 0x23AA}, {0xF6, 0x239E},
              {0xF7, 0x239F}, {0xF8, 0x23A0}, {0xFE, 0x23AD}, {0x80, 0},      {0x7F, 0},
              {0xFF, 0}};
  for (const auto& row : rows)
    EXPECT_EQ(static_cast<unsigned>(QxSymbolToUnicode(row.byte)),
              static_cast<unsigned>(row.expected))
        << std::hex << "byte 0x" << static_cast<int>(row.byte);
}

TEST(GdiFont, Windows1252HighControlsMapToTypographicCharacters) {
  // The published Windows-1252 table for 0x80..0x9F; the five unassigned bytes keep their value.
  const char32_t expected[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (int b = 0x80; b <= 0x9F; ++b)
    EXPECT_EQ(static_cast<unsigned>(QxWindows1252ToUnicode(static_cast<BYTE>(b))),
              static_cast<unsigned>(expected[b - 0x80]))
        << std::hex << b;
  for (int b : {0x20, 0x41, 0x7E, 0xA0, 0xB0, 0xE9, 0xFF})
    EXPECT_EQ(static_cast<int>(QxWindows1252ToUnicode(static_cast<BYTE>(b))), b);
}

TEST(GdiFont, SymbolTextMeasuresTheMappedCharacters) {
  FontDC symbol(20, 0, FW_NORMAL, 0, "Symbol");
  FontDC times(20, 0, FW_NORMAL, 0, "Times New Roman");
  // 'a' in the Symbol font is alpha, not the Latin letter.
  auto resolved = qxgdi::ResolveFont([] {
    LOGFONT lf;
    lf.lfHeight = 20;
    std::strcpy(lf.lfFaceName, "Symbol");
    return lf;
  }());
  EXPECT_EQ(qxgdi::DecodeText(*resolved, "a", 1), QString(QChar(0x03B1)));
  EXPECT_EQ(symbol.Metrics().tmHeight, times.Metrics().tmHeight);
}

}  // namespace
