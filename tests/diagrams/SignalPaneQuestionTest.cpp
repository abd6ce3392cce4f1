// The signal panes while the accuracy watchdog asks its question: the check
// runs its trial in the loop's own signals before asking, so a pane that
// repaints meanwhile must show the design's last complete run.
#include "QorexDoc.h"
#include "platform/core/MessageBox.h"
#include "tests/diagrams/SignalPaneTestSupport.h"
#include "tests/simulation/SimTestSupport.h"

#include <string>

namespace {

using namespace qxsigtest;
using namespace qxtest::trees;

// The pane painted afresh, as the window system asks it to while a modal box
// is up.
QImage Repainted(CZevSIGWnd& pane) {
  pane.Invalidate(TRUE);
  pane.UpdateWindow();
  return QxTest::ClientImage(&pane);
}

// The default design's run is on show; then G = 1/(0.02 s + 1) with F = 1,
// whose closed-loop pole at -100 is far too fast for 0.05 s steps, makes the
// watchdog ask. Its trial (a unit step over 20 half steps after 10 full ones)
// sits in the loop's first 30 samples while the question is open.
TEST_F(SignalPanes, WhileTheAccuracyQuestionIsOpenThePaneShowsTheLastCompleteRun) {
  Doc().m_dSigScaleY = 45;
  Doc().m_system.m_y.m_wFlags |= kSignalShown;  // the process output too
  Change();
  const QImage before = Repainted(Pane());

  simtest::SetModel(Doc(), kModelG, Tf({1}, {1, 0.02}));
  simtest::SetModel(Doc(), kModelF, Real(1));
  int asked = 0;
  QImage during;
  const QxMessageBoxHandler previous =
      QxSetMessageBoxHandler([&](HWND, LPCSTR, LPCSTR caption, UINT) {
        if (caption && std::string(caption) == "Simulator Accuracy Warning") {
          ++asked;
          during = Repainted(Pane());
        }
        return IDNO;
      });
  Change();
  QxSetMessageBoxHandler(previous);

  ASSERT_EQ(asked, 1);
  ASSERT_EQ(during.size(), before.size());
  int differing = 0;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x) differing += At(during, x, y) != At(before, x, y);
  EXPECT_EQ(differing, 0);
  // Once answered, the new design's run is shown.
  EXPECT_NE(Repainted(Pane()), before);
}

}  // namespace
