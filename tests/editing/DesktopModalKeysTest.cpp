// Keys typed into the editing dialogs as the window system delivers them: the
// formula editor's Undo, Cut, Copy and Paste by their keys (the frame's
// accelerators) inside "Edit Models", while the frame's other keys do nothing
// behind the dialog; and the keyboard back where it was after a message box.
// Runs on the headless platform and again on a real window system.
#include "tests/editing/EditingDialogsTestSupport.h"
#include "tests/support/DesktopInput.h"

#include "platform/ui/Clipboard.h"

namespace {

using namespace dlgtest;
using pvtest::Text;

class DesktopModalKeys : public EditingDialogs {};

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
  } rows[] = {
      {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO},
      {"Alt+Backspace", Qt::Key_Backspace, Qt::AltModifier, ID_EDIT_UNDO},
      {"Ctrl+X", Qt::Key_X, Qt::ControlModifier, ID_EDIT_CUT},
      {"Shift+Delete", Qt::Key_Delete, Qt::ShiftModifier, ID_EDIT_CUT},
      {"Ctrl+C", Qt::Key_C, Qt::ControlModifier, ID_EDIT_COPY},
      {"Ctrl+Insert", Qt::Key_Insert, Qt::ControlModifier, ID_EDIT_COPY},
      {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, ID_EDIT_PASTE},
      {"Shift+Insert", Qt::Key_Insert, Qt::ShiftModifier, ID_EDIT_PASTE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    std::string before, after;
    bool copied = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget()));
      CZevMCWnd& editor = dynamic_cast<CEditModels&>(d).m_wndEditor;
      EmptyTheClipboard();
      if (row.command == ID_EDIT_PASTE) {  // the denominator's s on the clipboard
        ClickNode(editor, Denominator(editor));
        editor.SendMessage(WM_COMMAND, ID_EDIT_COPY);
      }
      ClickNode(editor, Numerator(editor));
      if (row.command == ID_EDIT_UNDO) {
        Key(editor, VK_BACK);
        Type(editor, "7");
      }
      before = Text(editor.GetShownExpression());
      qxtest::TypedKey(row.key, row.modifiers);
      after = Text(editor.GetShownExpression());
      copied = IsClipboardFormatAvailable(editor.m_nClipFormat) != FALSE;
      Close(d);
    }});
    Command(ID_EDIT_MODELS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    switch (row.command) {
      case ID_EDIT_UNDO:
        EXPECT_EQ(before, "(G(s) ? {7}/{(s + 1)})");
        EXPECT_NE(after, before);
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
    ASSERT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget()));
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

}  // namespace
