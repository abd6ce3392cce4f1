#include "search/TradeoffWnd.h"

#include "GlobalResources.h"
#include "QorexDoc.h"
#include "search/QOX_HistVar.h"
#include "platform/gdi/SelectGuard.h"

#include <algorithm>
#include <cmath>

BEGIN_MESSAGE_MAP(CTradeoffWnd, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

namespace {

constexpr int kInitialBins = 20;
constexpr int kStagger = 10;  // pixels down and to the left per criterion
constexpr int kBinWidth = 5;  // pixels per bin
// The strip's pens, criterion by criterion.
constexpr int kPenOfCriterion[CTradeoffWnd::kCriteria] = {2, 5, 0, 4, 3, 7, 8, 1, 9};
// A coordinate beyond this many pixels is drawn at it: far outside any window,
// yet still a whole number.
constexpr double kFarPixel = 30000.0;

}  // namespace

CTradeoffWnd::CTradeoffWnd() {
  Resize(kInitialBins);
}

void CTradeoffWnd::Resize(int bins) {
  m_nBins = std::max(bins, 1);
  for (auto& curve : m_pCurve) curve.reset(new double[m_nBins]());
}

void CTradeoffWnd::Compute() {
  if (m_pDoc == nullptr || m_pDoc->m_pHistory == nullptr) return;
  const QOX_HistVar& h = *m_pDoc->m_pHistory;
  const int s = m_nSelected, r = m_nReference;
  if (h.m_nCount <= 0 || r < 0 || r >= h.m_nCount || s < 0 || s >= kCriteria) return;
  for (int c = 0; c < kCriteria; ++c) {
    double best = 1e300;
    m_dMax[c] = m_dMin[c] = h.m_ppCriteria[0][c];
    m_dNearest[c] = h.m_ppCriteria[0][c];
    for (int e = 0; e < h.m_nCount; ++e) {
      const double v = h.m_ppCriteria[e][c];
      m_dMax[c] = std::max(m_dMax[c], v);
      m_dMin[c] = std::min(m_dMin[c], v);
      if (std::fabs(v - m_dTarget[c]) < best) {
        best = std::fabs(v - m_dTarget[c]);
        m_dNearest[c] = v;
      }
    }
    m_dFarEnd[c] = 2.0 * h.m_ppCriteria[r][c] - m_dNearest[c];
    const double width = (m_dNearest[c] - m_dFarEnd[c]) / m_nBins;
    for (int b = 0; b < m_nBins; ++b) {
      const double end0 = m_dFarEnd[c] + b * width, end1 = m_dFarEnd[c] + (b + 1) * width;
      const double lo = std::min(end0, end1), hi = std::max(end0, end1);
      double& best = m_pCurve[c][b];
      best = m_dTarget[c] > 0.0 ? -kEmpty : kEmpty;
      for (int e = 0; e < h.m_nCount; ++e) {
        const double v = h.m_ppCriteria[e][c];
        if (v < lo || v > hi) continue;
        const double vs = h.m_ppCriteria[e][s];
        if (std::fabs(vs - m_dTarget[s]) < std::fabs(best - m_dTarget[s])) best = vs;
      }
    }
  }
}

void CTradeoffWnd::OnPaint() {
  CPaintDC dc(this);
  const int s = m_nSelected;
  if (s < 0 || s >= kCriteria) return;
  // A range of 0, or one that is not finite, would put every point at
  // infinity: nothing is drawn then.
  const double range = m_dNearest[s] - m_dFarEnd[s];
  if (range == 0.0 || !std::isfinite(range)) return;
  CRect client;
  GetClientRect(&client);
  int x0 = client.Width() / 2, y0 = client.Height() / 2;
  QxSelectGuard pen(dc, g_pPenCurve[kPenOfCriterion[0]]);
  for (int c = 0; c < kCriteria; ++c) {
    dc.SelectObject(g_pPenCurve[kPenOfCriterion[c]]);
    bool drawing = false;  // an empty bin breaks the curve
    for (int k = 0; k < m_nBins; ++k) {
      const double v = m_pCurve[c][k];
      if (std::fabs(v) >= kEmpty || !std::isfinite(v)) {
        drawing = false;
        continue;
      }
      const double y = std::clamp(y0 + v / range * m_dScale, -kFarPixel, kFarPixel);
      const int x = x0 + kBinWidth * k, yi = static_cast<int>(std::trunc(y));
      if (drawing)
        dc.LineTo(x, yi);
      else
        dc.MoveTo(x, yi);
      drawing = true;
    }
    x0 -= kStagger;
    y0 += kStagger;
  }
}
