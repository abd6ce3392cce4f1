// A question that opens in the middle of a slider drag, answered with the
// mouse on a real window system: the box gets the click, the drag has ended,
// and the design, the other open design and the active window are as they
// were when the question opened. Input goes through the window system's
// queue, where a mouse grab left with the slider would take every click.
// And the accuracy question answered Yes: the simulator properties that open
// take what the user types, where the window manager gives the keys.
#include "tests/editing/ProcessViewTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "GlobalResources.h"
#include "MainFrm.h"
#include "editing/VarBar.h"
#include "platform/testing/TestHooks.h"
#include "res/resource.h"

#include "platform/testing/DialogHooks.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBoxUi.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

using namespace pvtest;

class DesktopModal : public ProcessView {
 protected:
  void TearDown() override {
    g_dWatchdogTol = m_savedTolerance;
    QxSetMessageBoxHandler(m_savedHandler);
    ProcessView::TearDown();
  }
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
  // Gives K(1,1) of the active design a fresh variable; its user index.
  int MakeVariable() {
    PickElement(kModelK, 0, 0, 3);
    QxTest::PumpUntilIdle();
    const int sel = Vars().m_wndList.GetCurSel();
    return sel < 0 ? -1 : static_cast<int>(Vars().m_wndList.GetItemData(sel));
  }
  // Into the floating Variables bar as the user goes there: on a real window
  // system a click on the bar's margin, since a window manager may refuse a
  // program's own request for the activation (it follows the user's input).
  void KeysIntoVars() {
    if (qxtest::XInputAvailable())
      qxtest::XClick(Vars().GetWidget(), QPoint(3, 3));
    else
      Vars().GetWidget()->window()->activateWindow();
  }
  static double Value(CQorexDoc* doc, int user) {
    double v, mn, mx;
    doc->m_vars.Get(user, &v, &mn, &mx);
    return v;
  }
  double m_savedTolerance = g_dWatchdogTol;
  // The real boxes, as the program shows them.
  QxMessageBoxHandler m_savedHandler = QxSetMessageBoxHandler(&QxShowMessageBox);
};

QAbstractButton* ButtonNamed(QMessageBox* box, const char* text) {
  for (QAbstractButton* button : box->buttons())
    if (button->text() == QLatin1String(text)) return button;
  return nullptr;
}

