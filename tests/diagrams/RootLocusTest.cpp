// The root-locus diagram: markers pixel by pixel, the screen rendering of a
// known design with its sprite glyphs, the clipboard rendering and its
// recording, and the scene read from a document.
#include "diagrams/RootLocus.h"
#include "QorexDoc.h"
#include "diagrams/RootLocusSource.h"
#include "tests/diagrams/DiagramTestSupport.h"
#include "tests/diagrams/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using qxdiagramtest::Canvas;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

using qxdiagramtest::kClosedLoopPoleShape;
using qxdiagramtest::kPoleShape;
using qxdiagramtest::kTransmissionZeroShape;

const char* const kOpenLoopZeroShape[7] = {"..###..", ".#...#.", "#.....#", "#.....#",
                                           "#.....#", ".#...#.", "..###.."};
const char* const kLocusPointShape[7] = {".......", ".#...#.", "..#.#..", "...#...",
                                         "..#.#..", ".#...#.", "......."};
// The markers by kind (the DrawMarker enum's order).
const char* const* const kMarkerRows[5] = {kPoleShape, kOpenLoopZeroShape, kClosedLoopPoleShape,
                                           kTransmissionZeroShape, kLocusPointShape};

// Checks the 7 x 7 pattern centred on (x, y): '#' has the ink, '.' the
// colour that was there before (white unless an axis crosses).
void ExpectPattern(const Canvas& c, int x, int y, const char* const rows[7], COLORREF ink,
                   const std::string& what) {
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 7; ++i) {
      if (rows[j][i] == '#')
        EXPECT_EQ(c.At(x - 3 + i, y - 3 + j), ink) << what << " at " << i << "," << j;
      else
        EXPECT_EQ(c.At(x - 3 + i, y - 3 + j), kWhite) << what << " at " << i << "," << j;
    }
}

TEST(RootLocus, MarkersArePixelExact) {
  for (int kind = 0; kind < 5; ++kind) {
    Canvas canvas(20, 20);
    DrawMarker(canvas.dc(), 10, 9, kind, RGB(150, 0, 150));
    ExpectPattern(canvas, 10, 9, kMarkerRows[kind], RGB(150, 0, 150),
                  "kind " + std::to_string(kind));
  }
}

TEST(RootLocus, LocusColoursFadeFromTheBase) {
  EXPECT_EQ(LocusPointColour(0, 0), RGB(100, 0, 0));
  EXPECT_EQ(LocusPointColour(0, 149), RGB(249, 149, 149));  // last of 150 points
  EXPECT_EQ(LocusPointColour(3, 149), RGB(159, 159, 159));
  EXPECT_EQ(LocusPointColour(4, 200), RGB(255, 200, 255));  // capped at 255
  EXPECT_EQ(LocusPointColour(9, 0), RGB(10, 10, 10)) << "a colour index from a file beyond 4";
}

// A known small design: process G = 1 / ((s + 1)(s + 2)) with controller
// K = 2 and unit feedback. The closed loop s^2 + 3 s + 4 has the poles
// -1.5 +- j sqrt(7) / 2; there are no transmission zeros. Plot 400 x 300,
// origin (200, 150), 50 px per unit.
struct KnownDesign {
  std::vector<McComplex> gPoles{{0, 0}, {-1, 0}, {-2, 0}};  // 1-based
  std::vector<McComplex> closedPoles{
      {0, 0}, {-1.5, std::sqrt(7.0) / 2}, {-1.5, -std::sqrt(7.0) / 2}};
  std::vector<McComplex> locus{{-3, 0.6}, {-3, 1.2}, {-3, 1.8}};
  RootLocusScene Scene() const {
    RootLocusScene scene;
    scene.origin = {200, 150};
    scene.scaleX = scene.scaleY = 50;
    scene.loci.push_back({locus.data(), 3, 0});
    scene.roots.push_back({2, true, gPoles.data(), 2});
    scene.roots.push_back({kRootGroupClosedLoop, true, closedPoles.data(), 2});
    return scene;
  }
};

