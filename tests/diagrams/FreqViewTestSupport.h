#pragma once
// The frequency diagrams in the view of a fixed-size frame with fixed font
// metrics, the sweep settings restored around each test, and the pixels where
// the engine's stored values must lie (origin + trunc(value x scale)).
#include "diagrams/FreqDiagrams.h"
#include "res/resource.h"
#include "simulation/SIMfreq.h"
#include "tests/diagrams/ViewTestSupport.h"
#include "tests/simulation/FreqTestSupport.h"
#include "tests/support/Canvas.h"

#include <memory>

namespace qxfreqview {

using namespace qxviewtest;
using namespace freqtest;

constexpr QRgb kYellow = 0xFFFF00, kSilver = 0xC0C0C0, kGrey = 0x969696, kNodeGreen = 0x008000;

class FreqViewTest : public FreqFixture {
 protected:
  void SetUp() override { FreqFixture::SetUp(), window = std::make_unique<ViewWindow>(); }
  void TearDown() override { window.reset(), FreqFixture::TearDown(); }
  CQorexDoc& doc() const { return *window->doc(); }
  CSIMfreq& freq() const { return *window->doc()->m_pFreqModel; }
  QImage Show(UINT command) const {  // after the document changed
    doc().UpdateAll();
    window->Command(command);
    return window->Image();
  }
  // The pixel of (u, v) in the diagram type's cell (r, c) of w x h pixels;
  // far away for values without one.
  CPoint Px(int type, double u, double v, int r = 0, int c = 0, int w = 0, int h = 0) const {
    const QoxDiagView& s = doc().m_diagView[type];
    const double x = std::trunc(u * s.dScaleX), y = std::trunc(v * s.dScaleY);
    if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9)) return {-1 << 20, -1 << 20};
    return {c * w + s.nOriginX + static_cast<int>(x), r * h + s.nOriginY - static_cast<int>(y)};
  }
  const McComplex& Q(int k, int r = 0, int c = 0) const {
    return freq().m_pDirect[(size_t(k) * freq().m_nRows + r) * freq().m_nCols + c];
  }
  double W(int k) const { return SweepFrequencies(freq())[k]; }
  qxtest::FixedMetrics metrics;
  std::unique_ptr<ViewWindow> window;
};

inline QRgb At(const QImage& image, CPoint p) {
  return qxviewtest::At(image, QPoint(p.x, p.y));
}

inline int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
  return n;
}

}  // namespace qxfreqview