TEST_F(DesktopModal, AQuestionDuringASliderDragTakesTheClickAndChangesNothingBehindIt) {
  if (!qxtest::OnRealWindowSystem()) GTEST_SKIP() << "a mouse grab needs a real window system";
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                           qxtest::kXEventBoundMs));
  // The other open design, with a variable of its own.
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexDoc* other = Doc();
  const int otherUser = MakeVariable();
  const double otherValue = Value(other, otherUser);
  other->SetModifiedFlag(FALSE);
  CMDIChildWnd* otherChild = Frame()->MDIGetActive();
  // This design, active again.
  Frame()->MDINext();
  QxTest::PumpUntilIdle();
  ASSERT_NE(Doc(), other);
  CQorexDoc* doc = Doc();
  CMDIChildWnd* child = Frame()->MDIGetActive();
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  ASSERT_NE(child, otherChild);
  g_dWatchdogTol = 0;  // every recalculation asks now

  // While the question is open: note the state, click "Yes" with the mouse.
  // The simulator properties then open: click inside them, cancel them.
  double valueAsked = 0;
  CQorexDoc* activeAsked = nullptr;
  int questions = 0;
  bool clickIgnored = false;
  QElapsedTimer sinceClick;
  QTimer watch;
  watch.setInterval(20);
  QPointer<QMessageBox> first;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (!first) {
      first = box;
      ++questions;
      valueAsked = Value(doc, user);
      activeAsked = Doc();
      QAbstractButton* yes = ButtonNamed(box, "&Yes");
      ASSERT_NE(yes, nullptr);
      sinceClick.start();
      // Clicked from its own turn of the loop: whatever the click opens must
      // not hold up this watch.
      QTimer::singleShot(0, yes, [yes] { qxtest::SystemClick(yes, yes->rect().center()); });
      return;
    }
    // Only a click that went elsewhere leaves the box this long.
    if (box == first && sinceClick.elapsed() < qxtest::kXEventBoundMs) return;
    // The click went elsewhere, or the click reached the design and it asked
    // again: no more questions, and this one answered by key to end the test.
    if (box == first) clickIgnored = true;
    if (box != first) ++questions;
    g_dWatchdogTol = m_savedTolerance;
    QTimer::singleShot(0, box, [box] { QTest::keyClick(box->windowHandle(), Qt::Key_Escape); });
  });
  watch.start();
  QxTest::ModalScript properties([&](CWnd* dialog) {
    qxtest::SystemClick(dialog->GetWidget(), QPoint(10, 10));
    static_cast<CDialog*>(dialog)->EndDialog(IDCANCEL);
  });

  CRect track;
  Vars().m_wndSlider.GetClientRect(&track);
  const int y = track.CenterPoint().y;
  const CPoint at(track.left + (track.Width() * 55) / 100, y);
  QxTest::MouseDown(&Vars().m_wndSlider, at);
  for (int x = at.x; x <= track.right && questions == 0; x += 7)
    QxTest::MouseMove(&Vars().m_wndSlider, {x, y});
  // The user goes on moving the mouse and lets go far to the left.
  QxTest::MouseMove(&Vars().m_wndSlider, {track.left, y});
  QxTest::MouseUp(&Vars().m_wndSlider, {track.left, y});
  QxTest::PumpUntilIdle();
  watch.stop();

  ASSERT_EQ(questions, 1);
  EXPECT_FALSE(clickIgnored) << "the box's button did not get the click";
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_DOUBLE_EQ(Value(doc, user), valueAsked);
  EXPECT_DOUBLE_EQ(Value(other, otherUser), otherValue);
  EXPECT_EQ(activeAsked, doc);
  EXPECT_EQ(Doc(), doc);
  EXPECT_FALSE(other->IsModified());
}

// Yes to the accuracy question after a value typed into the Variables bar:
// the simulator properties open, the user types the new sampling time and
// presses Return. The design takes that time; the question may come back while
// the step is too coarse (here always: no tolerance), and No then ends it.
TEST_F(DesktopModal, TheSamplingTimeTypedAfterTheAccuracyQuestionIsTheOneTaken) {
  if (!qxtest::OnRealWindowSystem()) GTEST_SKIP() << "window activation needs a window manager";
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                           qxtest::kXEventBoundMs));
  CQorexDoc* doc = Doc();
  ASSERT_GE(MakeVariable(), 0);
  ASSERT_DOUBLE_EQ(doc->m_dSamplingTime, 0.05);
  g_dWatchdogTol = 0;

  const char* const answers[] = {"&Yes", "&No"};
  int questions = 0;
  QPointer<QMessageBox> answered;
  // Every wait bounded: a box is answered once it has the keyboard, and one
  // that its answer never reached is ended, saying which answer was lost.
  QElapsedTimer shownFor;
  QElapsedTimer answeredFor;
  QPointer<QMessageBox> shown;
  QTimer watch;
  watch.setInterval(20);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (box == answered) {
      if (answeredFor.elapsed() < qxtest::kXEventBoundMs) return;
      ADD_FAILURE() << "the answer to question " << questions << " never reached the box in "
                    << qxtest::kXEventBoundMs << " ms: " << qxtest::FocusReport(box);
      answered = nullptr;
      box->reject();
      return;
    }
    if (box != shown) {
      shown = box;
      shownFor.start();
    }
    if (QGuiApplication::focusWindow() != box->windowHandle()) {
      if (shownFor.elapsed() < qxtest::kXEventBoundMs) return;
      ADD_FAILURE() << "question " << questions + 1 << " never got the keyboard in "
                    << qxtest::kXEventBoundMs << " ms: " << qxtest::FocusReport(box);
    }
    answered = box;
    answeredFor.start();
    if (questions++ >= 2) {  // asked once too often: ended by key
      g_dWatchdogTol = m_savedTolerance;
      QTimer::singleShot(0, box, [box] { QTest::keyClick(box->windowHandle(), Qt::Key_Escape); });
      return;
    }
    QAbstractButton* button = ButtonNamed(box, answers[questions - 1]);
    ASSERT_NE(button, nullptr);
    QTimer::singleShot(0, button,
                       [button] { qxtest::SystemClick(button, button->rect().center()); });
  });
  watch.start();
  bool focused = false;
  QxTest::DialogScript properties({[&](CDialog& dialog) {
    focused = qxtest::WaitForFocusWindow(dialog.GetWidget());
    qxtest::TypedText("0.01");
    qxtest::TypedKey(Qt::Key_Return);
  }});

  CWnd* value = Vars().GetDlgItem(IDC_VALUE);
  // The keys go into the bar once its window is the active one, after the
  // user's click there: a call alone does not move them into another window.
  KeysIntoVars();
  ASSERT_TRUE(qxtest::WaitForFocusWindow(Vars().GetWidget()));
  value->SetFocus();
  value->SetWindowText("9");
  Vars().m_wndList.SetFocus();  // the bar takes the value as the focus leaves it
  QxTest::PumpUntilIdle();
  watch.stop();

  ASSERT_EQ(properties.Dialogs().size(), 1u);
  EXPECT_TRUE(focused) << "the simulator properties never got the focus";
  EXPECT_EQ(properties.Dialogs()[0].result, IDOK);
  EXPECT_DOUBLE_EQ(doc->m_dSamplingTime, 0.01);
  EXPECT_EQ(questions, 2);
}

