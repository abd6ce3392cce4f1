// The keyboard around modal windows on a real window system: where the user
// was typing when a box or a dialog opened, the keys go again once it closed.
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBoxUi.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

#include "platform/ui/FileDialog.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Print.h"

#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace qxtest {
namespace {

using UiModalFocus = UiApp;

constexpr UINT IDD_PLAIN = 9301;

// A dialog with nothing but its OK button.
class CPlainDlg : public CDialog {
 public:
  explicit CPlainDlg(CWnd* parent) : CDialog(IDD_PLAIN, parent) {}
};

void RegisterPlainTemplate() {
  QxDialogTemplate t;
  t.caption = "Plain";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.rect = CRect(0, 0, 120, 60);
  t.items = {QxMakeDialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                              CRect(70, 40, 105, 54))};
  QxRegisterDialogTemplate(IDD_PLAIN, t);
}

// Real boxes, answered with Return from the keyboard once they show; where the
// keyboard was as each box showed.
class ReturnToBoxes {
 public:
  ReturnToBoxes() {
    m_watch.setInterval(20);
    QObject::connect(&m_watch, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || box == m_answered) return;
      m_answered = box;
      ++m_count;
      QTimer::singleShot(100, box, [box] { QTest::keyClick(box->windowHandle(), Qt::Key_Return); });
    });
    m_watch.start();
  }
  ~ReturnToBoxes() { QxSetMessageBoxHandler(m_saved); }
  int Count() const { return m_count; }

 private:
  QxMessageBoxHandler m_saved = QxSetMessageBoxHandler(&QxShowMessageBox);
  QTimer m_watch;
  QPointer<QMessageBox> m_answered;
  int m_count = 0;
};

// A message box or a modal dialog opened while the user types into a bar's
// edit: once it closes, what the user types goes on into that edit.
TEST_F(UiModalFocus, TheKeyboardGoesBackWhereItWasWhenABoxOrADialogCloses) {
  if (!OnRealWindowSystem())
    GTEST_SKIP() << "only a real window system moves the keyboard to a box";
  RegisterPlainTemplate();
  CDialogBar& bar = Frame()->m_wndBottomBar;
  for (bool floating : {false, true}) {
    if (floating) {
      CPoint at(200, 200);
      Frame()->ClientToScreen(&at);
      Frame()->FloatControlBar(&bar, at);
      QxTest::PumpUntilIdle();
    }
    for (bool dialog : {false, true}) {
      SCOPED_TRACE(testing::Message() << (dialog ? "a dialog" : "a message box") << " over "
                                      << (floating ? "a floating bar" : "a docked bar"));
      CWnd* edit = bar.GetDlgItem(IDC_BAR_EDIT2);
      edit->SetWindowText("");
      edit->GetWidget()->window()->activateWindow();
      ASSERT_TRUE(WaitForFocusWindow(edit->GetWidget()));
      SystemClick(edit->GetWidget(), QPoint(3, 3));
      ASSERT_EQ(CWnd::GetFocus(), edit);
      ReturnToBoxes boxes;
      if (dialog) {
        CPlainDlg dlg(Frame());
        QxTest::DialogScript script({[](CDialog& d) {
          EXPECT_TRUE(WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
          TypedKey(Qt::Key_Escape);
        }});
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
      } else {
        AfxMessageBox("Stop", MB_OK);
        EXPECT_EQ(boxes.Count(), 1);
      }
      EXPECT_EQ(CWnd::GetFocus(), edit);
      // The user types once the window shows active again.
      EXPECT_TRUE(WaitForFocusWindow(edit->GetWidget()));
      TypedText("7");
      CString text;
      edit->GetWindowText(text);
      EXPECT_STREQ(text, "7");
    }
  }
}

// A box that the frame owns, over a floating bar: the window system gives the
// activation back to the frame, yet the keys go on into the bar's edit. The
// box shows and is clicked on the headless platform too.
TEST_F(UiModalFocus, AfterABoxTheFrameOwnsTheKeysGoBackIntoAFloatingBar) {
  CDialogBar& bar = Frame()->m_wndBottomBar;
  CPoint at(200, 200);
  Frame()->ClientToScreen(&at);
  Frame()->FloatControlBar(&bar, at);
  QxTest::PumpUntilIdle();
  CWnd* edit = bar.GetDlgItem(IDC_BAR_EDIT2);
  edit->SetWindowText("");
  for (const int answer : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(answer);
    edit->GetWidget()->window()->activateWindow();
    ASSERT_TRUE(WaitForFocusWindow(edit->GetWidget()));
    edit->SetFocus();
    QxTest::ClickedBoxScript boxes({answer});
    EXPECT_EQ(MessageBox(Frame()->GetSafeHwnd(), "Stop", "Box", MB_OKCANCEL), answer);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].owned);
    EXPECT_EQ(CWnd::GetFocus(), edit);
    EXPECT_TRUE(WaitForFocusWindow(edit->GetWidget()));
    TypedText("7");
  }
  CString text;
  edit->GetWindowText(text);
  EXPECT_STREQ(text, "77");
}

