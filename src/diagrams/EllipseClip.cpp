#include "diagrams/EllipseClip.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kTwoPi = 6.283185307179586476925;

struct Ellipse {
  double cx, cy, rx, ry;
  double X(double t) const { return cx + rx * std::cos(t); }
  double Y(double t) const { return cy + ry * std::sin(t); }
  // |dP/dt|, at least the smaller radius.
  double Speed(double t) const { return std::hypot(rx * std::sin(t), ry * std::cos(t)); }
};

struct Box {
  double left, top, right, bottom;
  bool Holds(double x, double y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
};

double Wrapped(double t) {
  return t < 0 ? t + kTwoPi : t;
}

// The parameters where the outline meets the rectangle's sides, with 0 and
// 2 pi, in ascending order.
std::vector<double> Cuts(const Ellipse& e, const Box& box) {
  std::vector<double> cuts{0.0, kTwoPi};
  for (double x : {box.left, box.right}) {
    const double c = (x - e.cx) / e.rx;
    if (!(std::fabs(c) <= 1)) continue;
    const double t = std::acos(c);
    cuts.push_back(t);
    cuts.push_back(kTwoPi - t);
  }
  for (double y : {box.top, box.bottom}) {
    const double s = (y - e.cy) / e.ry;
    if (!(std::fabs(s) <= 1)) continue;
    const double t = std::asin(s);
    cuts.push_back(Wrapped(t));
    cuts.push_back(3.14159265358979323846 - t);
  }
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

// The parameter intervals whose outline lies inside; an interval that runs
// through 0 is one interval ending beyond 2 pi.
std::vector<std::pair<double, double>> InsideIntervals(const Ellipse& e, const Box& box) {
  const std::vector<double> cuts = Cuts(e, box);
  std::vector<std::pair<double, double>> inside;
  for (size_t i = 1; i < cuts.size(); ++i) {
    const double a = cuts[i - 1], b = cuts[i];
    if (!(b > a)) continue;
    const double mid = a + (b - a) / 2;
    if (!box.Holds(e.X(mid), e.Y(mid))) continue;
    if (!inside.empty() && inside.back().second == a)
      inside.back().second = b;
    else
      inside.push_back({a, b});
  }
  if (inside.size() > 1 && inside.front().first == 0.0 && inside.back().second == kTwoPi) {
    inside.back().second = kTwoPi + inside.front().second;
    inside.erase(inside.begin());
  }
  return inside;
}

POINT PixelIn(double x, double y, const Box& box) {
  return {static_cast<LONG>(std::floor(std::clamp(x, box.left, box.right))),
          static_cast<LONG>(std::floor(std::clamp(y, box.top, box.bottom)))};
}

void Append(std::vector<POINT>& points, POINT p) {
  if (points.empty() || points.back().x != p.x || points.back().y != p.y) points.push_back(p);
}

std::vector<POINT> Arc(const Ellipse& e, const Box& box, double a, double b, double step) {
  std::vector<POINT> arc;
  double t = a;
  for (int n = 0; n < kMaxArcPoints - 1 && t < b; ++n) {
    Append(arc, PixelIn(e.X(t), e.Y(t), box));
    t += step / std::max(e.Speed(t), 1e-300);
  }
  Append(arc, PixelIn(e.X(b), e.Y(b), box));
  return arc;
}

// The outline's points and the corners inside the ellipse, around their mean.
std::vector<POINT> Region(const Ellipse& e, const Box& box,
                          const std::vector<std::vector<POINT>>& arcs) {
  std::vector<POINT> points;
  for (const std::vector<POINT>& arc : arcs) points.insert(points.end(), arc.begin(), arc.end());
  for (double x : {box.left, box.right})
    for (double y : {box.top, box.bottom}) {
      const double u = (x - e.cx) / e.rx, v = (y - e.cy) / e.ry;
      if (u * u + v * v <= 1) points.push_back(PixelIn(x, y, box));
    }
  if (points.size() < 3) return {};
  double mx = 0, my = 0;
  for (const POINT& p : points) mx += p.x, my += p.y;
  mx /= static_cast<double>(points.size());
  my /= static_cast<double>(points.size());
  std::sort(points.begin(), points.end(), [&](const POINT& p, const POINT& q) {
    return std::atan2(p.y - my, p.x - mx) < std::atan2(q.y - my, q.x - mx);
  });
  return points;
}

}  // namespace

EllipseInRect ClipEllipse(double cx, double cy, double rx, double ry, double left, double top,
                          double right, double bottom, double step) {
  EllipseInRect part;
  const Ellipse e{cx, cy, std::fabs(rx), std::fabs(ry)};
  const Box box{left, top, right, bottom};
  for (double v : {cx, cy, e.rx, e.ry, left, top, right, bottom})
    if (!std::isfinite(v)) return part;
  if (e.rx < 0.5 || e.ry < 0.5 || !(right > left) || !(bottom > top) || !(step > 0)) return part;
  for (const auto& [a, b] : InsideIntervals(e, box)) part.arcs.push_back(Arc(e, box, a, b, step));
  part.region = Region(e, box, part.arcs);
  return part;
}