// Pixel of a value by the plot mapping, written out for the test.
POINT PixelOf(double re, double im) {
  return {200 + static_cast<LONG>(std::trunc(re * 50)),
          150 - static_cast<LONG>(std::trunc(im * 50))};
}

TEST(RootLocus, ScreenShowsAxesGlyphsAndLoci) {
  const KnownDesign design;
  Canvas canvas(400, 300);
  DrawRootLocus(canvas.dc(), design.Scene(), 400, 300);

  EXPECT_TRUE(canvas.Black(10, 150)) << "real axis";
  EXPECT_TRUE(canvas.Black(200, 10)) << "imaginary axis";

  // Pole glyphs of G in dark green; where they cross the real axis SRCAND
  // leaves black, and the glyph's white leaves the axis black.
  const COLORREF green = RGB(0, 128, 0);
  for (double re : {-1.0, -2.0}) {
    const POINT p = PixelOf(re, 0);
    EXPECT_EQ(canvas.At(p.x - 2, p.y - 3), green);
    EXPECT_EQ(canvas.At(p.x + 2, p.y + 3), green);
    EXPECT_EQ(canvas.At(p.x - 1, p.y - 3), kWhite);
    EXPECT_EQ(canvas.At(p.x, p.y), kBlack);
    EXPECT_EQ(canvas.At(p.x - 3, p.y), kBlack) << "axis under the glyph's white";
  }
  // Closed-loop poles: teal squares.
  const COLORREF teal = RGB(0, 128, 128);
  for (double im : {std::sqrt(7.0) / 2, -std::sqrt(7.0) / 2}) {
    const POINT p = PixelOf(-1.5, im);
    EXPECT_EQ(canvas.At(p.x - 3, p.y - 3), teal);
    EXPECT_EQ(canvas.At(p.x + 3, p.y + 3), teal);
    EXPECT_EQ(canvas.At(p.x, p.y), kWhite) << "the square is open";
  }
  // Locus of three red points fading by 50 per point.
  EXPECT_EQ(canvas.At(PixelOf(-3, 0.6).x, PixelOf(-3, 0.6).y), RGB(100, 0, 0));
  EXPECT_EQ(canvas.At(PixelOf(-3, 1.2).x, PixelOf(-3, 1.2).y), RGB(150, 50, 50));
  EXPECT_EQ(canvas.At(PixelOf(-3, 1.8).x + 2, PixelOf(-3, 1.8).y + 2), RGB(200, 100, 100));
}

TEST(RootLocus, BadAndFarPointsAreSkipped) {
  std::vector<McComplex> bad{{0, 0},     {NAN, 0},         {0, INFINITY},
                             {1e300, 0}, {-1e300, -1e300}, {1e9, 1}};
  std::vector<McComplex> badLocus{{NAN, NAN}, {1e308, 1e308}, {-4e9, 0}};
  RootLocusScene scene;
  scene.origin = {200, 150};
  scene.loci.push_back({badLocus.data(), 3, 2});
  for (int group : {0, 1, 2, 3, 4, kRootGroupClosedLoop})
    scene.roots.push_back({group, group % 2 == 0, bad.data(), 5});
  RootLocusScene axesOnly;
  axesOnly.origin = {200, 150};
  Canvas withBad(400, 300), reference(400, 300);
  DrawRootLocus(withBad.dc(), scene, 400, 300);
  DrawRootLocus(reference.dc(), axesOnly, 400, 300);
  EXPECT_EQ(withBad.Image(), reference.Image());
  Canvas clipboard(400, 300), clipboardReference(400, 300);
  DrawRootLocusMetafile(clipboard.dc(), scene, 400, 300);
  DrawRootLocusMetafile(clipboardReference.dc(), axesOnly, 400, 300);
  EXPECT_EQ(clipboard.Image(), clipboardReference.Image());
}

