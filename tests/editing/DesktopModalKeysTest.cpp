// Keys typed into the editing dialogs as the window system delivers them: the
// formula editor's Undo, Cut, Copy and Paste by their keys (the frame's
// accelerators) inside "Edit Models", while the frame's other keys do nothing
// behind the dialog; and the keyboard back where it was after a message box.
// Runs on the headless platform and again on a real window system.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "MainFrm.h"
#include "editing/VarBar.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/MessageBoxUi.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

using namespace dlgtest;
using pvtest::Text;

class DesktopModalKeys : public EditingDialogs {
 protected:
  CVarBar& Vars() const { return Frame()->m_wndVarbar; }
};

// Message boxes as the user meets them: on a real window system each shows
// and Return answers it from the keyboard; headless, each is answered where
// it would show. Their texts, in order.
class AnsweredBoxes {
 public:
  AnsweredBoxes() {
    if (!qxtest::OnRealWindowSystem()) {
      m_script = std::make_unique<QxTest::ShownBoxScript>();
      return;
    }
    m_saved = QxSetMessageBoxHandler(&QxShowMessageBox);
    m_watch.setInterval(20);
    QObject::connect(&m_watch, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || box == m_answered) return;
      m_answered = box;
      m_texts.push_back(box->text().toStdString());
      QTimer::singleShot(100, box, [box] { QTest::keyClick(box->windowHandle(), Qt::Key_Return); });
    });
    m_watch.start();
  }
  ~AnsweredBoxes() {
    if (!m_script) QxSetMessageBoxHandler(m_saved);
  }
  std::vector<std::string> Texts() const {
    if (!m_script) return m_texts;
    std::vector<std::string> texts;
    for (const QxTest::ShownBox& box : m_script->Boxes()) texts.push_back(box.text);
    return texts;
  }

 private:
  std::unique_ptr<QxTest::ShownBoxScript> m_script;
  QxMessageBoxHandler m_saved = nullptr;
  QTimer m_watch;
  QPointer<QMessageBox> m_answered;
  std::vector<std::string> m_texts;
};

void EmptyTheClipboard() {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
}

// The numerator and the denominator of the Process's copy 1/(s + 1).
CMcBasic* Numerator(CZevMCWnd& editor) {
  return editor.GetShownExpression()->m_children[1]->m_children[0];
}
CMcBasic* Denominator(CZevMCWnd& editor) {
  return editor.GetShownExpression()->m_children[1]->m_children[1];
}

TEST_F(DesktopModalKeys, TheEditorsCommandKeysReachItInsideEditModels) {
  const struct {
    const char* keys;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    UINT command;
    bool typedFirst;  // Undo has something to undo
  } rows[] = {
      {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO, true},
      {"Alt+Backspace", Qt::Key_Backspace, Qt::AltModifier, ID_EDIT_UNDO, true},
      {"Ctrl+Z, nothing typed", Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO, false},
      {"Ctrl+X", Qt::Key_X, Qt::ControlModifier, ID_EDIT_CUT, false},
      {"Shift+Delete", Qt::Key_Delete, Qt::ShiftModifier, ID_EDIT_CUT, false},
      {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, ID_EDIT_COPY, false},
      {"Ctrl+Insert", Qt::Key_Insert, Qt::ControlModifier, ID_EDIT_COPY, false},
      {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, ID_EDIT_PASTE, false},
      {"Shift+Insert", Qt::Key_Insert, Qt::ShiftModifier, ID_EDIT_PASTE, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    std::string before, after;
    bool copied = false;
    int beeps = 0;
    QxTest::DialogScript script({[&](CDialog& d) {
      ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
      CZevMCWnd& editor = dynamic_cast<CEditModels&>(d).m_wndEditor;
      EmptyTheClipboard();
      if (row.command == ID_EDIT_PASTE) {  // the denominator's s on the clipboard
        ClickNode(editor, Denominator(editor));
        editor.SendMessage(WM_COMMAND, ID_EDIT_COPY);
      }
      ClickNode(editor, Numerator(editor));
      if (row.typedFirst) {
        Key(editor, VK_BACK);
        Type(editor, "7");
      }
      before = Text(editor.GetShownExpression());
      beeps = Beeps();
      qxtest::TypedKey(row.key, row.modifiers);
      beeps = Beeps() - beeps;
      after = Text(editor.GetShownExpression());
      copied = IsClipboardFormatAvailable(editor.m_nClipFormat) != FALSE;
      Close(d);
    }});
    Command(ID_EDIT_MODELS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    switch (row.command) {
      case ID_EDIT_UNDO:
        if (row.typedFirst) {
          EXPECT_EQ(before, "(G(s) ? {7}/{(s + 1)})");
          EXPECT_NE(after, before);
        } else {  // its update handler disables it: not even a beep
          EXPECT_EQ(after, before);
          EXPECT_EQ(beeps, 0);
        }
        break;
      case ID_EDIT_CUT:
        EXPECT_TRUE(copied);
        EXPECT_NE(after, before);
        break;
      case ID_EDIT_COPY:
        EXPECT_TRUE(copied);
        EXPECT_EQ(after, before);
        break;
      case ID_EDIT_PASTE:
        EXPECT_EQ(after, "(G(s) ? {s}/{(s + 1)})");
        break;
    }
  }
  EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");  // every dialog was cancelled
}

TEST_F(DesktopModalKeys, TheFramesOtherKeysDoNothingBehindADialog) {
  const int designs = m_app->GetOpenDocumentCount();
  QxTest::DialogScript script({[&](CDialog& d) {
    ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
    CZevMCWnd& editor = dynamic_cast<CEditModels&>(d).m_wndEditor;
    ClickNode(editor, Numerator(editor));
    qxtest::TypedKey(Qt::Key_N, Qt::ControlModifier);
    d.GetDlgItem(IDC_MODEL)->SetFocus();
    qxtest::TypedKey(Qt::Key_N, Qt::ControlModifier);
    qxtest::TypedKey(Qt::Key_O, Qt::ControlModifier);
    Close(d);
  }});
  QxTest::FileDialogScript files({});
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), designs);
  EXPECT_TRUE(files.Prompts().empty());
}

