// The keyboard around modal windows on a real window system: where the user
// was typing when a box or a dialog opened, the keys go again once it closed.
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBoxUi.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/DesktopInput.h"

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
          WaitForFocusWindow(d.GetWidget());
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

}  // namespace
}  // namespace qxtest
