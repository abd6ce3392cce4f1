// The diagram view: a new design's root locus in a window of a fixed size,
// redrawn after a change of the document, and the diagram commands.
#include "diagrams/RootLocusPropDlg.h"
#include "platform/testing/DialogHooks.h"
#include "res/resource.h"
#include "tests/diagrams/ViewTestSupport.h"

namespace {

using namespace qxviewtest;

TEST(View, ShowsTheRootLocusOfANewDesign) {
  ViewWindow window;
  CQorexView* view = window.view();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->m_wDiagram, 0);
  EXPECT_NE(view->m_pTips, nullptr);
  const QImage image = window.Image();
  const CQorexDoc& doc = *window.doc();
  ASSERT_GT(image.width(), doc.m_ptRlOrigin.x + 10);
  ASSERT_GT(image.height(), doc.m_ptRlOrigin.y + 10);
  // The axis cross through the origin, away from the glyphs and the labels.
  EXPECT_EQ(At(image, QPoint(doc.m_ptRlOrigin.x, 3)), kBlackPixel);
  EXPECT_EQ(At(image, QPoint(doc.m_ptRlOrigin.x + 60, doc.m_ptRlOrigin.y)), kBlackPixel);
  EXPECT_EQ(At(image, QPoint(doc.m_ptRlOrigin.x + 60, doc.m_ptRlOrigin.y - 20)), kWhitePixel);
  ExpectNewDesignRootLocus(image, doc);
}

TEST(View, RedrawsAfterTheDocumentChanges) {
  ViewWindow window;
  CQorexDoc& doc = *window.doc();
  const int oldAxis = doc.m_ptRlOrigin.y;
  doc.m_ptRlOrigin = CPoint(300, 150);
  doc.UpdateAll();
  const QImage image = window.Image();
  EXPECT_EQ(At(image, QPoint(300 + 60, 150)), kBlackPixel) << "the axis moved with the origin";
  EXPECT_EQ(At(image, QPoint(300 + 60, oldAxis)), kWhitePixel) << "nothing left of the old one";
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

// "Properties" of the root locus: after OK the loci are swept again with the
// new settings; a cancelled dialog changes nothing.
TEST(View, RootLocusPropertiesRecalculateOnlyAfterOk) {
  ViewWindow window;
  const CQorexDoc& doc = *window.doc();
  const int before = doc.m_pVarPoints[0].m_nCount;
  {
    QxTest::DialogScript script({[](CDialog&) {}});  // closed without OK
    window.Command(RLPROPERTIES);
  }
  EXPECT_EQ(g_nRlLogSteps, 30);
  EXPECT_EQ(doc.m_pVarPoints[0].m_nCount, before);
  {
    QxTest::DialogScript script({[](CDialog& d) {
      d.SetDlgItemText(IDC_RL_LOGSTEPS, "10");
      d.SendMessage(WM_COMMAND, IDOK);
    }});
    window.Command(RLPROPERTIES);
  }
  const int after = doc.m_pVarPoints[0].m_nCount;
  g_nRlLogSteps = 30;
  EXPECT_LT(after, before) << "fewer steps, fewer points";
  ExpectNewDesignRootLocus(window.Image(), doc);
}

}  // namespace
