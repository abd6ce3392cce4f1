// The root-locus diagram: markers pixel by pixel, the screen rendering of a
// known scene with its sprite glyphs, the clipboard rendering, and the scene
// read from a real document.
#include "diagrams/RootLocus.h"
#include "QorexDoc.h"
#include "res/Sprites.h"
#include "tests/diagrams/ViewTestSupport.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Canvas = qxtest::ProgramCanvas;
using qxtest::kBlack;
using qxtest::kWhite;

// The two markers that have no glyph of their own on the sprite sheet; the
// others are the sheet's glyphs in one flat colour.
const char* const kOpenLoopZeroShape[7] = {"..###..", ".#...#.", "#.....#", "#.....#",
                                           "#.....#", ".#...#.", "..###.."};
const char* const kLocusPointShape[7] = {".......", ".#...#.", "..#.#..", "...#...",
                                         "..#.#..", ".#...#.", "......."};

// Whether the marker of a kind inks (i, j) of its 7 x 7 box.
bool MarkerInk(int kind, int i, int j) {
  switch (kind) {
    case kMarkerOpenLoopZero:
      return kOpenLoopZeroShape[j][i] == '#';
    case kMarkerLocusPoint:
      return kLocusPointShape[j][i] == '#';
    default: {
      const bool closedLoop = kind != kMarkerOpenLoopPole;
      const SpriteTile glyph =
          SpriteRootGlyph(closedLoop ? kRootGroupClosedLoop : 0, kind != kMarkerTransmissionZero);
      return SpriteSheetPixel(glyph.x + i, glyph.y + j) != kWhite;
    }
  }
}

// Checks the 7 x 7 marker centred on (x, y): its ink where it inks, white
// (what was there before) elsewhere.
void ExpectMarker(const qxtest::Canvas& c, int x, int y, int kind, COLORREF ink,
                  const std::string& what) {
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(c.At(x - 3 + i, y - 3 + j), MarkerInk(kind, i, j) ? ink : kWhite)
          << what << " at " << i << "," << j;
}

