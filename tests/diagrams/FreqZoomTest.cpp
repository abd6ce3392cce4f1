// Band circles and the return-difference circle of the 2 x 2 PI drag design,
// zoomed in far: every circle whose outline crosses the cell shows it, in
// its colour, where its outline passes, unless a circle drawn after it (a
// filled disc) lies over that place, and then that place shows nothing of
// it. The outline is found geometrically from the engine's centres and
// radii, not from the drawing.
#include "diagrams/EllipseClip.h"
#include "tests/diagrams/DragTestSupport.h"
#include "tests/diagrams/FreqViewTestSupport.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qxfreqview;

// A circle of cell (0, 0) in pixels, in the order the cell draws them.
struct Circle {
  double cx, cy, r;
  QRgb colour;
  std::string name;
};

// A segment of the cell's curve near the cell.
struct Segment {
  double x0, y0, x1, y1;
};

double DistanceToSegment(double x, double y, const Segment& s) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / len2, 0.0, 1.0) : 0;
  return std::hypot(x - s.x0 - t * dx, y - s.y0 - t * dy);
}

// Points of the outline inside the cell, by columns and rows 2 pixels apart,
// kept 3 pixels from the cell's edges.
std::vector<QPointF> OutlineInCell(const Circle& c, int w, int h) {
  std::vector<QPointF> points;
  auto keep = [&](double x, double y) {
    if (x >= 3 && x < w - 4 && y >= 3 && y < h - 4) points.push_back({x, y});
  };
  for (int x = 3; x < w - 4; x += 2) {
    const double d = x - c.cx;
    if (std::fabs(d) > c.r) continue;
    const double e = std::sqrt((c.r - d) * (c.r + d));
    keep(x, c.cy - e), keep(x, c.cy + e);
  }
  for (int y = 3; y < h - 4; y += 2) {
    const double d = y - c.cy;
    if (std::fabs(d) > c.r) continue;
    const double e = std::sqrt((c.r - d) * (c.r + d));
    keep(c.cx - e, y), keep(c.cx + e, y);
  }
  return points;
}

bool ColourNear(const QImage& image, const QPointF& p, int reach, QRgb colour) {
  const int x = static_cast<int>(std::floor(p.x())), y = static_cast<int>(std::floor(p.y()));
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx)
      if (At(image, CPoint(x + dx, y + dy)) == colour) return true;
  return false;
}

// How many points of a circle's outline were checked in the open and under
// a circle drawn after it, and how many of them showed wrongly: no colour in
// the open, its colour under a later disc.
struct Tally {
  int open = 0, covered = 0, lost = 0, showing = 0;
  QPointF firstWrong;
};

// Zoom targets at the centre of the cell: the critical point -1, the top of
// the unit return-difference circle, the top of band b of the diagram's
// Gershgorin bands, or where band b's outline meets band b - 1's.
enum Target { kCriticalPoint, kUnitCircleTop, kBandTop, kBandsMeet };

// Cell (0, 0) of the 2 x 2 design: its element's values at band b lie at
// index b T rows cols of the responses.
class FreqZoom : public FreqViewTest {
 protected:
  const McComplex* Response(int type) const {
    return type == 1 ? freq().m_pDirect.get() : freq().m_pInverse.get();
  }
  const McComplex& BandCentre(int type, int b) const {
    return Response(type)[size_t(b) * freq().m_nTickStep * 4];
  }
  double BandRadius(int type, int b) const {
    return (type == 1 ? freq().m_bandDirect : freq().m_bandInverse)[b * 2];
  }
  McComplex TargetPoint(int type, Target target, int band) const;
  // The circles cell (0, 0) draws at scale s pixels per unit with origin o,
  // in their order, bands of under 2 pixels left out. F = I: the
  // return-difference circle has centre -1 and radius 1.
  std::vector<Circle> Circles(int type, BYTE flags, double s, CPoint o) const;
  std::vector<Segment> CurveNearCell(int type, double s, CPoint o, int w, int h) const;
  // Checks every circle's outline in the cell of w x h pixels; each
  // circle's tally by its name.
  std::map<std::string, Tally> CheckOutlines(const QImage& image, int type, BYTE flags, double s,
                                             CPoint o, int w, int h) const;
};

McComplex FreqZoom::TargetPoint(int type, Target target, int band) const {
  switch (target) {
    case kCriticalPoint:
      return {-1, 0};
    case kUnitCircleTop:
      return {-1, 1};
    case kBandTop:
      return {BandCentre(type, band).re, BandCentre(type, band).im + BandRadius(type, band)};
    case kBandsMeet:
      break;
  }
  const McComplex a = BandCentre(type, band), b = BandCentre(type, band - 1);
  const double ra = BandRadius(type, band), rb = BandRadius(type, band - 1);
  const double d = std::hypot(b.re - a.re, b.im - a.im);
  const double along = (d * d + ra * ra - rb * rb) / (2 * d);
  const double across = std::sqrt(ra * ra - along * along);
  return {a.re + (along * (b.re - a.re) - across * (b.im - a.im)) / d,
          a.im + (along * (b.im - a.im) + across * (b.re - a.re)) / d};
}

