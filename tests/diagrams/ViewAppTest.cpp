// End to end: the program started as it starts for a user shows each design
// maximised, with its own diagram.
#include "diagrams/QorexView.h"
#include "res/resource.h"
#include "tests/support/QorexAppFixture.h"
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

// Every design gets its own maximised window, which shows its own diagram.
TEST_F(ViewApp, EachDesignOpensMaximisedWithItsOwnDiagram) {
  auto maximised = [this] {
    BOOL result = FALSE;
    return Frame()->MDIGetActive(&result) && result;
  };
  EXPECT_TRUE(maximised());
  // Room beside the bars for the new design's diagram (origin at 400, 200).
  Frame()->MoveWindow(0, 0, 800, 600);
  QxTest::PumpUntilIdle();
  CQorexView* first = ActiveView();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->GetDocument(), ActiveDoc());
  ExpectNewDesignRootLocus(QxTest::ClientImage(first), *ActiveDoc());
  first->SendMessage(WM_COMMAND, NYQUIST);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexView* second = ActiveView();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  EXPECT_TRUE(maximised());
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
  EXPECT_EQ(first->m_wDiagram, 1);
  EXPECT_EQ(second->m_wDiagram, 0);
  ExpectNewDesignRootLocus(QxTest::ClientImage(second), *second->GetDocument());
}

}  // namespace
