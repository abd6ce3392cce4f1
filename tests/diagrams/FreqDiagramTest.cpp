// The frequency diagrams as the view shows them, copies and prints them:
// a new design's curves, ticks and return-difference circle and line, the
// bands of the 2 x 2 example, the clipped cell grid, the characteristic loci
// and values the drawing must survive. Expected pixels come from the
// engine's stored values.
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Clipboard.h"
#include "tests/diagrams/FreqViewTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VectorProbe.h"

#include <cstdlib>
#include <limits>

namespace {

using namespace qxfreqview;

// The picture the view's Copy puts on the clipboard, rendered at its own
// bounds (returned in *bounds); a null image when there is none.
template <class Window>
QImage CopiedPicture(Window& window, CRect* bounds) {
  QxTest::ResetClipboard();
  window.Command(ID_EDIT_COPY);
  if (!OpenClipboard(nullptr)) return {};
  const auto* record =
      static_cast<const METAFILEPICT*>(GlobalLock(GetClipboardData(CF_METAFILEPICT)));
  HMETAFILE meta = record ? CopyMetaFile(record->hMF) : nullptr;
  CloseClipboard();
  if (!meta) return {};
  *bounds = QxMetaFileBounds(meta);
  QImage picture = QxRenderMetaFile(meta, *bounds, bounds->Width(), bounds->Height());
  DeleteMetaFile(meta);
  return picture;
}

// LGK = 1/(s + 1), F = 1: the circle through 0 and -2, the semicircle with
// the plus of point 100 (w = 1) at 1/2 - j/2.
TEST_F(FreqViewTest, NewDesignNyquistShowsTheSemicircleTicksAndCircle) {
  QImage image = Show(NYQUIST);
  EXPECT_EQ(At(image, Px(1, -1, 1)), kYellow) << "the circle's top at the top of its box";
  EXPECT_EQ(At(image, Px(1, -1, 1) + CPoint(0, -1)), kWhitePixel);
  doc().m_diagView[1] = {400, 400, 100, 100};
  image = Show(NYQUIST);
  for (CPoint d : {CPoint(0, -1), CPoint(0, 1), CPoint(-1, 0), CPoint(1, 0)})
    EXPECT_EQ(At(image, Px(1, Q(100).re, Q(100).im) + d), kBlackPixel) << "plus of point 100";
  int ink = 0;  // away from the axes and labels, ink only on the semicircle
  for (int y = 125; y < 320; ++y)
    for (int x = 150; x < 500; ++x)
      if (At(image, CPoint(x, y)) == kBlackPixel) {
        ++ink;
        EXPECT_NEAR(std::hypot(x - 300.0, y - 100.0), 200, 2.5) << x << "," << y;
      }
  EXPECT_GT(ink, 300);
}

// 1/LGK = 1 + s on Re = 1, leaving the plot upwards; the line Re = -1/2.
TEST_F(FreqViewTest, NewDesignInverseNyquistShowsTheLineAndReturnDifferenceLine) {
  const QImage image = Show(INYQUIST);
  for (int k = 0; k < 199; ++k) {
    const McComplex& q = freq().m_pInverse[k];
    EXPECT_TRUE(Px(2, q.re, q.im).y < 0 || At(image, Px(2, q.re, q.im)) == kBlackPixel) << k;
  }
  EXPECT_LT(Px(2, 1, freq().m_pInverse[199].im).y, -1000);
  for (int y : {10, 60, 200}) EXPECT_EQ(At(image, CPoint(Px(2, -0.5, 0).x, y)), kYellow) << y;
}

// Point 100's ticks: a 3-pixel plus on the Nichols curve and the Bode phase
// curve, a 5-pixel plus on the Bode gain curve.
TEST_F(FreqViewTest, NewDesignNicholsAndBodeShowTheirTickGlyphs) {
  const McComplex z = Q(100);
  QImage image = Show(NICHOLS);
  const CPoint n = Px(3, FreqPhaseDegrees(z) + 180, FreqDecibels(z));
  for (CPoint d : {CPoint(0, -1), CPoint(0, 1), CPoint(-1, 0), CPoint(1, 0)})
    EXPECT_EQ(At(image, n + d), kBlackPixel);
  image = Show(BODE);
  const CPoint gain = Px(4, std::log10(W(100)), FreqDecibels(z));
  const CPoint phase = Px(4, std::log10(W(100)), FreqPhaseDegrees(z));
  EXPECT_EQ(At(image, gain + CPoint(0, -2)), kBlackPixel);
  EXPECT_EQ(At(image, gain + CPoint(0, 2)), kBlackPixel);
  EXPECT_EQ(At(image, phase + CPoint(-1, 0)), kBlackPixel);
  EXPECT_EQ(At(image, phase + CPoint(-2, 0)), kWhitePixel);
}

// What the Nichols and Bode diagrams draw is kept between redraws only while
// the sweep's values stay: a response written in place since the last redraw
// is drawn where it now lies (point 150, w = 31.6, at ten times the modulus).
TEST_F(FreqViewTest, ARedrawShowsAResponseChangedSinceTheLastOne) {
  const McComplex z = Q(150), moved = {10 * z.re, 10 * z.im};
  for (UINT command : {NICHOLS, BODE}) {
    SCOPED_TRACE(command);
    auto pixel = [&](const McComplex& v) {
      return command == NICHOLS ? Px(3, FreqPhaseDegrees(v) + 180, FreqDecibels(v))
                                : Px(4, std::log10(W(150)), FreqDecibels(v));
    };
    const CPoint arm = pixel(moved) + CPoint(0, -1);  // of the plus glyph
    ASSERT_EQ(At(Show(command), arm), kWhitePixel);
    freq().m_pDirect[150] = moved;
    EXPECT_EQ(At(Show(command), arm), kBlackPixel);
    freq().m_pDirect[150] = z;
    EXPECT_EQ(At(Show(command), arm), kWhitePixel);
  }
}

// Gershgorin circles and the return-difference circle or line only on the
// diagonal; Ostrowski circles only on the inverse diagonal with bit 1 (their
// filled discs may hide the Gershgorin ones).
TEST_F(FreqViewTest, TwoByTwoBandsOnlyOnTheDiagonal) {
  MakeTwoByTwoExample(doc());
  doc().m_diagView[2] = {50, 50, 100, 100};
  for (BYTE flags : {5, 7}) {
    g_bFreqFlags = flags;
    doc().Recalculate();
    for (UINT command : {NYQUIST, INYQUIST}) {
      const QImage image = Show(command);
      const int w = image.width() / 2, h = image.height() / 2;
      for (int cell = 0; cell < 4; ++cell) {
        const QImage part = image.copy(cell % 2 * w, cell / 2 * h, w - 1, h - 1);
        const bool diagonal = cell % 3 == 0,
                   ostrowski = diagonal && command == INYQUIST && flags == 7;
        EXPECT_TRUE(ostrowski || (Count(part, kSilver) > 20) == diagonal) << command << cell;
        EXPECT_EQ(Count(part, kGrey) > 20, ostrowski) << command << " cell " << cell;
        EXPECT_EQ(Count(part, kYellow) > 20, diagonal) << command << " cell " << cell;
      }
    }
  }
}

// 2 x 3 cells of 100 x 100 on 301 x 200: separators at y = 99 and x = 99 and
// 199, column 300 untouched; a curve leaving cell (0, 0) changes no pixel
// outside it.
TEST_F(FreqViewTest, TwoByThreeGridClipsEveryCell) {
  CRect outer, client;
  window->view()->GetWindowRect(&outer);
  window->view()->GetClientRect(&client);
  window->view()->MoveWindow(0, 0, 301 + outer.Width() - client.Width(),
                             200 + outer.Height() - client.Height());
  doc().m_diagView[1] = {50, 50, 20, 20};
  auto picture = [&](double gain) {
    SetModel(doc(), kModelK, Identity(3));
    SetModel(doc(), kModelG,
             Matrix(3, {Tf({gain}, {1, 1}), Real(0), Real(0), Real(0), Real(0), Real(0)}));
    SetModel(doc(), kModelL, Identity(2));
    SetModel(doc(), kModelF, Matrix(2, {Real(1), Real(0), Real(0), Real(1), Real(0), Real(0)}));
    doc().Recalculate();
    return Show(NYQUIST);
  };
  const QImage empty = picture(0), leaving = picture(10);
  ASSERT_EQ(empty.width(), 301);
  EXPECT_NE(leaving.copy(0, 0, 99, 99), empty.copy(0, 0, 99, 99));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 301; ++x) {
      const QRgb c = At(leaving, CPoint(x, y));
      const bool separator = (y == 99 && x < 301) || x == 99 || x == 199;
      ASSERT_TRUE(separator  ? c == kBlackPixel
                  : x == 300 ? c == kWhitePixel
                             : (x < 99 && y < 99) || c == At(empty, CPoint(x, y)))
          << x << "," << y;
    }
}

