#pragma once
// CMcGroup: a named container. When its first child is not a group it shows
// one of its children, the current one (the formula editor keeps the
// expression being edited there); otherwise it arranges its sub-groups, or the
// nodes of m_flow, in columns.
//
// Flags: bit 4 lays out m_flow instead of the children, bit 5 gives the column
// layout a fixed empty box, the high byte is the column height in lines of
// the level-0 family-0 font (a group made with high byte 0 gets 0x1400).
#include "MC/MC_BASIC.h"
#include "platform/core/String.h"

class CMcGroup : public CMcBasic {
 public:
  // first may be null (a group without children); name may be null (empty).
  CMcGroup(CMcBasic* first, const char* name, WORD flags);

  // Caret steps end at the group: the caret does not move.
  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcGroup); }
  const char* GetName() const override { return "Group"; }
  // Draws the current child only; nothing when m_current is out of range.
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  // Header and children, then the current index and the name.
  void Store(CArchive& ar) const override;
  ~CMcGroup() override;
  // Same name and flags, clones of the children; current 0, no m_flow.
  CMcBasic* Clone() const override;

  // Record with its children and tail. A group without children loads (its
  // current index must then be 0); otherwise the index must name a child.
  static CMcBasic* Load(CArchive& ar);

  // Changes the name; m_nameLength follows it.
  void SetName(const char* name);

  // ---- data (after the base's) ---------------------------------------------
  CMcBasic** m_flow = nullptr;  // owned; laid out instead of the children with bit 4
  WORD m_flowCount = 0;
  WORD m_current = 0;
  WORD m_nameLength = 1;  // length of m_name including its zero byte
  CString m_name;

 private:
  void LayoutCurrent(CDC* dc, int mode);
  void LayoutColumns(CDC* dc, int mode);
};