TEST(RootLocus, EmptyPlotDrawsNothing) {
  const KnownDesign design;
  Canvas canvas(100, 100);
  const QImage before = canvas.Image();
  DrawRootLocus(canvas.dc(), design.Scene(), 0, 100);
  DrawRootLocusMetafile(canvas.dc(), design.Scene(), 100, -1);
  EXPECT_EQ(canvas.Image(), before);
}

// The clipboard rendering draws its markers itself, without the sprite sheet.
TEST(RootLocus, ClipboardDrawsMarkersInFlatColours) {
  const KnownDesign design;
  Canvas canvas(400, 300);
  CDC* sprites = g_pSpriteDC;
  g_pSpriteDC = nullptr;
  DrawRootLocusMetafile(canvas.dc(), design.Scene(), 400, 300);
  g_pSpriteDC = sprites;
  const POINT cl = PixelOf(-1.5, std::sqrt(7.0) / 2);
  ExpectPattern(canvas, cl.x, cl.y, kMarkerRows[kMarkerClosedLoopPole], RGB(0, 0, 150),
                "closed-loop pole");
  const POINT g = PixelOf(-1, 0);
  EXPECT_EQ(canvas.At(g.x - 2, g.y - 3), RGB(0, 150, 0)) << "pole of G";
  EXPECT_EQ(canvas.At(g.x, g.y), RGB(0, 150, 0)) << "markers cover the axis";
  for (double im : {0.6, 1.2, 1.8}) {
    const POINT p = PixelOf(-3, im);
    ExpectPattern(canvas, p.x, p.y, kMarkerRows[kMarkerLocusPoint], RGB(255, 0, 0), "locus point");
  }
}

// ---- the scene read from a document ----------------------------------------------

struct StandInFunction {
  std::vector<McComplex> m_poles, m_zeros;
  int m_nDen = 1, m_nNum = 1;
  bool m_bRootsValid = true;
};
struct StandInMatrix {
  WORD m_wFlags = 1;
  std::unique_ptr<StandInFunction[]> m_pElements;
  int m_nCols = 1, m_nRows = 1;
};
struct StandInLocus {
  std::unique_ptr<McComplex[]> m_pPoints;
  int m_nCount = 0;
  WORD m_wCode = 0;
  int Colour() const { return m_wCode >> 12; }
};
struct StandInSystem {
  StandInMatrix m_P, m_K, m_G, m_L, m_F;
  StandInFunction m_detFLGK, m_detIFLGK;
};
struct StandInDoc {
  POINT m_ptRlOrigin{10, 20};
  double m_dRlScaleX = 3, m_dRlScaleY = 4;
  std::unique_ptr<StandInLocus[]> m_pVarPoints;
  int m_nVarPoints = 0;
  StandInSystem m_system;
};

StandInFunction Function(std::vector<McComplex> poles, std::vector<McComplex> zeros) {
  StandInFunction f;
  f.m_nDen = static_cast<int>(poles.size()) + 1;
  f.m_nNum = static_cast<int>(zeros.size()) + 1;
  poles.insert(poles.begin(), McComplex{0, 0});
  zeros.insert(zeros.begin(), McComplex{0, 0});
  f.m_poles = poles;
  f.m_zeros = zeros;
  return f;
}

void OneElement(StandInMatrix& m, StandInFunction f, WORD flags) {
  m.m_wFlags = flags;
  m.m_pElements = std::make_unique<StandInFunction[]>(1);
  m.m_pElements[0] = std::move(f);
}

