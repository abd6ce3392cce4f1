// The diagram view: a new design's root locus in a window of a fixed size,
// redrawn after a change of the document, and the diagram commands.
#include "diagrams/RootLocusPropDlg.h"
#include "platform/testing/DialogHooks.h"
#include "res/resource.h"
#include "tests/diagrams/ViewTestSupport.h"

namespace {

using namespace qxviewtest;

// A new design's root locus with the axis cross through its origin, redrawn
// where the origin moved after the document changed.
TEST(View, ShowsTheRootLocusOfANewDesignAndRedrawsAfterAChange) {
  ViewWindow window;
  ASSERT_NE(window.view(), nullptr);
  EXPECT_EQ(window.view()->m_wDiagram, 0);
  CQorexDoc& doc = *window.doc();
  const CPoint old = doc.m_ptRlOrigin;
  QImage image = window.Image();
  ASSERT_GT(image.width(), old.x + 60);
  EXPECT_EQ(At(image, QPoint(old.x, 3)), kBlackPixel);
  EXPECT_EQ(At(image, QPoint(old.x + 60, old.y)), kBlackPixel);
  EXPECT_EQ(At(image, QPoint(old.x + 60, old.y - 20)), kWhitePixel);
  ExpectNewDesignRootLocus(image, doc);

  doc.m_ptRlOrigin = CPoint(300, 150);
  doc.UpdateAll();
  image = window.Image();
  EXPECT_EQ(At(image, QPoint(300 + 60, 150)), kBlackPixel) << "the axis moved with the origin";
  EXPECT_EQ(At(image, QPoint(300 + 60, old.y)), kWhitePixel) << "nothing left of the old one";
  ExpectNewDesignRootLocus(image, doc);
}

// The frequency diagrams show their axes at their document origins; a single
// loop has no characteristic diagrams, so those show the element's diagram
// and the view's type follows.
TEST(View, DiagramCommandsSwitchAndRedraw) {
  struct Row {
    UINT command;
    WORD typeAfterDrawing;
  };
  const Row rows[] = {{NYQUIST, 1},   {INYQUIST, 2}, {NICHOLS, 3}, {BODE, 4},
                      {CHNYQUIST, 1}, {CHBODE, 4},   {RLOCUS, 0}};
  ViewWindow window;
  const CQorexDoc& doc = *window.doc();
  for (const Row& row : rows) {
    window.Command(row.command);
    EXPECT_EQ(window.view()->m_wDiagram, row.typeAfterDrawing) << row.command;
    const QImage image = window.Image();
    const bool rootLocus = row.typeAfterDrawing == 0;
    const QoxDiagView& settings = doc.m_diagView[row.typeAfterDrawing];
    const QPoint origin = rootLocus ? QPoint(doc.m_ptRlOrigin.x, doc.m_ptRlOrigin.y)
                                    : QPoint(settings.nOriginX, settings.nOriginY);
    EXPECT_EQ(At(image, QPoint(origin.x() + 40, origin.y())), kBlackPixel) << row.command;
    if (!rootLocus) {
      EXPECT_EQ(window.view()->m_ptOrigin, CPoint(origin.x(), origin.y())) << row.command;
      EXPECT_EQ(window.view()->m_dScaleX, settings.dScaleX) << row.command;
      EXPECT_EQ(At(image, QPoint(doc.m_ptRlOrigin.x + 60, doc.m_ptRlOrigin.y)), kWhitePixel)
          << "no root locus under diagram " << row.command;
    }
  }
  ExpectNewDesignRootLocus(window.Image(), doc);
}

// "Properties" of the root locus closed without OK changes nothing (after OK
// the loci are swept again, as the dialog's own tests show).
TEST(View, RootLocusPropertiesCancelledChangeNothing) {
  ViewWindow window;
  const CQorexDoc& doc = *window.doc();
  const int before = doc.m_pVarPoints[0].m_nCount;
  QxTest::DialogScript script({[](CDialog& d) { d.SetDlgItemText(IDC_RL_LOGSTEPS, "10"); }});
  window.Command(RLPROPERTIES);
  EXPECT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(g_nRlLogSteps, 30);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nCount, before);
}

}  // namespace