// Two loci, branch 1 from the second slot, each with its gain and angle curve.
TEST_F(FreqViewTest, TwoByTwoCharacteristicDiagramsDrawEveryBranch) {
  MakeTwoByTwoExample(doc());
  const QImage nyquist = Show(CHNYQUIST), bode = Show(CHBODE);
  EXPECT_EQ(window->view()->m_wDiagram, 6);
  for (int j = 20 * 2; j < 199 * 2; j += 7) {
    const McComplex l = freq().m_pLoci[j], g = freq().m_pLociGain[j];
    const double u = std::log10(W(j / 2));
    for (auto [image, p] :
         {std::pair{&nyquist, Px(5, l.re, l.im)}, {&bode, Px(6, u, g.re)}, {&bode, Px(6, u, g.im)}})
      EXPECT_TRUE(!image->rect().contains(p.x, p.y) || At(*image, p) == kBlackPixel) << j;
  }
}

// A pole on the grid, values near 1e300 and NaN, a zero response in dB, NaN
// and huge band radii, F(0, 0) = 0: no fault; the curve broken at a gap, a
// far point's segment drawn in its direction, no circle for F(0, 0) = 0.
TEST_F(FreqViewTest, BadValuesAreDrawnWithoutAFault) {
  const UINT all[] = {NYQUIST, INYQUIST, NICHOLS, BODE, CHNYQUIST, CHBODE};
  g_dFreqMin = 1;
  SetModel(doc(), kModelG, Tf({1}, {1, 0, 1}));
  doc().Recalculate();
  EXPECT_FALSE(std::isfinite(Q(0).re) && std::isfinite(Q(0).im));
  for (UINT command : all) Show(command);
  g_dFreqMin = 0.001;
  SetModel(doc(), kModelG, Tf({1}, {1, 1}));
  doc().Recalculate();
  doc().m_diagView[1] = {400, 400, 100, 100};
  const CPoint p99 = Px(1, Q(99).re, Q(99).im), p101 = Px(1, Q(101).re, Q(101).im);
  const CPoint p40 = Px(1, Q(40).re, Q(40).im), p42 = Px(1, Q(42).re, Q(42).im);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  freq().m_pDirect[100] = {nan, 0};
  freq().m_pDirect[41] = {1e300, -1e300};
  freq().m_pDirect[150] = {-1e300, nan};
  const QImage image = Show(NYQUIST);
  EXPECT_EQ(At(image, CPoint((p99.x + p101.x) / 2, (p99.y + p101.y) / 2)), kWhitePixel);
  for (int t = 3; t < 40; ++t) {  // towards the far point 41 and back from it
    EXPECT_EQ(At(image, p40 + CPoint(t, t)), kBlackPixel) << t;
    EXPECT_EQ(At(image, p42 + CPoint(t, t)), kBlackPixel) << t;
  }
  MakeTwoByTwoExample(doc());
  SetModel(doc(), kModelF, Matrix(2, {Real(0), Real(0), Real(0), Real(1)}));
  doc().Recalculate();
  freq().m_bandDirect[0] = nan;
  freq().m_bandInverse[2] = 1e300;
  const QImage cells = Show(NYQUIST);
  EXPECT_EQ(Count(cells.copy(0, 0, cells.width() / 2, cells.height() / 2), kYellow), 0);
  for (UINT command : all) Show(command);
  SetModel(doc(), kModelG, Matrix(2, {Real(0), Real(0), Real(0), Real(0)}));
  doc().Recalculate();
  for (UINT command : all) Show(command);
}

