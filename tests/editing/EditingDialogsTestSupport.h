#pragma once
// The editing dialogs in the started program: opened through the document's
// commands or the "ProcessView" bar, driven inside their modal loops by real
// clicks and keys (DialogScript), their message boxes answered and recorded.
// The design is compared with its ".qox" record before and after.
#include "tests/editing/ProcessViewTestSupport.h"

#include "MC/MC_GROUP.h"
#include "editing/EditModels.h"
#include "editing/EditSignals.h"
#include "platform/core/Archive.h"
#include "platform/core/Debug.h"
#include "platform/testing/DialogHooks.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dlgtest {

using Bytes = std::vector<BYTE>;

// The design's ".qox" record.
inline Bytes Record(CQorexDoc& doc) {
  CArchive ar(CArchive::store);
  doc.Serialize(ar);
  return ar.TakeStoredBytes();
}

inline int Beeps() {
  const std::string out = QxDebugOutput();
  int n = 0;
  for (size_t at = out.find("MessageBeep"); at != std::string::npos;
       at = out.find("MessageBeep", at + 1))
    ++n;
  return n;
}

// ---- inside a dialog ------------------------------------------------------------------

// The client point of the editor inside node's box, (dx, dy) from its corner.
inline CPoint PointIn(const CMcBasic* node, int dx = 1, int dy = 1) {
  CPoint p(dx, dy);
  for (const CMcBasic* n = node; n; n = n->m_parent) {
    p.x += n->m_box.x;
    p.y += n->m_box.y;
  }
  return p;
}
inline void ClickNode(CZevMCWnd& editor, const CMcBasic* node) {
  QxTest::Click(&editor, PointIn(node));
  QxTest::PumpEvents();
}
inline void Key(CZevMCWnd& editor, int vk) {
  QxTest::PressKey(vk, 0, &editor);
  QxTest::PumpEvents();
}
// Types characters as keys; "<Right>" presses the arrow key.
inline void Type(CZevMCWnd& editor, std::string text) {
  for (size_t at; (at = text.find("<Right>")) != std::string::npos; text.erase(0, at + 7)) {
    QxTest::TypeText(text.substr(0, at).c_str(), &editor);
    QxTest::PressKey(VK_RIGHT, 0, &editor);
  }
  QxTest::TypeText(text.c_str(), &editor);
  QxTest::PumpEvents();
}
// A click in the middle of one of the dialog's controls.
inline void ClickItem(CDialog& d, int id) {
  CWnd* item = d.GetDlgItem(id);
  ASSERT_NE(item, nullptr) << id;
  CRect r;
  item->GetClientRect(&r);
  QxTest::Click(item, r.CenterPoint());
  QxTest::PumpEvents();
}
// Moves a drop-down list's selection by steps with the arrow keys.
inline void StepList(CDialog& d, int id, int steps) {
  CWnd* item = d.GetDlgItem(id);
  ASSERT_NE(item, nullptr) << id;
  item->SetFocus();
  for (int i = 0; i < std::abs(steps); ++i) QxTest::PressKey(steps > 0 ? VK_DOWN : VK_UP, 0, item);
  QxTest::PumpEvents();
}
inline bool Checked(CDialog& d, int id) {
  return static_cast<CButton*>(d.GetDlgItem(id))->GetCheck() == BST_CHECKED;
}
inline bool Visible(CDialog& d, int id) {
  return (d.GetDlgItem(id)->GetStyle() & WS_VISIBLE) != 0;
}
// The close box.
inline void Close(CDialog& d) {
  d.SendMessage(WM_CLOSE);
  QxTest::PumpEvents();
}

// In the Process's copy G(s) = 1/(s + 1): the numerator's 1, then the 1 in
// s + 1, each replaced by a digit as a user types it.
inline void TypeTwoOverSPlusThree(CZevMCWnd& editor) {
  auto fraction = [&] { return editor.GetShownExpression()->m_children[1]; };
  ClickNode(editor, fraction()->m_children[0]);
  Key(editor, VK_BACK);
  Type(editor, "2");
  ClickNode(editor, fraction()->m_children[1]->m_children[1]);
  Key(editor, VK_BACK);
  Type(editor, "3");
}

class EditingDialogs : public pvtest::ProcessView {
 protected:
  void SetUp() override {
    pvtest::ProcessView::SetUp();
    QxClearDebugOutput();
  }
  void Command(UINT id) {
    Frame()->SendMessage(WM_COMMAND, id);
    QxTest::PumpUntilIdle();
  }
  QPointF PoleInk() {
    View()->UpdateWindow();
    QxTest::PumpUntilIdle();
    return pvtest::ClosedLoopInk(QxTest::ClientImage(View()));
  }
};

}  // namespace dlgtest