std::vector<Circle> FreqZoom::Circles(int type, BYTE flags, double s, CPoint o) const {
  std::vector<Circle> circles;
  if (type == 1 && (flags & 4)) circles.push_back({o.x - s, double(o.y), s, kYellow, "unit"});
  const int bands = freq().m_nFreqs / freq().m_nTickStep;
  auto add = [&](const double* radii, QRgb colour, const char* kind) {
    for (int i = 0; i < bands; ++i) {
      const int b = type == 1 ? i : bands - 1 - i;
      const McComplex& p = BandCentre(type, b);
      const double r = std::trunc(radii[b * 2] * s);
      if (r >= 2)
        circles.push_back({o.x + std::trunc(p.re * s), o.y - std::trunc(p.im * s), r, colour,
                           kind + std::to_string(b)});
    }
  };
  if (flags & 1)
    add(type == 1 ? freq().m_bandDirect.get() : freq().m_bandInverse.get(), kSilver,
        "Gershgorin band ");
  if (type == 2 && (flags & 2)) add(freq().m_bandOstrowski.get(), kGrey, "Ostrowski band ");
  return circles;
}

std::vector<Segment> FreqZoom::CurveNearCell(int type, double s, CPoint o, int w, int h) const {
  const McComplex* response = Response(type);
  std::vector<Segment> near;
  for (int k = 1; k < freq().m_nFreqs; ++k) {
    const McComplex &a = response[size_t(k - 1) * 4], &b = response[size_t(k) * 4];
    const Segment g{o.x + a.re * s, o.y - a.im * s, o.x + b.re * s, o.y - b.im * s};
    if (std::min(g.x0, g.x1) < w + 10 && std::max(g.x0, g.x1) > -10 &&
        std::min(g.y0, g.y1) < h + 10 && std::max(g.y0, g.y1) > -10)
      near.push_back(g);
  }
  return near;
}

std::map<std::string, Tally> FreqZoom::CheckOutlines(const QImage& image, int type, BYTE flags,
                                                     double s, CPoint o, int w, int h) const {
  const std::vector<Circle> circles = Circles(type, flags, s, o);
  const std::vector<Segment> curve = CurveNearCell(type, s, o, w, h);
  const int ax = std::clamp<int>(o.x, -1, w), ay = std::clamp<int>(o.y, -1, h);
  const double line = o.x + std::trunc(-0.5 * s);  // the inverse diagram's yellow line
  // Axes and labels (fixed metrics: 12-pixel boxes), the curve with its
  // glyphs and the yellow line are drawn over the circles.
  auto drawnOver = [&](const QPointF& p) {
    if (std::fabs(p.x() - ax) <= 55 || std::fabs(p.y() - ay) <= 22) return true;
    if (type == 2 && std::fabs(p.x() - line) <= 3) return true;
    for (const Segment& g : curve)
      if (DistanceToSegment(p.x(), p.y(), g) <= 4) return true;
    return false;
  };
  std::map<std::string, Tally> tallies;
  for (size_t i = 0; i < circles.size(); ++i) {
    const Circle& c = circles[i];
    Tally& tally = tallies[c.name];
    for (const QPointF& p : OutlineInCell(c, w, h)) {
      if (drawnOver(p)) continue;
      bool nearLater = false, underLater = false;
      for (size_t j = i + 1; j < circles.size(); ++j) {
        const double d = std::hypot(p.x() - circles[j].cx, p.y() - circles[j].cy);
        nearLater = nearLater || std::fabs(d - circles[j].r) <= 3;
        underLater = underLater || d < circles[j].r;
      }
      if (nearLater) continue;
      const bool wrong =
          underLater ? ColourNear(image, p, 1, c.colour) : !ColourNear(image, p, 2, c.colour);
      if (wrong && tally.lost + tally.showing == 0) tally.firstWrong = p;
      if (underLater)
        ++tally.covered, tally.showing += wrong;
      else
        ++tally.open, tally.lost += wrong;
    }
  }
  return tallies;
}

