// The text path's cache of resolved fonts and shaped texts: drawing and
// measuring through it give exactly what resolving and shaping every time
// gives, a repeated text is found instead of shaped again, and nothing stale
// answers after the metrics mode changes.
#include "platform/gdi/Fonts.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qxtest::Canvas;

struct TextRow {
  const char* name;
  const char* face;
  int height;
  int width;  // 0: the natural width; else stretched to this average width
  int escapement;
  BYTE italic;
  const char* text;
};

// Faces, sizes, stretch, rotation, Windows-1252 and Symbol bytes, and a text
// whose characters the Liberation faces lack (drawn with a fallback face).
const TextRow kTexts[] = {
    {"serif italic", "Times New Roman", 24, 0, 0, 1, "x_1 + 0.5s"},
    {"sans small", "Arial", 11, 0, 0, 0, "sin(2.718)"},
    {"stretched", "Times New Roman", 20, 12, 0, 0, "Gain 100"},
    {"rotated", "Arial", 16, 0, 900, 0, "Nyquist"},
    {"windows-1252 bytes", "Times New Roman", 18, 0, 0, 0, "\x85\x96\xB5\xB0"},
    {"symbol bytes", "Symbol", 22, 0, 0, 0, "abgw\xA5\xB6\xE5"},
    {"fallback glyphs", "Times New Roman", 18, 0, 0, 0, "\x80\x89\x99"},
    {"control characters", "Arial", 16, 0, 0, 0, "a\tb\nc\rd\x01e"},
};

// Draws the row's text at (20, 40) with baseline alignment and returns the
// picture and the text's extent.
struct Drawn {
  QImage image;
  CSize extent;
};
Drawn DrawRow(const TextRow& row) {
  Canvas canvas(240, 140);
  CFont font;
  font.CreateFont(row.height, row.width, row.escapement, 0, FW_NORMAL, row.italic, 0, 0,
                  ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, row.face);
  CFont* old = canvas.dc()->SelectObject(&font);
  canvas.dc()->SetBkMode(TRANSPARENT);
  canvas.dc()->SetTextAlign(TA_BASELINE);
  canvas.dc()->SetTextColor(RGB(200, 0, 0));
  const int length = static_cast<int>(std::string(row.text).size());
  canvas.dc()->TextOut(20, 100, row.text, length);
  Drawn d{canvas.Image().copy(), canvas.dc()->GetTextExtent(row.text, length)};
  canvas.dc()->SelectObject(old);
  return d;
}

class GdiTextCache : public ::testing::Test {
 protected:
  void SetUp() override { QxClearTextCache(); }
  void TearDown() override {
    QxSetTextCacheEnabled(true);
    QxClearTextCache();
  }
};

TEST_F(GdiTextCache, CachedTextIsPixelForPixelWhatShapingEveryTimeDraws) {
  for (const TextRow& row : kTexts) {
    QxSetTextCacheEnabled(false);
    const Drawn reference = DrawRow(row);
    QxSetTextCacheEnabled(true);
    const Drawn first = DrawRow(row);   // shaped and kept
    const Drawn second = DrawRow(row);  // found
    EXPECT_NE(reference.image, Canvas(240, 140).Image()) << row.name << ": nothing drawn";
    EXPECT_EQ(first.image, reference.image) << row.name;
    EXPECT_EQ(second.image, reference.image) << row.name;
    EXPECT_EQ(first.extent, reference.extent) << row.name;
    EXPECT_EQ(second.extent, reference.extent) << row.name;
  }
}

TEST_F(GdiTextCache, ARepeatedTextIsFoundNotShapedAgain) {
  DrawRow(kTexts[0]);
  const QxTextCacheCounts once = QxGetTextCacheCounts();
  EXPECT_GE(once.misses, 2);  // its advance and its glyphs
  DrawRow(kTexts[0]);
  const QxTextCacheCounts twice = QxGetTextCacheCounts();
  EXPECT_EQ(twice.misses, once.misses);
  EXPECT_GE(twice.hits, once.hits + 2);
  // Another text in the same font is new.
  TextRow other = kTexts[0];
  other.text = "y_2";
  DrawRow(other);
  EXPECT_GT(QxGetTextCacheCounts().misses, twice.misses);
}

TEST_F(GdiTextCache, TheMetricsModeIsPartOfTheFontsKey) {
  Canvas canvas(100, 40);
  CFont font;
  font.CreateFont(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman");
  CFont* old = canvas.dc()->SelectObject(&font);
  const CSize real = canvas.dc()->GetTextExtent("mmmm", 4);
  {
    qxtest::FixedMetrics fixed;
    // Fixed metrics: 4 characters of half the cell height each.
    EXPECT_EQ(canvas.dc()->GetTextExtent("mmmm", 4), CSize(40, 20));
  }
  EXPECT_EQ(canvas.dc()->GetTextExtent("mmmm", 4), real);
  EXPECT_NE(real, CSize(40, 20));
  canvas.dc()->SelectObject(old);
}

}  // namespace
