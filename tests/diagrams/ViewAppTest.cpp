// End to end: the program started as it starts for a user shows a new design,
// maximised, with its root locus.
#include "diagrams/QorexView.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "tests/diagrams/ViewTestSupport.h"

namespace {

using namespace qxviewtest;

class ViewApp : public QorexAppTest {
 protected:
  CQorexView* ActiveView() const {
    CMDIChildWnd* child = Frame()->MDIGetActive();
    return child ? dynamic_cast<CQorexView*>(child->GetActiveView()) : nullptr;
  }
};

TEST_F(ViewApp, NewDesignOpensMaximisedWithItsRootLocus) {
  BOOL maximised = FALSE;
  ASSERT_NE(Frame()->MDIGetActive(&maximised), nullptr);
  EXPECT_TRUE(maximised);
  CQorexView* view = ActiveView();
  ASSERT_NE(view, nullptr);
  CQorexDoc* doc = ActiveDoc();
  ASSERT_EQ(view->GetDocument(), doc);
  doc->UpdateAll();
  QxTest::PumpUntilIdle();
  ExpectNewDesignRootLocus(QxTest::ClientImage(view), *doc);
}

// A second design gets its own maximised view; both show their own diagram.
TEST_F(ViewApp, EachDesignWindowShowsItsDesign) {
  CQorexView* first = ActiveView();
  ASSERT_NE(first, nullptr);
  first->SendMessage(WM_COMMAND, NYQUIST);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexView* second = ActiveView();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  EXPECT_EQ(first->m_wDiagram, 1);
  EXPECT_EQ(second->m_wDiagram, 0);
  ExpectNewDesignRootLocus(QxTest::ClientImage(second), *second->GetDocument());
}

}  // namespace