TEST(RootLocus, SceneTakesShownBlocksInOrderThenTheClosedLoop) {
  StandInDoc doc;
  OneElement(doc.m_system.m_P, Function({{-9, 0}}, {}), 0);  // hidden: flag bit 0 clear
  OneElement(doc.m_system.m_K, Function({{-1, 0}}, {{-5, 0}}), 5);
  doc.m_system.m_G.m_nCols = 2;
  doc.m_system.m_G.m_pElements = std::make_unique<StandInFunction[]>(2);
  doc.m_system.m_G.m_pElements[0] = Function({{-2, 0}}, {});
  doc.m_system.m_G.m_pElements[1] = Function({{-3, 1}, {-3, -1}}, {});
  doc.m_system.m_G.m_pElements[1].m_bRootsValid = false;  // failed root finder: nothing shown
  OneElement(doc.m_system.m_L, Function({}, {}), 2);
  OneElement(doc.m_system.m_F, Function({}, {}), 3);
  doc.m_system.m_detIFLGK = Function({}, {{-1.5, 1}, {-1.5, -1}});
  doc.m_system.m_detFLGK = Function({}, {{-5, 0}});
  doc.m_nVarPoints = 1;
  doc.m_pVarPoints = std::make_unique<StandInLocus[]>(2);
  doc.m_pVarPoints[0].m_pPoints = std::make_unique<McComplex[]>(4);
  doc.m_pVarPoints[0].m_nCount = 4;
  doc.m_pVarPoints[0].m_wCode = 0x2000;

  const RootLocusScene scene = qxrootlocus::SceneOf(doc);
  EXPECT_EQ(scene.origin.x, 10);
  EXPECT_EQ(scene.origin.y, 20);
  EXPECT_EQ(scene.scaleX, 3);
  EXPECT_EQ(scene.scaleY, 4);
  ASSERT_EQ(scene.loci.size(), 1u);
  EXPECT_EQ(scene.loci[0].count, 4);
  EXPECT_EQ(scene.loci[0].colour, 2);

  struct Expected {
    int group;
    bool poles;
    int count;
    double firstRe;
  };
  const Expected expected[] = {{1, true, 1, -1},   {1, false, 1, -5}, {2, true, 1, -2},
                               {2, false, 0, 0},   {4, true, 0, 0},   {4, false, 0, 0},
                               {6, true, 2, -1.5}, {6, false, 1, -5}};
  ASSERT_EQ(scene.roots.size(), std::size(expected));
  for (size_t i = 0; i < scene.roots.size(); ++i) {
    EXPECT_EQ(scene.roots[i].group, expected[i].group) << i;
    EXPECT_EQ(scene.roots[i].poles, expected[i].poles) << i;
    ASSERT_EQ(scene.roots[i].count, expected[i].count) << i;
    if (expected[i].count) {
      EXPECT_EQ(scene.roots[i].roots[1].re, expected[i].firstRe) << i;
    }
  }
}

TEST(RootLocus, SceneNeverCountsMoreRootsThanTheArraysHold) {
  StandInDoc doc;
  StandInFunction f = Function({{-1, 0}}, {});
  f.m_nDen = 40;  // claims 39 poles, holds one
  OneElement(doc.m_system.m_G, f, 1);
  const RootLocusScene scene = qxrootlocus::SceneOf(doc);
  ASSERT_FALSE(scene.roots.empty());
  EXPECT_EQ(scene.roots[0].count, 1);
}

// ---- a new design ---------------------------------------------------------------

TEST(RootLocusDocument, NewDesignShowsItsPolesAndLocusUnlessTheProcessIsHidden) {
  CQorexDoc doc;
  Canvas canvas(800, 400);
  DrawRootLocus(canvas.dc(), doc, 800, 400);
  qxviewtest::ExpectNewDesignRootLocus(canvas.Image(), doc);

  doc.m_system.m_G.m_wFlags &= ~1;
  Canvas hidden(800, 400);
  DrawRootLocus(hidden.dc(), doc, 800, 400);
  const QPoint process = qxviewtest::RootLocusPixel(doc, -1, 0);
  EXPECT_NE(hidden.At(process.x() - 2, process.y() - 3), RGB(0, 128, 0)) << "no pole of G";
  const QPoint closed = qxviewtest::RootLocusPixel(doc, -2, 0);
  EXPECT_EQ(hidden.At(closed.x() - 3, closed.y() - 3), RGB(0, 128, 128))
      << "closed loop regardless";
}

}  // namespace
