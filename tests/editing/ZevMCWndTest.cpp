// The formula editor window driven by real mouse and key events: where a
// click starts the edit, what keys and focus do, panning and the context
// menu, undo and redo, and what its picture shows.
#include "tests/editing/ZevMCWndTestSupport.h"

#include "platform/ui/Clipboard.h"
#include "platform/ui/Dialog.h"

#include <gtest/gtest.h>

#include <QImage>

#include <functional>

namespace {

using namespace wndtest;
using namespace qxtest::trees;

class EditorWindow : public EditorWindowTest {
 protected:
  // The model 1/(s + 1), shown and laid out.
  CMcBasic* FillModel() {
    CMcBasic* model = Div(Real(1), Sum({S(), Real(1)}));
    Editor().Fill({model});
    return model;
  }
  QImage Image() { return QxTest::ClientImage(&Wnd()); }
  // The box of node in client pixels.
  QRect BoxOf(const CMcBasic* node) {
    const CPoint at = Editor().PointIn(node, 0, 0);
    return QRect(at.x, at.y, node->m_box.width, node->m_box.height);
  }
  static int Count(const QImage& image, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
    return n;
  }
};

constexpr QRgb kRedInk = 0xFF0000;
constexpr QRgb kBlackInk = 0x000000;

TEST_F(EditorWindow, AClickEditsAtTheDeepestNodeAndKeysEditTheTree) {
  CMcBasic* model = FillModel();
  CMcBasic* one = model->m_children[0];
  Editor().Click(one);
  ASSERT_EQ(Wnd().m_edit.m_pCaret, one);
  EXPECT_EQ(QxTest::Focus(), &Wnd());
  Editor().Key(VK_BACK);
  Editor().Type("2");
  EXPECT_EQ(Editor().ShownText(), "Division(2@1,Listsum(s,1))");
  // A click beside the formula (inside the list, on no child) edits the whole.
  QxTest::Click(&Wnd(), CPoint(kEditorWidth - 20, kEditorHeight - 20));
  EXPECT_EQ(Wnd().m_edit.m_pCaret, Editor().Shown());
}

TEST_F(EditorWindow, AnEmptyListTakesNoClickAndNoMenu) {
  QxTest::PopupMenuScript menus;
  QxTest::Click(&Wnd(), CPoint(30, 30));
  QxTest::Click(&Wnd(), CPoint(30, 30), QxTest::Button::Right);
  QxTest::PumpEvents();
  EXPECT_FALSE(Wnd().m_edit.IsEditing());
  EXPECT_TRUE(menus.Menus().empty());
  // Copy with nothing shown puts nothing on the clipboard.
  Wnd().SendCommand(ID_EDIT_COPY);
  EXPECT_EQ(CountClipboardFormats(), 0);
}

TEST_F(EditorWindow, TheDoubleQuoteFlipsOnlyTextModeAndIsNotAnEdit) {
  CMcBasic* model = FillModel();
  Editor().Click(model->m_children[0]);
  g_nDisplaySettings = DisplaySettings(3, 5);  // a "FontSize" index and "RealFix" digits
  Editor().Type("\"");
  EXPECT_EQ(g_nDisplaySettings, DisplaySettings(3, 5) | kDisplayTextMode);
  Editor().Type("\"");
  EXPECT_EQ(g_nDisplaySettings, DisplaySettings(3, 5));
  EXPECT_EQ(Wnd().m_edit.GetLogLength(), 0);
  EXPECT_EQ(Editor().ShownText(), "Division(1@1,Listsum(s,1))");
}

TEST_F(EditorWindow, LosingTheFocusEndsTheEditAndTakesTheCaret) {
  CMcBasic* model = FillModel();
  Editor().Click(model->m_children[0]);
  ASSERT_TRUE(Wnd().m_edit.IsEditing());
  EXPECT_EQ(QxTest::Caret().owner, &Wnd());
  EXPECT_EQ(CZevMCWnd::GetFocusedEditNode(), model->m_children[0]);
  Editor().Parent().SetFocus();
  QxTest::PumpEvents();
  EXPECT_FALSE(Wnd().m_edit.IsEditing());
  EXPECT_NE(QxTest::Caret().owner, &Wnd());
  EXPECT_EQ(CZevMCWnd::GetFocusedEditNode(), nullptr);
  EXPECT_EQ(CZevMCWnd::GetFocusedNumberText(), nullptr);
}

TEST_F(EditorWindow, ARightDragPansWithinTheClampAndOpensNoMenu) {
  // Wider and taller than the clamp's 20 pixels.
  Editor().Fill({Tf({1, 2, 3}, {4, 5, 6, 7})});
  const LONG width = Editor().Shown()->m_box.width, height = Editor().Shown()->m_box.height;
  ASSERT_GT(width, 20);
  ASSERT_GT(height, 20);
  QxTest::PopupMenuScript menus;
  const McBox& pan = Wnd().m_pList->m_box;
  auto drag = [&](CPoint from, CSize by) {
    QxTest::MouseDown(&Wnd(), from, QxTest::Button::Right);
    for (int step = 1; step <= 4; ++step)
      QxTest::MouseMove(&Wnd(), from + CSize(by.cx * step / 4, by.cy * step / 4), MK_RBUTTON);
    QxTest::MouseUp(&Wnd(), from + by, QxTest::Button::Right);
    QxTest::PumpEvents();
  };
  drag(CPoint(300, 300), CSize(200, 150));  // right and down: held at 10
  EXPECT_EQ(pan.x, 10);
  EXPECT_EQ(pan.y, 10);
  drag(CPoint(700, 500), CSize(-600, -450));  // far left and up: the far edges stop at 20
  EXPECT_EQ(pan.x, 20 - width);
  EXPECT_EQ(pan.y, 20 - height);
  drag(CPoint(300, 300), CSize(3, 3));  // within 5 pixels: no move
  EXPECT_EQ(pan.x, 20 - width);
  EXPECT_TRUE(menus.Menus().empty());
  EXPECT_EQ(QxTest::Capture(), nullptr);
}

TEST_F(EditorWindow, ARightClickEditsThereAndOffersTheClipboardWithItsGreyStates) {
  CMcBasic* model = FillModel();
  QxTest::PopupMenuScript menus({ID_EDIT_COPY, ID_EDIT_CUT});
  auto states = [&](size_t menu) {
    std::string s;
    for (const QxPopupItem& item : menus.Menus().at(menu))
      s += std::string(item.text.GetString()) + "=" + std::to_string(item.id) +
           ((item.flags & MF_GRAYED) ? " grey " : " ");
    return s;
  };
  // The chosen command arrives: Copy, so Paste is offered the second time.
  Editor().Click(model->m_children[0], QxTest::Button::Right);
  EXPECT_EQ(Wnd().m_edit.m_pCaret, model->m_children[0]);
  EXPECT_EQ(states(0), "Cut=57635 Copy=57634 Paste=57637 grey ");
  EXPECT_TRUE(IsClipboardFormatAvailable(Wnd().m_nClipFormat));
  Editor().Click(model->m_children[0], QxTest::Button::Right);
  EXPECT_EQ(states(1), "Cut=57635 Copy=57634 Paste=57637 ");
  EXPECT_EQ(Editor().ShownText(), "Division(#@1,Listsum(s,1))");
}

TEST_F(EditorWindow, UndoAndRedoWithNothingToDoBeep) {
  CMcBasic* model = FillModel();
  Editor().Click(model->m_children[0]);
  Wnd().SendCommand(ID_EDIT_UNDO);
  Wnd().SendCommand(ID_EDIT_REDO);
  EXPECT_EQ(Beeps(), 2);
  Editor().Type("5");
  Wnd().SendCommand(ID_EDIT_UNDO);
  EXPECT_EQ(Editor().ShownText(), "Division(1@1,Listsum(s,1))");
  Wnd().SendCommand(ID_EDIT_REDO);
  EXPECT_EQ(Editor().ShownText(), "Division(15@1,Listsum(s,1))");
  EXPECT_EQ(Beeps(), 2);
  // Not editing: nothing to undo, and no beep either.
  Editor().Parent().SetFocus();
  Wnd().SendCommand(ID_EDIT_UNDO);
  EXPECT_EQ(Beeps(), 2);
}

// The editor's refusals sound the system's beep, counted through the test
// hook: Undo and Redo with nothing to do, and a typed letter the code page
// cannot hold.
TEST_F(EditorWindow, RefusalsSoundTheBeep) {
  CMcBasic* model = FillModel();
  Editor().Click(model->m_children[0]);
  const struct {
    const char* what;
    std::function<void()> act;
  } rows[] = {
      {"Undo", [&] { Wnd().SendCommand(ID_EDIT_UNDO); }},
      {"Redo", [&] { Wnd().SendCommand(ID_EDIT_REDO); }},
      {"omega typed", [&] { Editor().Type("ω"); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QxTest::BeepCounter beeps;
    row.act();
    EXPECT_EQ(beeps.Count(), 1);
    EXPECT_EQ(Editor().ShownText(), "Division(1@1,Listsum(s,1))");
  }
}

TEST_F(EditorWindow, TheCaretNodeIsRedInTheImageAndTheRestBlack) {
  CMcBasic* model = FillModel();
  CMcBasic* denominator = model->m_children[1];
  Editor().Click(denominator->m_children[0]);
  // The sum itself as the caret node, as Ctrl+Up from its term leaves it.
  Wnd().m_edit.BeginEdit(denominator, Wnd().GetEditHost(), FALSE);
  Wnd().Redraw();
  const QImage image = Image();
  const QRect below = BoxOf(denominator), above = BoxOf(model->m_children[0]);
  EXPECT_GT(Count(image, below, kRedInk), 0);
  EXPECT_EQ(Count(image, below, kBlackInk), 0);
  EXPECT_GT(Count(image, above, kBlackInk), 0);
  EXPECT_EQ(Count(image, above, kRedInk), 0);
}

// Fixed metrics draw each character as one box of its extent, so the ink
// shows where the text extents end.
TEST_F(EditorWindow, TheCaretStandsWhereTheTextExtentsPutIt) {
  CMcBasic* x = Variable("x", 0, "12");
  CMcBasic* number = Real(7);
  Editor().Fill({Sum({x, number})});
  g_nDisplaySettings |= kDisplayTextMode;
  // A subscripted variable, caret at its end: right of the subscript's ink.
  Editor().Click(x);
  const QRect xBox = BoxOf(x);
  const QImage image = Image();
  int lastInk = -1, inkTop = xBox.bottom(), inkBottom = xBox.top();
  for (int px = xBox.left(); px <= xBox.right(); ++px)
    for (int py = xBox.top(); py <= xBox.bottom(); ++py)
      if ((image.pixel(px, py) & 0xFFFFFF) != 0xFFFFFF) {
        lastInk = px;
        if (px > xBox.left() + xBox.width() / 2) {
          inkTop = std::min(inkTop, py);
          inkBottom = std::max(inkBottom, py);
        }
      }
  QxTest::CaretState caret = QxTest::Caret();
  EXPECT_EQ(caret.owner, &Wnd());
  EXPECT_EQ(caret.rect.left, lastInk + 1);
  // The subscript's line: the caret is as tall as its font and spans its ink.
  EXPECT_LE(caret.rect.top, inkTop);
  EXPECT_GE(caret.rect.bottom, inkBottom + 1);
  EXPECT_LT(caret.rect.Height(), xBox.height());

  // A number being typed: the window shows the typed text, caret after it.
  Editor().Click(number);
  Editor().Type("25");
  ASSERT_STREQ(CZevMCWnd::GetFocusedNumberText(), "725");
  CMcBasic* typed = Wnd().m_edit.m_pCaret;
  const QRect box = BoxOf(typed);
  const QImage after = Image();
  int right = -1;
  for (int px = box.left(); px <= box.right(); ++px)
    for (int py = box.top(); py <= box.bottom(); ++py)
      if ((after.pixel(px, py) & 0xFFFFFF) == kRedInk) right = px;
  caret = QxTest::Caret();
  EXPECT_EQ(caret.rect.left, right + 1);
  EXPECT_EQ(caret.rect.top, box.top());
  EXPECT_EQ(caret.rect.Height(), box.height());
}

// In a dialog every key reaches the editor: the dialog manager keeps none of
// Tab, Enter, Escape, the arrows or a character for itself.
// Typed as a user types them, e^-2 and s^-2 are powers whose whole exponent,
// minus and digit, is one size smaller and drawn above the base's baseline.
TEST_F(EditorWindow, ANegativeExponentIsRaisedWholeAndOneSizeSmaller) {
  int shown = 0;
  for (const char* script : {"e^-2", "s^-2"}) {
    SCOPED_TRACE(script);
    Editor().Fill({new CMcNull(0)}, shown++);
    Editor().Click(Editor().Shown());
    Editor().Type(script);
    Wnd().m_edit.EndEdit(nullptr);
    Wnd().Redraw();
    const CMcBasic* power = Editor().Shown();
    ASSERT_TRUE(McIsKind(power, kMcPower)) << Editor().ShownText();
    const CMcBasic* base = power->m_children[0];
    const CMcBasic* exponent = power->m_children[1];
    EXPECT_EQ(exponent->GetSign(), 1);
    EXPECT_EQ(exponent->GetLevel(), 1);
    EXPECT_EQ(exponent->m_box.height, g_fontHeight[kFontNumber][1]);
    const QRect b = BoxOf(base), e = BoxOf(exponent);
    const int baseline = b.top() + base->m_baseline;
    EXPECT_LT(e.bottom(), baseline);
    // The minus (the sign's room, half the smaller height) and the digit
    // after it both have ink, and none of it reaches the baseline.
    const QImage image = Image();
    const int signRoom = g_fontHeight[kFontItalic][1] / 2;
    const QRect minus(e.left(), e.top(), signRoom, e.height());
    const QRect digit(e.left() + signRoom, e.top(), e.width() - signRoom, e.height());
    EXPECT_GT(Count(image, minus, kBlackInk), 0);
    EXPECT_GT(Count(image, digit, kBlackInk), 0);
    const QRect right(e.left(), baseline, e.width(), b.bottom() - baseline + 4);
    EXPECT_EQ(Count(image, right, kBlackInk), 0);
  }
}

// The radical's bar lies over the whole radicand, a single digit as much as
// a sum, as the window shows it while the edit goes on (the root itself red
// at the caret, or black).
TEST_F(EditorWindow, TheRootsBarCoversTheWholeRadicand) {
  int shown = 0;
  for (const char* script : {"sqrt2", "2sqrt", "sqrts+10"}) {
    SCOPED_TRACE(script);
    Editor().Fill({new CMcNull(0)}, shown++);
    Editor().Click(Editor().Shown());
    Editor().Type(script);
    const CMcBasic* root = Editor().Shown();
    ASSERT_TRUE(McIsKind(root, kMcRoot)) << Editor().ShownText();
    const QRect r = BoxOf(root->m_children[0]);
    const QRect bar(r.left(), r.top() - 2, r.width(), 1);
    const QImage image = Image();
    EXPECT_EQ(Count(image, bar, kBlackInk) + Count(image, bar, kRedInk), r.width());
  }
}

TEST_F(EditorWindow, InsideADialogEveryKeyIsTheEditors) {
  EXPECT_EQ(static_cast<UINT>(Wnd().SendMessage(WM_GETDLGCODE)), 0xFFFFFFFFu);
  CMcBasic* model = FillModel();
  Editor().Click(model->m_children[0]);
  const struct {
    UINT message;
    WPARAM key;
  } keys[] = {{WM_KEYDOWN, VK_TAB},  {WM_KEYDOWN, VK_RETURN}, {WM_KEYDOWN, VK_ESCAPE},
              {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_DOWN},   {WM_CHAR, 'x'},
              {WM_CHAR, '\t'}};
  for (const auto& k : keys) {
    MSG msg{Wnd().GetSafeHwnd(), k.message, k.key, 0};
    EXPECT_FALSE(QxIsDialogMessage(&Editor().Parent(), &msg)) << k.message << " " << k.key;
  }
}

}  // namespace
