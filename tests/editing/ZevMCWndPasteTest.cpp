// Pasting is input from outside: damaged or unfitting blocks under the
// private format get one message (none for a group) and leave the edited
// list, the caret and the log exactly as they were.
#include "tests/editing/ZevMCWndTestSupport.h"

#include "MC/McDepthGuard.h"
#include "MC/Mc_desktop.h"
#include "platform/core/GlobalMemory.h"
#include "platform/ui/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using namespace wndtest;
using namespace qxtest::trees;
using Bytes = std::vector<BYTE>;

constexpr const char* kNotSupported = "Not all Plenthoria 98 types are supported";

// A chain of `levels` nodes: sin(sin(...(s))).
CMcBasic* Chain(int levels) {
  CMcBasic* node = S();
  for (int i = 1; i < levels; ++i) node = Fn("sin", node);
  return node;
}

// The clipboard record of a node made for it.
Bytes Owned(CMcBasic* node) {
  Bytes bytes = edtest::RecordAs(node, true);
  delete node;
  return bytes;
}

// A variable record whose name buffer has lost its zeros.
Bytes NameWithoutZeros() {
  Bytes bytes = Owned(Variable("x", 0, "k"));
  // The buffer "x\0k\0" ends the record.
  for (size_t i = bytes.size() - 4; i < bytes.size(); ++i)
    if (bytes[i] == 0) bytes[i] = 'a';
  return bytes;
}

Bytes Truncated() {
  Bytes bytes = Owned(Tf({1, 2}, {3, 4, 5}));
  bytes.resize(bytes.size() / 2);
  return bytes;
}

class EditorPaste : public EditorWindowTest {
 protected:
  // 1 / (s + 2 s): the 2 lies three levels below the definition's top.
  void SetUp() override {
    EditorWindowTest::SetUp();
    Editor().Fill({Div(Real(1), Sum({S(), Prod({Real(2), S()})})), Real(7)});
  }
  // Undo rebuilds the expression, so the path is walked each time.
  CMcBasic* Deep() { return Editor().Shown()->m_children[1]->m_children[1]->m_children[0]; }

  // Puts the bytes on the clipboard under the private format and pastes.
  void Paste(const Bytes& bytes) {
    if (bytes.empty()) {
      // The clipboard holds no empty block; the paste's own reading takes one.
      CArchive in(std::span<const BYTE>{});
      Wnd().Transfer(in, FALSE);
      return;
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_NE(SetClipboardData(Wnd().m_nClipFormat, block), nullptr);
    CloseClipboard();
    Wnd().SendCommand(ID_EDIT_PASTE);
  }
};

TEST_F(EditorPaste, ADamagedOrUnfittingBlockChangesNothing) {
  const struct {
    const char* what;
    std::function<Bytes()> block;
    bool message;
  } rows[] = {
      {"empty", [] { return Bytes{}; }, true},
      {"truncated", Truncated, true},
      {"unknown type word", [] { return Owned(Box(10, 10, 8, kUnknownType)); }, true},
      {"600 levels deep", [] { return Owned(Chain(600)); }, true},
      {"a name buffer without its zeros", NameWithoutZeros, true},
      {"a matrix of 3 elements in 2 columns",
       [] {
         return Owned(Matrix(2, {Real(1), Real(2), Real(3)}));
       },
       true},
      // Sound (the loader takes it) but three levels below the top it would
      // make the definition deeper than a saved design may be.
      {"a record too deep for where it would go",
       [] { return Owned(Chain(McDepthGuard::kMaxDepth - 1)); }, true},
      {"a desktop",
       [] {
         auto* desktop = new CMcDesktop(0);
         desktop->AppendChild(Real(3));
         return Owned(desktop);
       },
       true},
      {"a group", [] { return Owned(new CMcGroup(Real(3), "g", 0)); }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Editor().Click(Deep());
    ASSERT_EQ(Wnd().m_edit.m_pCaret, Deep());
    Editor().Type("5");
    const Bytes list = edtest::RecordAs(Wnd().m_pList, false);
    CMcBasic* caret = Wnd().m_edit.m_pCaret;
    const int side = Wnd().m_edit.m_step.nCaretSide, log = Wnd().m_edit.GetLogLength();
    QxTest::MessageBoxScript boxes;
    Paste(row.block());
    std::vector<std::string> shown;
    for (const auto& box : boxes.Boxes()) shown.push_back(box.text);
    EXPECT_EQ(shown,
              row.message ? std::vector<std::string>{kNotSupported} : std::vector<std::string>{});
    EXPECT_EQ(edtest::RecordAs(Wnd().m_pList, false), list);
    EXPECT_EQ(Wnd().m_edit.m_pCaret, caret);
    EXPECT_EQ(Wnd().m_edit.m_step.nCaretSide, side);
    EXPECT_EQ(Wnd().m_edit.GetLogLength(), log);
    EXPECT_EQ(g_bClipboardDrawing, 0);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    // Back to the 2 for the next row.
    Wnd().SendCommand(ID_EDIT_UNDO);
    QxTest::ResetClipboard();
  }
}

TEST_F(EditorPaste, TheSameDeepRecordFitsOverTheWholeDefinition) {
  QxTest::MessageBoxScript boxes;
  Paste(Owned(Chain(McDepthGuard::kMaxDepth - 1)));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(edtest::TreeText(Editor().Shown()).substr(0, 9), "sin(sin(s");
  EXPECT_TRUE(edtest::LoadsBack(Editor().Shown(), false));
}

TEST_F(EditorPaste, AGroupOrNothingToReplaceIsDroppedSilently) {
  EditorHolder empty;
  QxTest::MessageBoxScript boxes;
  CArchive in(Owned(Real(4)));
  EXPECT_FALSE(empty.Wnd().Transfer(in, FALSE));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(empty.Wnd().m_pList->m_count, 0);
}

}  // namespace
