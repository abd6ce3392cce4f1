#pragma once
// Two node kinds for tests of the base: a composite whose type word the test
// chooses (a "sum" 0x0E00, a "product" 0x0F01, ...), and a named leaf with a
// fixed content box. Neither is in the kind table; they only exercise what
// the base does for every kind.
#include "MC/MC_BASIC.h"

#include <algorithm>
#include <string>

class TestNode : public CMcBasic {
 public:
  explicit TestNode(WORD type, WORD flags = 0) : CMcBasic(flags), m_type(type) {}
  WORD GetType() const override { return m_type; }
  CMcBasic* Clone() const override {
    TestNode* copy = new TestNode(m_type, m_flags);
    for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
    return copy;
  }
  // Boxes the children side by side on a common baseline.
  void Layout(CDC* dc, int mode) override {
    int width = 0, above = 0, below = 0;
    for (int i = 0; i < m_count; ++i) {
      CMcBasic* c = m_children[i];
      if (mode == 0) {
        c->SetLevel(GetLevel());
        c->Layout(dc, 0);
      }
      width += c->m_box.width;
      above = std::max<int>(above, c->m_baseline);
      below = std::max<int>(below, c->m_box.height - c->m_baseline);
    }
    m_box.width = width;
    m_box.height = above + below;
    m_baseline = static_cast<WORD>(above);
    const CRect margins = LayoutSignAndParens();
    int x = margins.left;
    for (int i = 0; i < m_count; ++i) {
      CMcBasic* c = m_children[i];
      c->m_box.x = x;
      c->m_box.y = margins.top + above - c->m_baseline;
      x += c->m_box.width;
    }
    if (mode != 0 && m_parent != nullptr) m_parent->Layout(dc, 1);
  }

  WORD m_type;
};

class TestLeaf : public CMcBasic {
 public:
  explicit TestLeaf(std::string name, WORD flags = 0, int width = 10, int height = 20,
                    int baseline = 16)
      : CMcBasic(flags),
        m_name(std::move(name)),
        m_width(width),
        m_height(height),
        m_content(baseline) {}
  WORD GetType() const override { return 0x7700; }
  CMcBasic* Clone() const override {
    return new TestLeaf(m_name, m_flags, m_width, m_height, m_content);
  }
  WORD Compare(const CMcBasic* other) const override {
    WORD diff = CMcBasic::Compare(other);
    if (diff & kMcDiffType) return diff;
    if (static_cast<const TestLeaf*>(other)->m_name != m_name) diff |= kMcDiffValue;
    return diff;
  }
  void Draw(CDC*, int, int) const override { ++m_draws; }
  void Layout(CDC* dc, int mode) override {
    m_box.width = m_width;
    m_box.height = m_height;
    m_baseline = static_cast<WORD>(m_content);
    m_margins = LayoutSignAndParens();
    if (mode != 0 && m_parent != nullptr) m_parent->Layout(dc, 1);
  }

  std::string m_name;
  int m_width, m_height, m_content;
  CRect m_margins;
  mutable int m_draws = 0;
};
