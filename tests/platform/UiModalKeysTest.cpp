// Keys and the keyboard around modal windows: the frame's accelerators reach
// a focused window that keeps what is typed only for the commands it handles,
// as its update handlers enable them, and do nothing else behind a modal
// dialog.
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

using UiModalKeys = UiApp;

constexpr UINT IDD_KEEPER = 9301;
constexpr UINT ID_KEEP_UNDO = 33101;   // handled and enabled by the keeper
constexpr UINT ID_KEEP_PASTE = 33102;  // handled, its update handler disables it
constexpr UINT ID_KEEP_OTHER = 33103;  // handled by nobody in the dialog
constexpr int IDC_KEEPER = 1301;

// A window that keeps every key (as a formula editor does) and handles two commands.
class CKeeperWnd : public CWnd {
 public:
  int m_nUndos = 0;
  int m_nPastes = 0;
  std::vector<UINT> m_keys;

 protected:
  UINT OnGetDlgCode() { return static_cast<UINT>(-1); }
  void OnKeyDown(UINT nChar, UINT, UINT) { m_keys.push_back(nChar); }
  void OnUndo() { ++m_nUndos; }
  void OnPaste() { ++m_nPastes; }
  void OnUpdateUndo(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }
  void OnUpdatePaste(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeeperWnd, CWnd)
ON_WM_GETDLGCODE()
ON_WM_KEYDOWN()
ON_COMMAND(ID_KEEP_UNDO, OnUndo)
ON_COMMAND(ID_KEEP_PASTE, OnPaste)
ON_UPDATE_COMMAND_UI(ID_KEEP_UNDO, OnUpdateUndo)
ON_UPDATE_COMMAND_UI(ID_KEEP_PASTE, OnUpdatePaste)
END_MESSAGE_MAP()

class CKeeperDlg : public CDialog {
 public:
  explicit CKeeperDlg(CWnd* parent) : CDialog(IDD_KEEPER, parent) {}
  CKeeperWnd m_wndKeeper;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_wndKeeper.CreateEx(0, nullptr, "keeper", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                         CRect(5, 5, 100, 40), this, IDC_KEEPER);
    GotoDlgCtrl(&m_wndKeeper);
    return FALSE;
  }
};

void RegisterKeeperTemplate() {
  QxDialogTemplate t;
  t.caption = "Keeper";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.rect = CRect(0, 0, 120, 60);
  t.items = {QxMakeDialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                              CRect(70, 40, 105, 54))};
  QxRegisterDialogTemplate(IDD_KEEPER, t);
}

TEST_F(UiModalKeys, AcceleratorsReachAFocusedKeeperOnlyForItsEnabledCommands) {
  constexpr UINT kTable = 0x7E02;
  constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
  QxRegisterAccelerators(kTable, {{kCtrl, 'N', ID_FILE_NEW},
                                  {kCtrl, 'Z', ID_KEEP_UNDO},
                                  {FVIRTKEY | FALT, VK_BACK, ID_KEEP_UNDO},
                                  {FVIRTKEY | FSHIFT, VK_INSERT, ID_KEEP_PASTE},
                                  {kCtrl, 'Q', ID_KEEP_OTHER}});
  const HACCEL saved = Frame()->m_hAccelTable;
  Frame()->m_hAccelTable = LoadAccelerators(nullptr, MAKEINTRESOURCE(kTable));
  RegisterKeeperTemplate();
  CKeeperDlg dlg(Frame());
  int undos = -1, pastes = -1;
  std::vector<UINT> keys;
  bool focused = false;
  QxTest::DialogScript script({[&](CDialog&) {
    focused = CWnd::GetFocus() == &dlg.m_wndKeeper;
    QxTest::PressKey('Z', MK_CONTROL);
    QxTest::PressKey(VK_BACK, QxTest::MK_ALT);
    QxTest::PressKey(VK_INSERT, MK_SHIFT);  // taken, but disabled: nothing runs
    QxTest::PressKey('Q', MK_CONTROL);      // not the keeper's: it keeps the key
    QxTest::PressKey('N', MK_CONTROL);
    QxTest::PumpEvents();
    undos = dlg.m_wndKeeper.m_nUndos;
    pastes = dlg.m_wndKeeper.m_nPastes;
    keys = dlg.m_wndKeeper.m_keys;
    // With the focus on a button nothing of the frame's acts either.
    dlg.GetDlgItem(IDOK)->SetFocus();
    QxTest::PressKey('N', MK_CONTROL);
    QxTest::PumpEvents();
  }});
  dlg.DoModal();
  Frame()->m_hAccelTable = saved;
  QxTest::PumpUntilIdle();
  EXPECT_TRUE(focused);
  EXPECT_EQ(undos, 2);
  EXPECT_EQ(pastes, 0);
  EXPECT_EQ(keys, (std::vector<UINT>{'Q', 'N'}));
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);
  // Without the dialog the frame's accelerator works again.
  ActiveView()->SetFocus();
  QxTest::PressKey('N', MK_CONTROL);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
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
TEST_F(UiModalKeys, TheKeyboardGoesBackWhereItWasWhenABoxOrADialogCloses) {
  if (!OnRealWindowSystem())
    GTEST_SKIP() << "only a real window system moves the keyboard to a box";
  RegisterKeeperTemplate();
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
        CKeeperDlg dlg(Frame());
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

}  // namespace
}  // namespace qxtest