// A disc covers the plot only with every corner inside and its outline beyond.
TEST(FreqPlot, CoversOnlyWithTheOutlineOutsideThePlot) {
  const FreqPlot plot(nullptr, POINT{0, 0}, 1, 1, 100, 80, false);
  EXPECT_TRUE(plot.Covers({-30, -30, 130, 110}));
  EXPECT_FALSE(plot.Covers({-20, -20, 120, 100}));
  EXPECT_FALSE(plot.Covers({2000, 0, 2100, 80}));
}

// The first and last inked columns of the title line (drawn at its top).
std::pair<int, int> TitleInk(const QImage& image) {
  int left = image.width(), right = -1;
  for (int y = 1; y < 14; ++y)
    for (int x = 0; x < image.width(); ++x)
      if (At(image, CPoint(x, y)) != kWhitePixel)
        left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

// The clipboard pictures: no tick glyphs, ellipse node markers filled white,
// the title ending in the diagram's name.
TEST_F(FreqViewTest, ClipboardPicturesHaveNoTickGlyphsAndEllipseNodes) {
  freq().AddNode(1.0, 0, 0, 1.0, 0x01, nullptr);
  doc().Recalculate();
  doc().m_diagView[1] = {400, 400, 100, 100};
  const McComplex z = freq().m_nodeDirect[0], tick = Q(105), high = Q(160);
  const struct {
    UINT command;
    const char* title;
    CPoint node, tick;  // the node, and a pixel only the tick's glyph inks
  } rows[] = {{NYQUIST, ": Nyquist", Px(1, z.re, z.im), Px(1, tick.re, tick.im) + CPoint(0, -1)},
              {BODE, ": Bode", Px(4, 0, FreqDecibels(z)),
               Px(4, std::log10(W(160)), FreqDecibels(high)) + CPoint(0, -2)}};
  for (const auto& row : rows) {
    const QImage screen = Show(row.command);
    EXPECT_EQ(At(screen, row.tick), kBlackPixel) << row.title;
    EXPECT_GT(Count(screen, kNodeGreen), 5) << row.title;
    CRect b;
    const QImage picture = CopiedPicture(*window, &b);
    ASSERT_FALSE(picture.isNull()) << "Copy put no picture on the clipboard";
    const CPoint at(-b.left, -b.top);
    EXPECT_EQ(At(picture, row.tick + at), kWhitePixel) << row.title;
    EXPECT_EQ(Count(picture, kNodeGreen), 0) << row.title;
    EXPECT_EQ(At(picture, row.node + at + CPoint(-2, 0)), kBlackPixel) << row.title;
    EXPECT_EQ(At(picture, row.node + at + CPoint(1, -1)), kWhitePixel) << row.title;
    qxtest::Canvas title(screen.width(), 16);
    title.dc()->SetBkMode(TRANSPARENT);
    title.dc()->SelectObject(g_fonts[kFontBold][0]);
    title.dc()->SetTextAlign(TA_CENTER | TA_TOP);
    title.dc()->TextOut(screen.width() / 2, 0, doc().GetTitle() + row.title);
    EXPECT_EQ(TitleInk(picture.copy(at.x, at.y - 17, screen.width(), 16)), TitleInk(title.Image()));
  }
  QxTest::ResetClipboard();
}

// The leftmost x label of every cell of a 2 x 2 grid lies on the cell's left
// edge ("-2" in the Nyquist, "-10" in the inverse Nyquist cells): on screen
// and in the clipboard picture it reads whole, its box (6 px a character
// with fixed metrics) starting at the cell's edge.
TEST_F(FreqViewTest, LabelsAtTheCellEdgesReadWholeOnScreenAndOnTheClipboard) {
  MakeTwoByTwoExample(doc());
  const struct {
    UINT command;
    int type, width;  // the label's width
  } rows[] = {{NYQUIST, kDiagramNyquist, 12}, {INYQUIST, kDiagramInverseNyquist, 18}};
  for (const auto& row : rows) {
    const QImage screen = Show(row.command);
    CRect b;
    const QImage picture = CopiedPicture(*window, &b);
    ASSERT_FALSE(picture.isNull()) << "Copy put no picture on the clipboard";
    const int w = screen.width() / 2, h = screen.height() / 2;
    const QoxDiagView& s = doc().m_diagView[row.type];
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 2; ++c) {
        // A row through the label, below the horizontal axis.
        const CPoint left(c * w, r * h + s.nOriginY + 10);
        for (const auto& [image, at] :
             {std::pair{&screen, CPoint(0, 0)}, std::pair{&picture, CPoint(-b.left, -b.top)}}) {
          int ink = 0;
          while (ink < 40 && At(*image, left + at + CPoint(ink, 0)) == kBlackPixel) ++ink;
          EXPECT_EQ(ink, row.width) << row.command << " cell " << r << c
                                    << (image == &screen ? " on screen" : " on the clipboard");
        }
      }
  }
  QxTest::ResetClipboard();
}

