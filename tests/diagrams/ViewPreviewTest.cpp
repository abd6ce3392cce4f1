// The design's diagram through the print preview: the page shows the root
// locus as printed, and closing the preview leaves the design's window as it was.
#include "diagrams/QorexView.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/PrintPreview.h"
#include "tests/support/QorexAppFixture.h"

namespace {

class ViewPreview : public QorexAppTest {};

TEST_F(ViewPreview, ThePageShowsTheDiagramAndClosingKeepsTheView) {
  CMDIChildWnd* child = Frame()->MDIGetActive();
  ASSERT_NE(child, nullptr);
  auto* view = dynamic_cast<CQorexView*>(child->GetActiveView());
  ASSERT_NE(view, nullptr);

  view->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
  QxTest::PumpUntilIdle();
  auto* preview = dynamic_cast<CQxPreviewWnd*>(QxTest::PreviewWindow());
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->GetPageCount(), 1u);

  // The sheet is white with the diagram's coloured marks on it.
  const QImage image = QxTest::ClientImage(preview);
  const CRect page = preview->GetPageRect(0);
  ASSERT_FALSE(page.IsRectEmpty());
  int white = 0, coloured = 0;
  for (int y = page.top; y < page.bottom; ++y) {
    for (int x = page.left; x < page.right; ++x) {
      const QRgb c = image.pixel(x, y);
      if ((c & 0xFFFFFF) == 0xFFFFFF)
        ++white;
      else if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
        ++coloured;
    }
  }
  EXPECT_GT(white, page.Width() * page.Height() / 2);
  EXPECT_GT(coloured, 10) << "the locus and the pole markers";

  preview->SendMessage(WM_COMMAND, AFX_ID_PREVIEW_CLOSE);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(QxTest::PreviewWindow(), nullptr);
  EXPECT_EQ(Frame()->MDIGetActive(), child);
  EXPECT_EQ(child->GetActiveView(), view);
}

}  // namespace