TEST_F(FreqZoom, EveryOutlineCrossingTheCellIsDrawnAtAnyZoom) {
  dragtest::MakeDragDesign(doc());
  const struct {
    UINT command;
    BYTE flags;
    double scale;
    Target target;
    int band;  // the band whose outline must show
  } rows[] = {
      {INYQUIST, 5, 500, kCriticalPoint, 28},  // band 28's centre 3,600 px above the cell
      {INYQUIST, 5, 200, kBandTop, 39},        // 235,000 px radius, centre 4,900 px away
      {INYQUIST, 7, 3000, kBandTop, 37},       // 1,750,000 px radius; Ostrowski bands too
      {INYQUIST, 5, 1e6, kBandsMeet, 15},      // band 14's disc over band 15's outline
      {NYQUIST, 5, 3000, kUnitCircleTop, -1},  // centre 3,000 px below the cell
      {NYQUIST, 5, 1e7, kUnitCircleTop, -1},  {NYQUIST, 5, 3000, kBandTop, 3},
  };
  for (const auto& row : rows) {
    g_bFreqFlags = row.flags;
    doc().Recalculate();
    const int type = row.command == NYQUIST ? 1 : 2;
    const QImage sized = Show(row.command);
    const int w = sized.width() / 2, h = sized.height() / 2;
    const McComplex target = TargetPoint(type, row.target, row.band);
    ASSERT_TRUE(std::isfinite(target.re) && std::isfinite(target.im)) << row.scale;
    const double s = row.scale;
    const CPoint o(w / 2 - static_cast<int>(std::trunc(target.re * s)),
                   h / 2 + static_cast<int>(std::trunc(target.im * s)));
    doc().m_diagView[type] = {s, s, static_cast<int>(o.x), static_cast<int>(o.y)};
    const auto tallies = CheckOutlines(Show(row.command), type, row.flags, s, o, w, h);
    int open = 0;
    for (const auto& [name, tally] : tallies) {
      open += tally.open;
      EXPECT_EQ(tally.lost + tally.showing, 0)
          << s << " px/unit, " << name << ": " << tally.lost << " of " << tally.open
          << " open points without its colour, " << tally.showing << " of " << tally.covered
          << " covered points with it; first at " << tally.firstWrong.x() << ","
          << tally.firstWrong.y();
    }
    EXPECT_GE(open, 40) << s << " px/unit: too few outline points checked";
    const Tally mine =
        tallies.at(row.band < 0 ? "unit" : "Gershgorin band " + std::to_string(row.band));
    EXPECT_GE(mine.open, 20) << s << " px/unit";
    if (row.target == kBandsMeet) {
      EXPECT_GE(mine.covered, 20) << s << " px/unit";
    }
  }
}

// The part of an ellipse in a rectangle: nothing when they do not meet or a
// value is not finite, the rectangle itself when it lies inside, one closed
// outline when the ellipse lies inside, and, for a circle of a billion
// pixels, an arc within a pixel of the circle from edge to edge.
TEST(EllipseClip, PartsInTheRectangle) {
  EXPECT_TRUE(ClipEllipse(500, 50, 100, 100, 0, 0, 100, 100).arcs.empty());
  EXPECT_TRUE(ClipEllipse(500, 50, 100, 100, 0, 0, 100, 100).region.empty());
  EXPECT_TRUE(ClipEllipse(NAN, 50, 100, 100, 0, 0, 100, 100).region.empty());
  EXPECT_TRUE(ClipEllipse(50, 50, HUGE_VAL, 100, 0, 0, 100, 100).region.empty());
  const EllipseInRect covered = ClipEllipse(50, 50, 1e12, 1e12, 0, 0, 100, 100);
  EXPECT_TRUE(covered.arcs.empty());
  EXPECT_EQ(covered.region.size(), 4u);
  const EllipseInRect inside = ClipEllipse(50, 50, 20, 10, 0, 0, 100, 100);
  ASSERT_EQ(inside.arcs.size(), 1u);
  EXPECT_LE(std::abs(inside.arcs[0].front().x - inside.arcs[0].back().x), 1);
  EXPECT_LE(std::abs(inside.arcs[0].front().y - inside.arcs[0].back().y), 1);
  // Centre a billion pixels below the rectangle, the top of the outline at
  // y = 40: it crosses the left and right edges.
  const double r = 1e9, cy = 40 + r;
  const EllipseInRect far = ClipEllipse(50, cy, r, r, 0, 0, 100, 100);
  ASSERT_EQ(far.arcs.size(), 1u);
  const std::vector<POINT>& arc = far.arcs[0];
  EXPECT_GE(arc.size(), 60u);
  EXPECT_EQ(std::min(arc.front().x, arc.back().x), 0);
  EXPECT_GE(std::max(arc.front().x, arc.back().x), 99);
  for (const POINT& p : arc) EXPECT_NEAR(std::hypot(p.x + 0.5 - 50, p.y + 0.5 - cy), r, 1.0);
  EXPECT_GE(far.region.size(), arc.size() + 2) << "the two lower corners";
}

}  // namespace