// Edit Models refuses an improper model at OK; once Return closed the box,
// what the user types goes on into the model.
TEST_F(DesktopModalKeys, AfterARefusedOkTheKeysGoOnIntoTheEditor) {
  AnsweredBoxes boxes;
  std::string refused, typed;
  bool editorHasTheKeys = false;
  QxTest::DialogScript script({[&](CDialog& d) {
    ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
    CZevMCWnd& editor = dynamic_cast<CEditModels&>(d).m_wndEditor;
    ClickNode(editor, Numerator(editor));
    Key(editor, VK_BACK);
    Type(editor, "a*s^2");
    refused = Text(editor.GetShownExpression());
    QWidget* ok = d.GetDlgItem(IDOK)->GetWidget();
    qxtest::SystemClick(ok, ok->rect().center());
    ASSERT_TRUE(d.ContinueModal());
    ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
    editorHasTheKeys = CWnd::GetFocus() == &editor && editor.m_edit.IsEditing();
    qxtest::TypedText("+2");
    typed = Text(editor.GetShownExpression());
    Close(d);
  }});
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"At least one of the models you have "
                                                    "edited\ncannot be accepted as valid."});
  EXPECT_EQ(refused, "(G(s) ? {a*s^2}/{(s + 1)})");
  EXPECT_TRUE(editorHasTheKeys);
  EXPECT_EQ(typed, "(G(s) ? {a*s^(2 + 2)}/{(s + 1)})");  // the caret stood in the exponent
}

// Text that is no number, then Tab: said once, the table's value shown
// again, the keyboard where Tab took it; a menu command then opens its
// dialog, which no box comes back over.
TEST_F(DesktopModalKeys, TextTheVariablesBarCannotReadIsSaidOnceAndLeavesNothingBehind) {
  PickElement(kModelK, 0, 0, 3);  // a fresh variable of value 1 in -10 to 10
  QxTest::PumpUntilIdle();
  ASSERT_GE(Vars().m_wndList.GetCurSel(), 0);
  const struct {
    int id;
    const char* shownAgain;
  } rows[] = {{IDC_VALUE, "1"}, {IDC_MINIMUM, "-10"}, {IDC_MAXIMUM, "10"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shownAgain);
    CWnd* edit = Vars().GetDlgItem(row.id);
    CWnd* next = QxNextTabItem(&Vars(), edit, false);
    // Into the bar as the user goes there. On a real window system that is a
    // click, which the window manager handles after the closing of the last
    // row's dialog; a request of the program's own can be overtaken by it.
    if (qxtest::XInputAvailable())
      qxtest::XClick(edit->GetWidget(), edit->GetWidget()->rect().center());
    else
      edit->GetWidget()->window()->activateWindow();
    ASSERT_TRUE(qxtest::WaitForFocusWindow(edit->GetWidget()))
        << "the edit's window never got the keyboard";
    AnsweredBoxes boxes;
    edit->SetFocus();
    edit->SendMessage(EM_SETSEL, 0, -1);
    qxtest::TypedText("abc");
    qxtest::TypedKey(Qt::Key_Tab);
    QxTest::PumpUntilIdle();
    CString shown;
    edit->GetWindowText(shown);
    EXPECT_STREQ(shown, row.shownAgain);
    EXPECT_EQ(CWnd::GetFocus(), next);
    QxTest::DialogScript script({[&](CDialog& d) { Close(d); }});
    Command(ID_EDIT_SIGNALS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Please enter a number."});
  }
  double value, minimum, maximum;
  Doc()->m_vars.Get(static_cast<int>(Vars().m_wndList.GetItemData(Vars().m_wndList.GetCurSel())),
                    &value, &minimum, &maximum);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(minimum, -10.0);
  EXPECT_EQ(maximum, 10.0);
}

}  // namespace
