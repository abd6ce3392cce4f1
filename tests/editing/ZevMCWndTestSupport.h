#pragma once
// The formula editor window as a dialog holds it: a child "EditView" (id 200,
// white-brush class, client edge) of 800 x 600 in a top-level window, its
// list filled with laid-out expressions, driven by real mouse and key events.
#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "editing/ZevMCWnd.h"
#include "platform/core/Debug.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/TestHooks.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace wndtest {

constexpr int kEditorWidth = 800;
constexpr int kEditorHeight = 600;

// Makes an editor window inside a top-level parent; owns both.
class EditorHolder {
 public:
  EditorHolder() {
    m_parent.CreateEx(0, nullptr, "Edit Models", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                      kEditorWidth + 40, kEditorHeight + 60, nullptr, nullptr);
    LPCSTR cls = AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    m_wnd.CreateEx(WS_EX_CLIENTEDGE, cls, "EditView", WS_CHILD | WS_VISIBLE,
                   CRect(10, 10, 10 + kEditorWidth, 10 + kEditorHeight), &m_parent, 200);
  }
  ~EditorHolder() {
    if (m_wnd.GetSafeHwnd()) m_wnd.DestroyWindow();
    if (m_parent.GetSafeHwnd()) m_parent.DestroyWindow();
  }
  EditorHolder(const EditorHolder&) = delete;
  EditorHolder& operator=(const EditorHolder&) = delete;

  CZevMCWnd& Wnd() { return m_wnd; }
  CWnd& Parent() { return m_parent; }

  // Puts the expressions into the list (laid out, offsets 0), shows `shown`
  // and draws the window.
  void Fill(std::vector<CMcBasic*> expressions, int shown = 0) {
    for (CMcBasic* e : expressions) {
      e->Layout(g_pMemDC, kMcLayoutFromTop);
      e->m_box.x = e->m_box.y = 0;
      m_wnd.m_pList->AppendChild(e);
    }
    m_wnd.m_pList->m_current = static_cast<WORD>(shown);
    m_wnd.Redraw();
  }
  CMcBasic* Shown() { return m_wnd.GetShownExpression(); }
  std::string ShownText() {
    return edtest::TreeText(Shown(), m_wnd.m_edit.m_pCaret, m_wnd.m_edit.m_step.nCaretSide);
  }

  // The client point inside node's box at (dx, dy) from its left and top.
  CPoint PointIn(const CMcBasic* node, int dx = 1, int dy = 1) const {
    CPoint p(dx, dy);
    for (const CMcBasic* n = node; n; n = n->m_parent) {
      p.x += n->m_box.x;
      p.y += n->m_box.y;
    }
    return p;
  }
  void Click(const CMcBasic* node, QxTest::Button button = QxTest::Button::Left) {
    QxTest::Click(&m_wnd, PointIn(node), button);
    QxTest::PumpEvents();
  }
  // Types a script of the tests' keystroke language as real key events.
  void Type(const char* text) {
    QxTest::TypeText(text, &m_wnd);
    QxTest::PumpEvents();
  }
  void Key(int vk, UINT modifiers = 0) {
    QxTest::PressKey(vk, modifiers, &m_wnd);
    QxTest::PumpEvents();
  }

 private:
  CWnd m_parent;
  CZevMCWnd m_wnd;
};

// Fixed font metrics (text drawn as one box per character), the program's
// resources made in them, text mode off and a clean clipboard for each test;
// settings back after.
class EditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Font heights and ascents are measured when the resources are made.
    if (g_pMemDC != nullptr) FreeGlobalResources();
    InitGlobalResources();
    m_savedSettings = g_nDisplaySettings;
    g_nDisplaySettings &= ~kDisplayTextMode;
    QxTest::ResetClipboard();
    QxClearDebugOutput();
    m_holder = std::make_unique<EditorHolder>();
  }
  void TearDown() override {
    m_holder.reset();
    // Tests after this one make their resources in their own metrics.
    FreeGlobalResources();
    QxTest::ResetClipboard();
    g_nDisplaySettings = m_savedSettings;
    g_bClipboardDrawing = 0;
  }
  EditorHolder& Editor() { return *m_holder; }
  CZevMCWnd& Wnd() { return m_holder->Wnd(); }
  static int Beeps() {
    const std::string out = QxDebugOutput();
    int n = 0;
    for (size_t at = out.find("MessageBeep"); at != std::string::npos;
         at = out.find("MessageBeep", at + 1))
      ++n;
    return n;
  }

 private:
  qxtest::FixedMetrics m_metrics;
  int m_savedSettings = 0;
  std::unique_ptr<EditorHolder> m_holder;
};

}  // namespace wndtest