// A click on the frame just after a box closed, with the keyboard in a
// floating bar before it opened: the click decides, at once and for good.
TEST_F(UiModalFocus, AClickOnTheFrameRightAfterABoxTakesTheKeyboardThere) {
  if (!XInputAvailable()) GTEST_SKIP() << "needs an X server with xdotool";
  CDialogBar& bar = Frame()->m_wndBottomBar;
  CPoint at(200, 200);
  Frame()->ClientToScreen(&at);
  Frame()->FloatControlBar(&bar, at);
  QxTest::PumpUntilIdle();
  CWnd* edit = bar.GetDlgItem(IDC_BAR_EDIT2);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(WindowOf(edit->GetWidget()), kXEventBoundMs))
      << "the floating bar was never shown";
  QWidget* view = ActiveView()->GetWidget();
  for (const int afterMs : {300, 1000, 1600}) {
    SCOPED_TRACE(afterMs);
    XClick(edit->GetWidget(), QPoint(3, 3));
    ASSERT_TRUE(XFocusIsOn(edit->GetWidget()));
    {
      ReturnToBoxes boxes;
      AfxMessageBox("Stop", MB_OK);
      ASSERT_EQ(boxes.Count(), 1);
    }
    QTest::qWait(afterMs);
    XClick(view, QPoint(20, 20));
    for (const int laterMs : {0, 2500}) {
      QTest::qWait(laterMs);
      EXPECT_TRUE(XFocusIsOn(view)) << laterMs;
      EXPECT_EQ(QGuiApplication::focusWindow(), WindowOf(view)) << laterMs;
      EXPECT_EQ(CWnd::GetFocus(), ActiveView()) << laterMs;
    }
  }
}

// The toolkit's own modal loops count as modal loops: a popup menu, the file
// dialog and the page setup.
TEST_F(UiModalFocus, TheToolkitsOwnModalLoopsAreCounted) {
  if (!OnRealWindowSystem()) GTEST_SKIP() << "the toolkit's dialogs show only on a real screen";
  int depth = -1;
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* shown = QApplication::activePopupWidget();
    if (!shown) shown = QApplication::activeModalWidget();
    if (!shown || !shown->isVisible()) return;
    depth = QxTest::ModalDepth();
    if (auto* dialog = qobject_cast<QDialog*>(shown)) {
      dialog->reject();
    } else {
      shown->close();
    }
  });
  const struct {
    const char* name;
    std::function<void()> open;
  } rows[] = {
      {"popup menu",
       [&] {
         CMenu menu;
         menu.CreatePopupMenu();
         menu.AppendMenu(MF_STRING, ID_ROUTE_MAIN, "Main");
         menu.TrackPopupMenu(TPM_RETURNCMD, 100, 100, Frame());
       }},
      {"file dialog",
       [&] {
         CFileDialog dialog(TRUE, "txt", nullptr, 0, "Text (*.txt)|*.txt||", Frame());
         dialog.DoModal();
       }},
      {"page setup", [&] { QxPrintSetup(); }},
  };
  watch.start();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    depth = -1;
    row.open();
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(QxTest::ModalDepth(), 0);
  }
}

// How often a window was raised, from when counting starts.
class RaiseCounter : public QObject {
 public:
  explicit RaiseCounter(QWidget* window) { window->installEventFilter(this); }
  void Start() { m_counting = true; }
  int Count() const { return m_count; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (m_counting && event->type() == QEvent::ZOrderChange) ++m_count;
    return false;
  }

 private:
  bool m_counting = false;
  int m_count = 0;
};

// A box answered while the keyboard was in the frame: as the keyboard goes
// back, the floating bar the frame owns is raised with it, so that a window
// manager that raises the activated window alone does not hide the bar
// behind the frame (the test's own window manager raises them together, so
// what is judged is what the program asked for).
TEST_F(UiModalFocus, TheKeyboardGoingBackRaisesTheFloatingBarsItsWindowOwns) {
  if (!OnRealWindowSystem())
    GTEST_SKIP() << "only a real window system gives the activation back on request";
  CDialogBar& bar = Frame()->m_wndBottomBar;
  CPoint at(200, 200);
  Frame()->ClientToScreen(&at);
  Frame()->FloatControlBar(&bar, at);
  QxTest::PumpUntilIdle();
  QWidget* floating = bar.GetWidget()->window();
  ASSERT_NE(floating, Frame()->GetWidget()->window());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(floating->windowHandle(), kXEventBoundMs))
      << "the floating bar was never shown";
  Frame()->GetWidget()->window()->activateWindow();
  ASSERT_TRUE(WaitForFocusWindow(Frame()->GetWidget()));
  ActiveView()->SetFocus();
  RaiseCounter raised(floating);
  QxTest::ClickedBoxScript boxes({IDOK}, [&](const QxTest::ShownBox&) { raised.Start(); });
  EXPECT_EQ(MessageBox(Frame()->GetSafeHwnd(), "Stop", "Box", MB_OK), IDOK);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(CWnd::GetFocus(), ActiveView());
  EXPECT_GE(raised.Count(), 1) << "the floating bar was not raised with the frame";
}

}  // namespace
}  // namespace qxtest