TEST(RootLocus, MarkersArePixelExact) {
  for (int kind = 0; kind < 5; ++kind) {
    Canvas canvas(20, 20);
    DrawMarker(canvas.dc(), 10, 9, kind, RGB(150, 0, 150));
    ExpectMarker(canvas, 10, 9, kind, RGB(150, 0, 150), "kind " + std::to_string(kind));
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
  ExpectMarker(canvas, cl.x, cl.y, kMarkerClosedLoopPole, RGB(0, 0, 150), "closed-loop pole");
  const POINT g = PixelOf(-1, 0);
  EXPECT_EQ(canvas.At(g.x - 2, g.y - 3), RGB(0, 150, 0)) << "pole of G";
  EXPECT_EQ(canvas.At(g.x, g.y), RGB(0, 150, 0)) << "markers cover the axis";
  for (double im : {0.6, 1.2, 1.8}) {
    const POINT p = PixelOf(-3, im);
    ExpectMarker(canvas, p.x, p.y, kMarkerLocusPoint, RGB(255, 0, 0), "locus point");
  }
}

// ---- the scene read from a document ----------------------------------------------

struct ExpectedRoots {
  int group;
  bool poles;
  int count;
  double firstRe;  // of entry 1, when there is one
};

void ExpectRoots(const RootLocusScene& scene, const std::vector<ExpectedRoots>& expected) {
  ASSERT_EQ(scene.roots.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(scene.roots[i].group, expected[i].group) << i;
    EXPECT_EQ(scene.roots[i].poles, expected[i].poles) << i;
    ASSERT_EQ(scene.roots[i].count, expected[i].count) << i;
    if (expected[i].count) {
      EXPECT_NEAR(scene.roots[i].roots[1].re, expected[i].firstRe, 1e-9) << i;
    }
  }
}

// The new design with K = (s + 5) / (s + 2): G = 1 / (s + 1) gives the loop
// (s + 5) / ((s + 1)(s + 2)) and the closed-loop poles -2 +- j sqrt(3); a
// single channel has no transmission zeros. P is hidden and L's root finder
// failed.
TEST(RootLocusScene, TakesShownBlocksInOrderThenTheClosedLoop) {
  CQorexDoc doc;
  simtest::SetModel(doc, kModelK, simtest::Tf({5, 1}, {2, 1}));
  doc.Recalculate();
  doc.m_system.m_P.m_wFlags &= ~kBlockShowRoots;
  doc.m_system.m_L.At(0, 0).m_bRootsValid = false;
  doc.m_ptRlOrigin = CPoint(10, 20);
  doc.m_dRlScaleX = 3;
  doc.m_dRlScaleY = 4;
  ASSERT_EQ(doc.m_nVarPoints, 1);
  doc.m_pVarPoints[0].m_wCode = 0x2000;  // blue

  const RootLocusScene scene = RootLocusSceneOf(doc);
  EXPECT_EQ(scene.origin.x, 10);
  EXPECT_EQ(scene.origin.y, 20);
  EXPECT_EQ(scene.scaleX, 3);
  EXPECT_EQ(scene.scaleY, 4);
  ASSERT_EQ(scene.loci.size(), 1u);
  EXPECT_EQ(scene.loci[0].points, doc.m_pVarPoints[0].m_pPoints.get());
  EXPECT_EQ(scene.loci[0].count, doc.m_pVarPoints[0].m_nCount);
  EXPECT_EQ(scene.loci[0].colour, 2);
  ExpectRoots(scene, {{1, true, 1, -2},
                      {1, false, 1, -5},
                      {2, true, 1, -1},
                      {2, false, 0, 0},
                      {4, true, 0, 0},
                      {4, false, 0, 0},
                      {kRootGroupClosedLoop, true, 2, -2},
                      {kRootGroupClosedLoop, false, 0, 0}});
}

// A 2 x 2 process with every other block hidden: its elements row by row,
// then the closed-loop poles and its transmission zero at +1.
TEST(RootLocusScene, TakesTheElementsOfABlockRowByRow) {
  CQorexDoc doc;
  simtest::MakeTwoByTwo(doc, simtest::Identity(2), 1, 0.5, 0);
  doc.Recalculate();
  for (CSIMtrnmx* block :
       {&doc.m_system.m_P, &doc.m_system.m_K, &doc.m_system.m_L, &doc.m_system.m_F})
    block->m_wFlags &= ~kBlockShowRoots;
  const RootLocusScene scene = RootLocusSceneOf(doc);
  ASSERT_EQ(scene.roots.size(), 10u);
  EXPECT_EQ(scene.roots[8].roots, doc.m_system.m_detIFLGK.m_zeros.data());
  EXPECT_GT(scene.roots[8].count, 0);
  ExpectRoots(scene,
              {{2, true, 1, -1},
               {2, false, 0, 0},
               {2, true, 1, -3},
               {2, false, 0, 0},
               {2, true, 1, -1},
               {2, false, 0, 0},
               {2, true, 1, -1},
               {2, false, 0, 0},
               {kRootGroupClosedLoop, true, scene.roots[8].count, scene.roots[8].roots[1].re},
               {kRootGroupClosedLoop, false, 1, 1}});
}

TEST(RootLocusScene, NeverCountsMoreRootsThanTheArraysHold) {
  CQorexDoc doc;
  CSIMtrnfn& g = doc.m_system.m_G.At(0, 0);
  g.m_nDen = 400;  // claims 399 poles
  const RootLocusScene scene = RootLocusSceneOf(doc);
  ASSERT_GE(scene.roots.size(), 6u);
  EXPECT_EQ(scene.roots[4].group, 2);
  EXPECT_EQ(scene.roots[4].count, static_cast<int>(g.m_poles.size()) - 1);
  EXPECT_LT(scene.roots[4].count, 399);
}

// ---- a new design ---------------------------------------------------------------

TEST(RootLocusDocument, NewDesignShowsItsPolesAndLocusUnlessTheProcessIsHidden) {
  CQorexDoc doc;
  Canvas canvas(800, 400);
  DrawRootLocus(canvas.dc(), doc, 800, 400);
  qxviewtest::ExpectNewDesignRootLocus(canvas.Image(), doc);

  doc.m_system.m_G.m_wFlags &= ~kBlockShowRoots;
  Canvas hidden(800, 400);
  DrawRootLocus(hidden.dc(), doc, 800, 400);
  const QPoint process = qxviewtest::RootLocusPixel(doc, -1, 0);
  EXPECT_NE(hidden.At(process.x() - 2, process.y() - 3), RGB(0, 128, 0)) << "no pole of G";
  const QPoint closed = qxviewtest::RootLocusPixel(doc, -2, 0);
  EXPECT_EQ(hidden.At(closed.x() - 3, closed.y() - 3), RGB(0, 128, 128))
      << "closed loop regardless";
}

}  // namespace
