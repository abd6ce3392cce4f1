#include "diagrams/RootLocus.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/AxisScale.h"
#include "platform/gdi/Gdi.h"
#include "res/Sprites.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

const double kLocusRedBase[5] = {100, 0, 0, 10, 100};
const double kLocusGreenBase[5] = {0, 100, 0, 10, 0};
const double kLocusBlueBase[5] = {0, 0, 100, 10, 100};
const COLORREF kLocusClipboardColour[5] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                           RGB(150, 150, 150), RGB(255, 0, 255)};
const COLORREF kRootClipboardColour[7] = {RGB(150, 150, 150), RGB(150, 0, 0),   RGB(0, 150, 0),
                                          RGB(150, 150, 150), RGB(150, 0, 150), RGB(0, 0, 150),
                                          RGB(0, 0, 150)};

namespace {

// A colour index read from a file may be anything in 0-15; the ones without a
// colour of their own are drawn grey rather than read past the tables.
int LocusColourIndex(int colour) {
  return colour >= 0 && colour < 5 ? colour : 3;
}

int MarkerOf(const RootLocusRoots& roots) {
  if (roots.group == kRootGroupClosedLoop)
    return roots.poles ? kMarkerClosedLoopPole : kMarkerTransmissionZero;
  return roots.poles ? kMarkerOpenLoopPole : kMarkerOpenLoopZero;
}

COLORREF ClipboardColourOf(const RootLocusRoots& roots) {
  return roots.group >= 0 && roots.group < 7 ? kRootClipboardColour[roots.group]
                                             : kRootClipboardColour[kRootGroupClosedLoop];
}

// Visits the pixel of every drawable root of the scene with its group entry.
template <class Visit>
void ForEachRootPixel(const RootLocusScene& scene, int width, int height, Visit visit) {
  for (const RootLocusRoots& roots : scene.roots) {
    if (!roots.roots) continue;
    for (int i = 1; i <= roots.count; ++i) {
      POINT p;
      if (RootLocusPixel(scene, roots.roots[i], width, height, &p)) visit(roots, p);
    }
  }
}

// Roots 1 .. count of a 1-based array of the loop numerics, limited to what the
// array holds.
RootLocusRoots RootsOf(int group, bool poles, const std::vector<McComplex>& array, int count,
                       int element, const CSIMtrnfn& function) {
  const int held = static_cast<int>(array.size()) - 1;
  return {group, poles, array.data(), std::max(0, std::min(count, held)), element, &function};
}

// An element's poles, then its zeros; nothing when its root finder failed.
void AddElementRoots(RootLocusScene& scene, int group, int element, const CSIMtrnfn& fn) {
  if (!fn.m_bRootsValid) return;
  scene.roots.push_back(RootsOf(group, true, fn.m_poles, fn.m_nDen - 1, element, fn));
  scene.roots.push_back(RootsOf(group, false, fn.m_zeros, fn.m_nNum - 1, element, fn));
}

void AddBlockRoots(RootLocusScene& scene, int group, const CSIMtrnmx& block) {
  if (!(block.m_wFlags & kBlockShowRoots) || !block.m_pElements) return;
  for (int e = 0; e < block.m_nRows * block.m_nCols; ++e)
    AddElementRoots(scene, group, e, block.m_pElements[e]);
}

}  // namespace

RootLocusScene RootLocusSceneOf(const CQorexDoc& doc) {
  RootLocusScene scene;
  scene.origin = doc.m_ptRlOrigin;
  scene.scaleX = doc.m_dRlScaleX;
  scene.scaleY = doc.m_dRlScaleY;
  for (int i = 0; i < doc.m_nVarPoints; ++i) {
    const CVARpoints& locus = doc.m_pVarPoints[i];
    scene.loci.push_back({locus.m_pPoints.get(), locus.m_nCount, locus.Colour()});
  }
  const CSIMsystem& system = doc.m_system;
  const CSIMtrnmx* const blocks[] = {&system.m_P, &system.m_K, &system.m_G, &system.m_L,
                                     &system.m_F};
  for (int group = 0; group < 5; ++group) AddBlockRoots(scene, group, *blocks[group]);
  // The zeros of |I+FLGK| are the closed-loop poles, those of |FLGK| the
  // transmission zeros.
  const CSIMtrnfn& closed = system.m_detIFLGK;
  const CSIMtrnfn& transmission = system.m_detFLGK;
  if (closed.m_bRootsValid)
    scene.roots.push_back(
        RootsOf(kRootGroupClosedLoop, true, closed.m_zeros, closed.m_nNum - 1, -1, closed));
  if (transmission.m_bRootsValid)
    scene.roots.push_back(RootsOf(kRootGroupClosedLoop, false, transmission.m_zeros,
                                  transmission.m_nNum - 1, -1, transmission));
  return scene;
}

