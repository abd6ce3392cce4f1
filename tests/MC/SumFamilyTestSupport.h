#pragma once
// Test leaves and fixtures shared by the tests of the sum, product, division,
// power, relation and declaration nodes.
//
// BoxLeaf lays out to a given content box (and, standing in for a variable or
// function base, writes the end of its "name" as the exponent offset), so
// layouts can be checked to the pixel without measuring text. ValueLeaf
// evaluates to a fixed complex value, negated by its own minus like any node.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_POWER.h"
#include "MC/McComplex.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Fonts.h"

#include <cstring>
#include <vector>

namespace qxtest {

class BoxLeaf : public CMcBasic {
 public:
  BoxLeaf(int width, int height, int baseline, WORD type = 0xFF00, WORD flags = 0)
      : CMcBasic(flags), m_w(width), m_h(height), m_bl(baseline), m_type(type) {}

  WORD GetType() const override { return m_type; }
  void Layout(CDC* dc, int mode) override {
    m_box.width = m_w;
    m_box.height = m_h;
    m_baseline = static_cast<WORD>(m_bl);
    const CRect margins = LayoutSignAndParens();
    if (m_nameEnd >= 0) CMcPower::WriteExponentOffset(this, margins.left + m_nameEnd);
    if (mode == 1 && m_parent) m_parent->Layout(dc, 1);
  }
  CMcBasic* Clone() const override {
    auto* copy = new BoxLeaf(m_w, m_h, m_bl, m_type, m_flags);
    copy->m_nameEnd = m_nameEnd;
    return copy;
  }

  int m_w, m_h, m_bl;
  WORD m_type;
  int m_nameEnd = -1;  // >= 0: writes this offset into a power parent
};

class ValueLeaf : public CMcBasic {
 public:
  explicit ValueLeaf(McComplex value, WORD flags = 0) : CMcBasic(flags), m_value(value) {}

  WORD GetType() const override { return 0xFF00; }
  McComplex* Evaluate(McComplex* result, CQorexDoc*, CSIMsystem*) const override {
    *result = (m_flags & 1) ? McComplexNeg(m_value) : m_value;
    return result;
  }
  McComplex* EvaluateVector(CQorexDoc* doc) const override {
    const int n = McStepCount(doc);
    McComplex* values = McNewVector(n);
    for (int k = 0; k < n; ++k) Evaluate(&values[k], doc, nullptr);
    return values;
  }
  CMcBasic* Clone() const override { return new ValueLeaf(m_value, m_flags); }

  McComplex m_value;
};

inline McComplex Scalar(const CMcBasic& node) {
  McComplex value{0.0, 0.0};
  node.Evaluate(&value, nullptr, nullptr);
  return value;
}

// Sets the font tables the layouts read to the design's level-0 height of
// 20 pixels (ascent 4/5 of the height, as the fixed metrics measure it) and
// restores them afterwards.
class FixedFontTables {
 public:
  FixedFontTables() {
    std::memcpy(m_height, g_fontHeight, sizeof m_height);
    std::memcpy(m_ascent, g_fontAscent, sizeof m_ascent);
    static const int kBase[kSizeLevels] = {20, 15, 10, 8};
    for (int f = 0; f < kFontFamilies; ++f) {
      for (int level = 0; level < kSizeLevels; ++level) {
        const int h = (f == kFontSymbolLarge ? 2 : 1) * kBase[level];
        g_fontHeight[f][level] = static_cast<WORD>(h);
        g_fontAscent[f][level] = static_cast<WORD>(h * 4 / 5);
      }
    }
  }
  ~FixedFontTables() {
    std::memcpy(g_fontHeight, m_height, sizeof m_height);
    std::memcpy(g_fontAscent, m_ascent, sizeof m_ascent);
  }
  FixedFontTables(const FixedFontTables&) = delete;
  FixedFontTables& operator=(const FixedFontTables&) = delete;

 private:
  WORD m_height[kFontFamilies][kSizeLevels];
  WORD m_ascent[kFontFamilies][kSizeLevels];
};

// Fixed font metrics and the shared drawing resources for one test; frees
// the resources again when it made them.
class FixedMetricsResources {
 public:
  FixedMetricsResources() : m_own(g_pMemDC == nullptr) {
    QxSetFixedFontMetrics(true);
    InitGlobalResources();
  }
  ~FixedMetricsResources() {
    if (m_own) FreeGlobalResources();
    QxSetFixedFontMetrics(false);
  }
  FixedMetricsResources(const FixedMetricsResources&) = delete;
  FixedMetricsResources& operator=(const FixedMetricsResources&) = delete;

 private:
  bool m_own;
};

// A white image to draw on in black, with the expression contexts' settings
// (transparent background, baseline alignment).
class Canvas {
 public:
  Canvas(int width, int height) : m_width(width), m_height(height) {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap.CreateCompatibleBitmap(&m_dc, width, height);
    m_old = m_dc.SelectObject(&m_bitmap);
    m_dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    m_dc.SetTextColor(RGB(0, 0, 0));
    m_dc.SetBkMode(TRANSPARENT);
    m_dc.SetTextAlign(TA_LEFT | TA_BASELINE);
  }
  ~Canvas() { m_dc.SelectObject(m_old); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  CDC* dc() { return &m_dc; }
  bool Ink(int x, int y) const { return m_dc.GetPixel(x, y) == RGB(0, 0, 0); }
  int InkCount() const {
    int count = 0;
    for (int y = 0; y < m_height; ++y) {
      for (int x = 0; x < m_width; ++x) count += Ink(x, y);
    }
    return count;
  }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  CBitmap* m_old = nullptr;
  int m_width, m_height;
};

// A document whose loop system runs n samples.
struct StepDoc {
  explicit StepDoc(int n) { doc.m_system.m_nSteps = n; }
  CQorexDoc doc;
};

// One caret position: the node and the side the caret stands on.
struct CaretStop {
  const CMcBasic* node;
  int side;
  bool operator==(const CaretStop& o) const { return node == o.node && side == o.side; }
};

// Presses an arrow key from (node, side) until the caret no longer moves (at
// most limit presses); returns every position the caret took, start included.
inline std::vector<CaretStop> WalkCaret(CMcBasic* node, int side, int direction, int limit = 64) {
  std::vector<CaretStop> stops{{node, side}};
  for (int i = 0; i < limit; ++i) {
    McCursor cursor;
    cursor.node = cursor.origin = node;
    cursor.side = cursor.fromSide = static_cast<BYTE>(side);
    if (!node->Navigate(direction, 0, &cursor)) break;
    node = cursor.node;
    side = cursor.side;
    stops.push_back({node, side});
  }
  return stops;
}

// The record of a tree, as the clipboard and the document write it.
inline std::vector<BYTE> Record(const CMcBasic& node) {
  CArchive ar(CArchive::store);
  node.Store(ar);
  return ar.GetStoredBytes();
}

}  // namespace qxtest
