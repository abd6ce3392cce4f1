// The editor window's clipboard: what Copy and Cut put there (a picture, then
// the private record), what Paste makes of it in another editor, and what
// every clipboard failure shows and leaves.
#include "tests/editing/ZevMCWndTestSupport.h"

#include "platform/core/GlobalMemory.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/ui/Clipboard.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

namespace {

using namespace wndtest;
using namespace qxtest::trees;

// The clipboard as another program reads it.
struct ClipboardContents {
  std::vector<UINT> formats;  // in the order they were put there
  SIZE_T headerSize = 0;
  METAFILEPICT header;
  std::vector<BYTE> record;  // the private block, whole
};

ClipboardContents ReadClipboard(UINT privateFormat) {
  ClipboardContents c;
  if (!OpenClipboard(nullptr)) return c;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
    c.formats.push_back(f);
  if (HANDLE block = GetClipboardData(CF_METAFILEPICT)) {
    c.headerSize = GlobalSize(block);
    std::memcpy(&c.header, GlobalLock(block), sizeof(METAFILEPICT));
    GlobalUnlock(block);
  }
  if (HANDLE block = GetClipboardData(privateFormat)) {
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
    c.record.assign(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return c;
}

class EditorClipboard : public EditorWindowTest {
 protected:
  // K(s) = k_p (1 + 2/s), its variable bound to entry 3 of a variable table.
  static CMcBasic* Controller() {
    CMcVariable* gain = Variable("k", 0, "p");
    gain->m_index = 3;
    return Prod({gain, Sum({Real(1), Div(Real(2), S())})});
  }
  CMcBasic* FillController() {
    CMcBasic* model = Controller();
    Editor().Fill({model});
    return model;
  }
  std::vector<std::string> Messages(const QxTest::MessageBoxScript& boxes) {
    std::vector<std::string> texts;
    for (const auto& box : boxes.Boxes()) texts.push_back(box.text);
    return texts;
  }
};

TEST_F(EditorClipboard, CopyPutsThePictureThenTheRecordAsStoreWritesIt) {
  CMcBasic* model = FillController();
  CMcBasic* sum = model->m_children[1];
  Editor().Click(sum->m_children[1]->m_children[0]);  // the 2
  Wnd().m_edit.BeginEdit(sum, Wnd().GetEditHost(), FALSE);
  Wnd().SendCommand(ID_EDIT_COPY);
  EXPECT_EQ(g_bClipboardDrawing, 0);
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  const ClipboardContents c = ReadClipboard(Wnd().m_nClipFormat);
  ASSERT_EQ(c.formats, (std::vector<UINT>{CF_METAFILEPICT, Wnd().m_nClipFormat}));
  EXPECT_EQ(c.headerSize, sizeof(METAFILEPICT));
  EXPECT_EQ(c.header.mm, MM_TEXT);
  EXPECT_EQ(c.header.xExt, sum->m_box.width + 5);
  EXPECT_EQ(c.header.yExt, sum->m_box.height + 5);
  // The white corner pixels stretch the bounds; the sum is drawn from (2, 2).
  EXPECT_EQ(QxMetaFileBounds(c.header.hMF),
            CRect(0, 0, sum->m_box.width + 6, sum->m_box.height + 6));
  const QImage picture = QxRenderMetaFile(c.header.hMF, RECT{0, 0, c.header.xExt, c.header.yExt},
                                          c.header.xExt, c.header.yExt);
  QRect ink;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if ((picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ink |= QRect(x, y, 1, 1);
  EXPECT_TRUE(QRect(2, 2, sum->m_box.width, sum->m_box.height).contains(ink)) << ink.x();
  EXPECT_FALSE(ink.isEmpty());
  // The record starts the block; the bytes after it mean nothing.
  const std::vector<BYTE> expected = edtest::RecordAs(sum, true);
  ASSERT_GE(c.record.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), c.record.begin()));
}

TEST_F(EditorClipboard, CopyWhileNotEditingTakesTheShownExpression) {
  CMcBasic* model = FillController();
  Wnd().SendCommand(ID_EDIT_COPY);
  const ClipboardContents c = ReadClipboard(Wnd().m_nClipFormat);
  const std::vector<BYTE> expected = edtest::RecordAs(model, true);
  ASSERT_GE(c.record.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), c.record.begin()));
  // Cut without a caret copies and does nothing else.
  Wnd().SendCommand(ID_EDIT_CUT);
  EXPECT_EQ(Editor().Shown(), model);
  EXPECT_EQ(edtest::RecordAs(model, true), expected);
}

TEST_F(EditorClipboard, PasteIntoASecondEditorGivesAnEqualNodeWithItsVariablesUnbound) {
  CMcBasic* model = FillController();
  Wnd().SendCommand(ID_EDIT_COPY);
  EditorHolder second;
  CMcBasic* target = Real(9);
  second.Fill({Div(target, Sum({S(), Real(1)}))});
  second.Click(target);
  second.Wnd().SendCommand(ID_EDIT_PASTE);
  CMcBasic* pasted = second.Wnd().m_edit.m_pCaret;
  ASSERT_NE(pasted, nullptr);
  EXPECT_EQ(pasted->m_parent, second.Shown());
  EXPECT_EQ(edtest::TreeText(pasted), edtest::TreeText(model));
  EXPECT_EQ(pasted->Compare(model), 0);
  const auto* gain = static_cast<const CMcVariable*>(pasted->m_children[0]);
  EXPECT_EQ(gain->m_index, CMcVariable::kUnbound);
  EXPECT_EQ(QxTest::Focus(), &second.Wnd());
  // A new edit begins at the pasted node: the paste cannot be undone.
  EXPECT_EQ(second.Wnd().m_edit.GetLogLength(), 0);
  QxClearDebugOutput();
  second.Wnd().SendCommand(ID_EDIT_UNDO);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(edtest::TreeText(second.Shown()),
            "Division(" + edtest::TreeText(model) + ",Listsum(s,1))");
}

TEST_F(EditorClipboard, CutIsCopyPlusOneBackspaceAndCanBeUndone) {
  CMcBasic* model = FillController();
  CMcBasic* two = model->m_children[1]->m_children[1]->m_children[0];
  const std::vector<BYTE> twoRecord = edtest::RecordAs(two, true);
  Editor().Click(two);
  const std::string before = Editor().ShownText();
  Wnd().SendCommand(ID_EDIT_CUT);
  const std::string cut = Editor().ShownText();
  EXPECT_EQ(Wnd().m_edit.GetLogLength(), 1);
  const ClipboardContents c = ReadClipboard(Wnd().m_nClipFormat);
  EXPECT_TRUE(std::equal(twoRecord.begin(), twoRecord.end(), c.record.begin()));
  Wnd().SendCommand(ID_EDIT_UNDO);
  EXPECT_EQ(Editor().ShownText(), before);
  // The same Backspace typed in a second editor gives the tree the cut gave.
  EditorHolder second;
  CMcBasic* copy = Controller();
  second.Fill({copy});
  second.Click(copy->m_children[1]->m_children[1]->m_children[0]);
  second.Key(VK_BACK);
  EXPECT_EQ(second.ShownText(), cut);
}

TEST_F(EditorClipboard, PasteWithoutTheFormatOnlyBeeps) {
  CMcBasic* model = FillController();
  Editor().Click(model->m_children[0]);
  QxTest::MessageBoxScript boxes;
  Wnd().SendCommand(ID_EDIT_PASTE);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(Editor().ShownText(), "Listmult(k_p@1,Listsum(1,Division(2,s))[P])");
}

// Each failure: its message, the clipboard closed, the formula never without
// its picture, the edited tree as it was; AddressSanitizer sees every block freed.
TEST_F(EditorClipboard, EachClipboardFailureGivesItsMessageAndLeavesTheClipboardClosed) {
  const struct {
    const char* what;
    unsigned calls;
    int spared;
    UINT command;
    std::vector<std::string> messages;
    std::vector<UINT> formats;  // on the clipboard afterwards
  } rows[] = {
      {"copy, picture cannot open",
       QxTest::kClipboardOpen,
       0,
       ID_EDIT_COPY,
       {"Cannot open the Clipboard"},
       {CF_TEXT}},
      {"copy, picture cannot empty",
       QxTest::kClipboardEmpty,
       0,
       ID_EDIT_COPY,
       {"Cannot empty the Clipboard"},
       {CF_TEXT}},
      {"copy, picture not set",
       QxTest::kClipboardSet,
       0,
       ID_EDIT_COPY,
       {"Unable to set Clipboard data"},
       {}},
      {"copy, record cannot open",
       QxTest::kClipboardOpen,
       1,
       ID_EDIT_COPY,
       {"Cannot open Clipboard"},
       {CF_METAFILEPICT}},
      {"copy, record not set",
       QxTest::kClipboardSet,
       1,
       ID_EDIT_COPY,
       {"Unable to set Clipboard data"},
       {CF_METAFILEPICT}},
      {"cut, picture not set",
       QxTest::kClipboardSet,
       0,
       ID_EDIT_CUT,
       {"Unable to set Clipboard data"},
       {}},
      {"cut, record not set",
       QxTest::kClipboardSet,
       1,
       ID_EDIT_CUT,
       {"Unable to set Clipboard data"},
       {CF_METAFILEPICT}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    CMcBasic* model = Prod({Variable("k"), Sum({Real(1), Div(Real(2), S())})});
    EditorHolder editor;
    editor.Fill({model});
    editor.Click(model->m_children[0]);
    const std::string before = editor.ShownText();
    // Something of another program's on the clipboard beforehand.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 2);
    static_cast<char*>(GlobalLock(text))[0] = 'a';
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    QxTest::MessageBoxScript boxes;
    {
      QxTest::ClipboardFailures failures(row.calls, row.spared);
      editor.Wnd().SendCommand(row.command);
    }
    EXPECT_EQ(Messages(boxes), row.messages);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    EXPECT_EQ(g_bClipboardDrawing, 0);
    EXPECT_EQ(ReadClipboard(editor.Wnd().m_nClipFormat).formats, row.formats);
    EXPECT_EQ(editor.ShownText(), before);
    QxTest::ResetClipboard();
  }
}

TEST_F(EditorClipboard, APasteThatCannotOpenTheClipboardSaysSoAndChangesNothing) {
  CMcBasic* model = FillController();
  Wnd().SendCommand(ID_EDIT_COPY);
  Editor().Click(model->m_children[0]);
  const std::string before = Editor().ShownText();
  QxTest::MessageBoxScript boxes;
  {
    QxTest::ClipboardFailures failures(QxTest::kClipboardOpen);
    Wnd().SendCommand(ID_EDIT_PASTE);
  }
  EXPECT_EQ(Messages(boxes), std::vector<std::string>{"Cannot open Clipboard"});
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_EQ(Editor().ShownText(), before);
}

}  // namespace