// Printed with the screen rendering: the node's dark-green glyph on the page.
TEST_F(FreqViewTest, PrintsTheScreenGlyphs) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftoppm";
  freq().AddNode(1.0, 0, 0, 1.0, 0x01, nullptr);
  doc().Recalculate();
  Show(BODE);
  const std::string folder = qxtest::MakeTempDir("freqprint");
  {
    QxTest::PrintToPdf target(folder + "/page.pdf");
    window->Command(ID_FILE_PRINT);
  }
  ASSERT_EQ(
      std::system(("pdftoppm -r 96 -png '" + folder + "/page.pdf' '" + folder + "/p'").c_str()), 0);
  QImage page;
  ASSERT_TRUE(page.load(QString::fromStdString(folder + "/p-1.png")));
  int green = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QRgb c = page.pixel(x, y);
      green += qRed(c) < 60 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 60;
    }
  EXPECT_GE(green, 4);
}

// A redraw, entered with AVX state left in use, hands it back clean: the
// diagram's own arithmetic between its drawing calls runs clean.
TEST_F(FreqViewTest, RedrawsHandBackACleanVectorState) {
  MakeTwoByTwoExample(doc());
  doc().Recalculate();
  for (UINT command : {NYQUIST, INYQUIST, NICHOLS, BODE, CHNYQUIST, CHBODE}) {
    SCOPED_TRACE(command);
    Show(command);
    QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP();
    window->view()->Redraw();
    EXPECT_EQ(qxtest::QxUpperVectorStateDirty(), false);
  }
}

}  // namespace
