// Cut, Copy, Paste and Undo by their keys in the bars' edits, as the user
// presses them: real keys through the X server while a bar's edit has the
// keyboard. The frame's accelerators for them must act on the edit's text,
// never on the diagram behind it. Judged by the desktop's clipboard text, the
// edit's text and, for the comment, what reached the design. Needs a real
// window system and xdotool; skipped elsewhere.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "MainFrm.h"
#include "editing/VarBar.h"

#include <QClipboard>
#include <QMainWindow>

namespace {

using namespace dlgtest;

class DesktopModalClipboard : public EditingDialogs {
 protected:
  void SetUp() override {
    EditingDialogs::SetUp();
    if (!qxtest::XInputAvailable()) GTEST_SKIP() << "needs an X server with xdotool";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()->QxMainWindow()->windowHandle(),
                                             qxtest::kXEventBoundMs));
  }
  void ShowComments() {
    Frame()->ShowControlBar(&Frame()->m_wndCommentBar, TRUE, FALSE);
    QxTest::PumpUntilIdle();
    QWidget* edit = Frame()->m_wndCommentBar.GetDlgItem(IDC_COMMENT)->GetWidget();
    ASSERT_TRUE(qxtest::Exposed(edit));
  }
  static QString Clipboard() { return QGuiApplication::clipboard()->text(); }
  static CString TextOf(CWnd* edit) {
    CString text;
    edit->GetWindowText(text);
    return text;
  }
};

// One key of the frame's accelerators and what it must do to the edit.
enum class Does { Copy, Cut, Paste, Undo };
struct KeyRow {
  const char* keys;  // as xdotool names them
  Does does;
};
const KeyRow kKeys[] = {
    {"ctrl+c", Does::Copy},      {"ctrl+Insert", Does::Copy},   {"ctrl+x", Does::Cut},
    {"shift+Delete", Does::Cut}, {"ctrl+v", Does::Paste},       {"shift+Insert", Does::Paste},
    {"ctrl+z", Does::Undo},      {"alt+BackSpace", Does::Undo},
};

TEST_F(DesktopModalClipboard, EachClipboardKeyActsOnTheTextOfTheBarsEdit) {
  ShowComments();
  const struct {
    const char* name;
    CWnd* bar;
    int id;
    bool docked;
    const char* text;    // what the edit holds before the key
    const char* pasted;  // what the clipboard holds for Paste
  } fields[] = {
      {"Comments, floating", &Frame()->m_wndCommentBar, IDC_COMMENT, false, "tuned", "by hand"},
      {"Comments, docked", &Frame()->m_wndCommentBar, IDC_COMMENT, true, "tuned", "by hand"},
      {"Variables' value", &Frame()->m_wndVarbar, IDC_VALUE, false, "2.5", "0.75"},
      {"Variables' minimum", &Frame()->m_wndVarbar, IDC_MINIMUM, false, "-2.5", "-7.25"},
      {"Variables' maximum", &Frame()->m_wndVarbar, IDC_MAXIMUM, false, "2.5", "7.25"},
  };
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (const auto& field : fields) {
    auto* bar = static_cast<CControlBar*>(field.bar);
    if (field.docked) Frame()->DockControlBar(bar);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(bar->IsFloating(), !field.docked);
    CWnd* edit = field.bar->GetDlgItem(field.id);
    QWidget* widget = edit->GetWidget();
    ASSERT_TRUE(qxtest::Exposed(widget));
    int clicks = 0;
    for (const KeyRow& key : kKeys) {
      SCOPED_TRACE(std::string(field.name) + ", " + key.keys);
      // Never where the pointer already is: the window system would not move it.
      qxtest::XClick(widget, QPoint(widget->width() - 4 - clicks++ % 2, widget->height() / 2));
      ASSERT_TRUE(qxtest::XFocusIsOn(widget))
          << "the X server's focus did not come to the clicked field's window";
      // The program's focus follows once the toolkit has carried the change out.
      ASSERT_TRUE(
          QTest::qWaitFor([edit] { return QxTest::Focus() == edit; }, qxtest::kXEventBoundMs))
          << "the program's focus did not come to the clicked field";
      // Set once the keyboard is here: leaving the last field refreshed the bar.
      edit->SetWindowText(field.text);
      clipboard->setText(key.does == Does::Paste ? field.pasted : "left alone");
      if (key.does == Does::Undo) {
        qxtest::XKeys("End");
        qxtest::XType("9");
        ASSERT_STREQ(TextOf(edit), (std::string(field.text) + "9").c_str());
      } else {
        qxtest::XKeys("End shift+Home");
      }
      qxtest::XKeys(key.keys);
      QxTest::PumpUntilIdle();
      const std::string text = TextOf(edit).GetString();
      switch (key.does) {
        case Does::Copy:
          EXPECT_EQ(Clipboard().toStdString(), field.text);
          EXPECT_EQ(text, field.text);
          break;
        case Does::Cut:
          EXPECT_EQ(Clipboard().toStdString(), field.text);
          EXPECT_EQ(text, "");
          break;
        case Does::Paste:
          EXPECT_EQ(text, field.pasted);
          break;
        case Does::Undo:
          EXPECT_EQ(text, field.text);
          EXPECT_EQ(Clipboard().toStdString(), "left alone");
          break;
      }
      if (field.id == IDC_COMMENT) {
        EXPECT_EQ(Doc()->m_strComment.GetString(), text);
      }
      // A number the bar can read when the keyboard leaves the field.
      edit->SetWindowText(field.text);
    }
  }
}

}  // namespace