// Arrow keys on the Variables bar's slider until the accuracy question
// comes; answered No, or Yes with the simulator properties then cancelled.
// The next arrow key moves the slider again: the keyboard is back in the
// floating bar, not with the frame that owned the question.
TEST_F(DesktopModal, TheSliderTakesTheNextArrowKeyAfterTheAccuracyQuestion) {
  if (qxtest::OnRealWindowSystem()) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                             qxtest::kXEventBoundMs));
  }
  CQorexDoc* doc = Doc();
  const int user = MakeVariable();
  ASSERT_GE(user, 0);
  CSliderCtrl& slider = Vars().m_wndSlider;
  ASSERT_TRUE(Vars().IsFloating());
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes, then the properties cancelled");
    KeysIntoVars();
    ASSERT_TRUE(qxtest::WaitForFocusWindow(slider.GetWidget()))
        << "the slider's window never got the keyboard";
    slider.SetFocus();
    g_dWatchdogTol = 0;  // the next recalculation asks
    QxTest::ClickedBoxScript question(
        {answer}, [&](const QxTest::ShownBox&) { g_dWatchdogTol = m_savedTolerance; });
    // Cancelled as a user would: once the window manager has given it the
    // keyboard. Closed before that, the window manager activates it after
    // it has gone and gives the keys to its owner, the main window.
    QxTest::DialogScript properties({[](CDialog& dialog) {
      EXPECT_TRUE(qxtest::WaitForFocusWindow(dialog.GetWidget()))
          << "the simulator properties never got the keyboard";
      dialog.EndDialog(IDCANCEL);
    }});
    const int start = slider.GetPos();
    qxtest::TypedKey(Qt::Key_Right);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(question.Boxes().size(), 1u);
    EXPECT_EQ(question.Boxes()[0].caption, "Simulator Accuracy Warning");
    EXPECT_EQ(properties.Dialogs().size(), answer == IDYES ? 1u : 0u);
    EXPECT_EQ(slider.GetPos(), start + 1);
    const double asked = Value(doc, user);

    EXPECT_EQ(CWnd::GetFocus(), &slider);
    EXPECT_TRUE(qxtest::WaitForFocusWindow(slider.GetWidget()))
        << "the slider's window never got the keyboard";
    qxtest::TypedKey(Qt::Key_Right);
    QxTest::PumpUntilIdle();
    EXPECT_EQ(slider.GetPos(), start + 2);
    EXPECT_GT(Value(doc, user), asked);
  }
}

}  // namespace
