#pragma once
// The diagram view of a new design in a frame of a fixed size, and the pixels
// where a new design's root locus must show its glyphs.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "diagrams/RootLocus.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/FrameWnd.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace qxviewtest {

// Pixels as 0xRRGGBB.
constexpr QRgb kTeal = 0x008080;       // closed-loop pole glyph
constexpr QRgb kDarkGreen = 0x008000;  // pole glyph of G
constexpr QRgb kWhitePixel = 0xFFFFFF;
constexpr QRgb kBlackPixel = 0x000000;

// The pixel of s in the document's root locus: origin + (Re s x, -Im s y) scale.
inline QPoint RootLocusPixel(const CQorexDoc& doc, double re, double im) {
  return {doc.m_ptRlOrigin.x + static_cast<int>(std::trunc(re * doc.m_dRlScaleX)),
          doc.m_ptRlOrigin.y - static_cast<int>(std::trunc(im * doc.m_dRlScaleY))};
}

inline QRgb At(const QImage& image, QPoint p) {
  return image.valid(p) ? image.pixel(p) & 0xFFFFFF : 0xFFFFFFFFu;
}

// A new design (P = K = L = 1, G = 1 / (s + 1), F = f11 = 1) as its view
// shows it: the closed-loop pole at s = -2, the pole of the process G at -1,
// and the locus of f11 along the real axis from its first point on.
inline void ExpectNewDesignRootLocus(const QImage& image, const CQorexDoc& doc) {
  const QPoint closed = RootLocusPixel(doc, -2, 0);
  EXPECT_EQ(At(image, closed + QPoint(-3, -3)), kTeal) << "closed-loop pole";
  EXPECT_EQ(At(image, closed + QPoint(3, -3)), kTeal) << "closed-loop pole";
  const QPoint process = RootLocusPixel(doc, -1, 0);
  EXPECT_EQ(At(image, process + QPoint(-2, -3)), kDarkGreen) << "pole of G";
  EXPECT_EQ(At(image, process + QPoint(2, 3)), kDarkGreen) << "pole of G";
  // Locus points away from the glyphs and from their neighbours show their
  // colour, fading by 150 / N per point, on their pixel and its diagonals.
  ASSERT_GE(doc.m_nVarPoints, 1);
  const CVARpoints& locus = doc.m_pVarPoints[0];
  ASSERT_GT(locus.m_nCount, 2);
  int checked = 0;
  double offset = 0;
  for (int k = 0; k < locus.m_nCount; ++k, offset += 150.0 / locus.m_nCount) {
    EXPECT_NEAR(locus.m_pPoints[k].im, 0, 1e-9) << "along the real axis, point " << k;
    const QPoint p = RootLocusPixel(doc, locus.m_pPoints[k].re, locus.m_pPoints[k].im);
    auto clear = [&](int j) {
      return j < 0 || j >= locus.m_nCount ||
             std::abs(RootLocusPixel(doc, locus.m_pPoints[j].re, 0).x() - p.x()) > 4;
    };
    if (!image.rect().adjusted(4, 4, -4, -4).contains(p) || std::abs(p.x() - process.x()) <= 6 ||
        std::abs(p.x() - closed.x()) <= 6 || !clear(k - 1) || !clear(k + 1))
      continue;
    const COLORREF c = LocusPointColour(0, offset);
    for (QPoint d : {QPoint(0, 0), QPoint(-1, -1), QPoint(2, -2)})
      EXPECT_EQ(At(image, p + d), qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF)
          << "locus point " << k;
    ++checked;
  }
  EXPECT_GE(checked, 3);
  // The first point of the sweep lies next to the process's pole.
  EXPECT_LE(std::abs(RootLocusPixel(doc, locus.m_pPoints[0].re, 0).x() - process.x()), 1);
}

// A new design in a view of a plain frame of a fixed size, initially updated.
class ViewWindow {
 public:
  explicit ViewWindow(CRect frameRect = CRect(0, 0, 640, 480)) {
    InitGlobalResources();
    m_doc = new CQorexDoc;
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CQorexView);
    context.m_pCurrentDoc = m_doc;
    m_frame = new CFrameWnd;
    m_frame->Create(nullptr, "View test", WS_OVERLAPPEDWINDOW, frameRect, nullptr, nullptr, 0,
                    &context);
    m_frame->InitialUpdateFrame(m_doc, TRUE);
    m_view = static_cast<CQorexView*>(m_frame->GetActiveView());
    QxTest::PumpEvents();
  }
  ~ViewWindow() {
    // The last view gone closes and deletes the document.
    if (m_frame->GetSafeHwnd()) m_frame->DestroyWindow();
    QxTest::PumpEvents();
  }
  ViewWindow(const ViewWindow&) = delete;
  ViewWindow& operator=(const ViewWindow&) = delete;

  CQorexDoc* doc() const { return m_doc; }
  CQorexView* view() const { return m_view; }
  QImage Image() const { return QxTest::ClientImage(m_view); }
  void Command(UINT id) const { m_view->SendMessage(WM_COMMAND, id); }

 private:
  CQorexDoc* m_doc = nullptr;
  CFrameWnd* m_frame = nullptr;
  CQorexView* m_view = nullptr;
};

}  // namespace qxviewtest