bool RootLocusPixel(const RootLocusScene& scene, const McComplex& value, int width, int height,
                    POINT* pixel) {
  // A glyph reaches 3 pixels from its centre; anything further out is invisible.
  constexpr double kReach = 4;
  const double x = scene.origin.x + std::trunc(value.re * scene.scaleX);
  const double y = scene.origin.y - std::trunc(value.im * scene.scaleY);
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (x < -kReach || y < -kReach || x > width + kReach || y > height + kReach) return false;
  pixel->x = static_cast<LONG>(x);
  pixel->y = static_cast<LONG>(y);
  return true;
}

COLORREF LocusPointColour(int colourIndex, double offset) {
  const int c = LocusColourIndex(colourIndex);
  auto component = [offset](double base) {
    const double v = std::trunc(offset + base);
    return v > 255 ? 255 : static_cast<int>(v);
  };
  return RGB(component(kLocusRedBase[c]), component(kLocusGreenBase[c]),
             component(kLocusBlueBase[c]));
}

void DrawRootLocus(CDC* pDC, const RootLocusScene& scene, int width, int height) {
  if (width <= 0 || height <= 0) return;
  DrawAxisCross(pDC, width, height, scene.origin, scene.scaleX, scene.scaleY);
  for (const RootLocusLocus& locus : scene.loci) {
    if (!locus.points || locus.count <= 0) continue;
    double offset = 0.0;
    for (int k = 0; k < locus.count; ++k, offset += 150.0 / locus.count) {
      POINT p;
      if (RootLocusPixel(scene, locus.points[k], width, height, &p))
        DrawMarker(pDC, p.x, p.y, kMarkerLocusPoint, LocusPointColour(locus.colour, offset));
    }
  }
  if (!g_pSpriteDC) return;
  ForEachRootPixel(scene, width, height, [&](const RootLocusRoots& roots, POINT p) {
    const SpriteTile glyph = SpriteRootGlyph(roots.group, roots.poles);
    pDC->BitBlt(p.x - 3, p.y - 3, glyph.cx, glyph.cy, g_pSpriteDC, glyph.x, glyph.y, SRCAND);
  });
}

void DrawRootLocusMetafile(CDC* pDC, const RootLocusScene& scene, int width, int height) {
  if (width <= 0 || height <= 0) return;
  DrawAxisCross(pDC, width, height, scene.origin, scene.scaleX, scene.scaleY);
  for (const RootLocusLocus& locus : scene.loci) {
    if (!locus.points) continue;
    const COLORREF colour = kLocusClipboardColour[LocusColourIndex(locus.colour)];
    for (int k = 0; k < locus.count; ++k) {
      POINT p;
      if (RootLocusPixel(scene, locus.points[k], width, height, &p))
        DrawMarker(pDC, p.x, p.y, kMarkerLocusPoint, colour);
    }
  }
  ForEachRootPixel(scene, width, height, [&](const RootLocusRoots& roots, POINT p) {
    DrawMarker(pDC, p.x, p.y, MarkerOf(roots), ClipboardColourOf(roots));
  });
}

void DrawRootLocus(CDC* pDC, const CQorexDoc& doc, int width, int height) {
  DrawRootLocus(pDC, RootLocusSceneOf(doc), width, height);
}

void DrawRootLocusMetafile(CDC* pDC, const CQorexDoc& doc, int width, int height) {
  DrawRootLocusMetafile(pDC, RootLocusSceneOf(doc), width, height);
}

void DrawMarker(CDC* pDC, int x, int y, int kind, COLORREF color) {
  struct Box {
    int dx, dy, cx, cy;
  };
  auto boxes = [&](std::initializer_list<Box> list) {
    for (const Box& b : list) pDC->FillSolidRect(x + b.dx, y + b.dy, b.cx, b.cy, color);
  };
  auto pixels = [&](std::initializer_list<POINT> list) {
    for (const POINT& p : list) pDC->SetPixelV(x + p.x, y + p.y, color);
  };
  switch (kind) {
    case kMarkerOpenLoopPole:
      boxes({{-1, -1, 3, 3},
             {-2, -3, 1, 3},
             {-3, -2, 3, 1},
             {1, -2, 3, 1},
             {2, -3, 1, 3},
             {1, 2, 3, 1},
             {2, 1, 1, 3},
             {-2, 1, 1, 3},
             {-3, 2, 3, 1}});
      break;
    case kMarkerOpenLoopZero:
      boxes({{-1, -3, 3, 1}, {-1, 3, 3, 1}, {-3, -1, 1, 3}, {3, -1, 1, 3}});
      pixels({{-2, -2}, {2, -2}, {-2, 2}, {2, 2}});
      break;
    case kMarkerClosedLoopPole:
      boxes({{-3, -3, 7, 2}, {-3, 2, 7, 2}, {-3, -1, 2, 3}, {2, -1, 2, 3}});
      break;
    case kMarkerTransmissionZero:
      boxes({{-1, -3, 3, 2}, {-1, 2, 3, 2}, {-3, -1, 2, 3}, {2, -1, 2, 3}});
      pixels({{-1, -1}, {1, -1}, {-1, 1}, {1, 1}});
      break;
    case kMarkerLocusPoint:
      pixels({{0, 0}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}, {-2, -2}, {2, -2}, {-2, 2}, {2, 2}});
      break;
    default:
      break;
  }
}
