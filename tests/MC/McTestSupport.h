#pragma once
// Shared pieces of the expression engine's tests: every node kind's header,
// small tree builders, two stand-in node kinds, records, evaluation, caret
// walks, a document with known signal samples and a layout fixture with fixed
// metrics.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_LIMIT.h"
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MC_SUM.h"
#include "MC/MXC_BIN.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McFunctions.h"
#include "MC/McKinds.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"
#include "tests/support/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace mctest {

using Bytes = std::vector<BYTE>;
using NodePtr = std::unique_ptr<CMcBasic>;
using Values = std::unique_ptr<McComplex[]>;

const double kNaN = std::nan("");
const double kPi = std::numbers::pi;

// A type word whose code names no kind: a record of it loads as no node.
constexpr WORD kUnknownType = McTypeWord(static_cast<McKindCode>(0x77));

// A composite whose type word the test chooses (a sum's, a power's ...), to see what the base and a
// child do under such a parent.
class TestNode : public CMcBasic {
 public:
  explicit TestNode(WORD type, WORD flags = 0) : CMcBasic(flags), m_type(type) {}
  WORD GetType() const override { return m_type; }
  CMcBasic* Clone() const override {
    auto* copy = new TestNode(m_type, m_flags);
    for (int i = 0; i < m_count; ++i) copy->AppendChild(m_children[i]->Clone());
    return copy;
  }
  WORD m_type;
};

// A named leaf with a fixed content box; standing in for a variable or
// function base it writes the end of its "name" as a power's exponent offset.
class TestLeaf : public CMcBasic {
 public:
  explicit TestLeaf(std::string name, WORD flags = 0, int width = 10, int height = 20,
                    int baseline = 16, WORD type = kUnknownType)
      : CMcBasic(flags),
        m_name(std::move(name)),
        m_w(width),
        m_h(height),
        m_bl(baseline),
        m_type(type) {}
  WORD GetType() const override { return m_type; }
  CMcBasic* Clone() const override {
    auto* copy = new TestLeaf(m_name, m_flags, m_w, m_h, m_bl, m_type);
    copy->m_nameEnd = m_nameEnd;
    return copy;
  }
  WORD Compare(const CMcBasic* other) const override {
    WORD diff = CMcBasic::Compare(other);
    if (diff & kMcDiffType) return diff;
    if (static_cast<const TestLeaf*>(other)->m_name != m_name) diff |= kMcDiffValue;
    return diff;
  }
  void Draw(CDC*, int, int) const override { ++m_draws; }
  void Layout(CDC* dc, int mode) override {
    m_box.width = m_w;
    m_box.height = m_h;
    m_baseline = static_cast<WORD>(m_bl);
    m_margins = LayoutSignAndParens();
    if (m_nameEnd >= 0) CMcPower::WriteExponentOffset(this, m_margins.left + m_nameEnd);
    if (mode == 1 && m_parent != nullptr) m_parent->Layout(dc, 1);  // 2: re-measure only
  }
  std::string m_name;
  int m_w, m_h, m_bl;
  WORD m_type;
  int m_nameEnd = -1;  // >= 0: writes this offset into a power parent
  CRect m_margins;
  mutable int m_draws = 0;
};

inline TestLeaf* Box(int width, int height, int baseline, WORD type = McTypeWord(kMcNoKind),
                     WORD flags = 0) {
  return new TestLeaf("", flags, width, height, baseline, type);
}

// A leaf of fixed complex value, negated by its own minus like any node.
class ValueLeaf : public CMcBasic {
 public:
  explicit ValueLeaf(McComplex value, WORD flags = 0) : CMcBasic(flags), m_value(value) {}
  WORD GetType() const override { return McTypeWord(kMcNoKind); }
  McComplex* Evaluate(McComplex* result, CQorexDoc*, CSIMsystem*) const override {
    *result = (m_flags & 1) ? McComplexNeg(m_value) : m_value;
    return result;
  }
  McComplex* EvaluateVector(CQorexDoc* doc) const override {
    McComplex* values = McNewVector(McStepCount(doc));
    for (int k = 0; k < McStepCount(doc); ++k) Evaluate(&values[k], doc, nullptr);
    return values;
  }
  CMcBasic* Clone() const override { return new ValueLeaf(m_value, m_flags); }
  McComplex m_value;
};

// A number node of value v: a negative v is its magnitude under a minus sign.
inline CMcBasic* Real(double v, WORD flags = 0) {
  return new CMcReal(std::abs(v), static_cast<WORD>(flags ^ (std::signbit(v) ? 1 : 0)));
}

// The time variable bound to its table entry.
inline CMcVariable* Time(WORD flags = 0) {
  auto* t = new CMcVariable("t", "", flags);
  t->m_index = 1;
  return t;
}

inline CMcFunction* Fn(const char* name, CMcBasic* argument, WORD flags = 0, const char* sub = "") {
  return new CMcFunction(argument, name, sub, flags);
}

inline CMcMatrix* Matrix(std::vector<CMcBasic*> cells, int columns, WORD flags = 0) {
  auto* m = new CMcMatrix(flags);
  for (CMcBasic* c : cells) m->AppendChild(c);
  m->SetColumns(static_cast<WORD>(columns));
  return m;
}

template <class List>
List* ListOf(WORD flags, std::vector<CMcBasic*> items) {
  auto* list = new List(flags);
  for (CMcBasic* item : items) list->AppendChild(item);
  return list;
}

// The value at the document's current step (its own loop system), or with
// neither document nor system.
inline McComplex Eval(const CMcBasic* node, CQorexDoc* doc = nullptr) {
  McComplex v{-99.0, -99.0};
  node->Evaluate(&v, doc, doc ? &doc->m_system : nullptr);
  return v;
}

// The value at step k of the document's loop.
inline McComplex EvalAt(const CMcBasic* node, CQorexDoc* doc, int k) {
  doc->m_system.m_nStep = k;
  return Eval(node, doc);
}

// Whether an evaluation since the last call raised the error flag; clears it.
inline bool TakeEvalError() {
  const bool raised = g_bEvalError != 0;
  g_bEvalError = 0;
  return raised;
}

inline Bytes Record(const CMcBasic* node) {
  CArchive out(CArchive::store);
  node->Store(out);
  return out.TakeStoredBytes();
}

inline NodePtr Load(const Bytes& bytes) {
  CArchive in(std::span<const BYTE>(bytes.data(), bytes.size()));
  return NodePtr(CMcBasic::LoadNode(in));
}

inline bool Near(const McComplex& a, const McComplex& b, double tol = 1e-12) {
  const double scale = std::max(1.0, std::hypot(b.re, b.im));
  return std::abs(a.re - b.re) <= tol * scale && std::abs(a.im - b.im) <= tol * scale;
}

// A laid-out node as text: "width x height / baseline", then where each child
// stands, "x,y".
inline std::string Geometry(const CMcBasic* node) {
  char text[40];
  std::snprintf(text, sizeof text, "%dx%d/%d", int{node->m_box.width}, int{node->m_box.height},
                int{node->m_baseline});
  std::string s = text;
  for (int i = 0; i < node->m_count; ++i) {
    const McBox& b = node->m_children[i]->m_box;
    std::snprintf(text, sizeof text, " %d,%d", int{b.x}, int{b.y});
    s += text;
  }
  return s;
}

// ---- signals ------------------------------------------------------------------------

// Sample (channel, k) of the signal with letter code `code`: every read names
// where it came from.
inline double SampleValue(int code, int channel, int k) {
  return 1000.0 * code + 100.0 * channel + k;
}

// A document whose loop has n steps of ts seconds and whose eleven signals
// hold two channels of `columns` known samples each (codes 1 .. 11 in the
// order c r v d n e w u y yd z).
inline std::unique_ptr<CQorexDoc> SignalDoc(int n = 40, double ts = 0.25, int columns = 40) {
  auto doc = std::make_unique<CQorexDoc>();
  CSIMsystem& s = doc->m_system;
  s.m_nSteps = n;
  s.m_dTs = ts;
  s.m_nStep = 0;
  CSIMsignal* signals[] = {&s.m_c, &s.m_r, &s.m_v, &s.m_d,  &s.m_n, &s.m_e,
                           &s.m_w, &s.m_u, &s.m_y, &s.m_yd, &s.m_z};
  int code = 1;
  for (CSIMsignal* signal : signals) {
    signal->m_nRows = 2;
    signal->m_nColumns = columns;
    for (int ch = 0; ch < 2; ++ch)
      for (int k = 0; k < columns; ++k) signal->At(ch, k) = SampleValue(code, ch, k);
    ++code;
  }
  return doc;
}

// ---- the focused editor ------------------------------------------------------------

// Registers a caret node and the text typed there as the focused editor's
// while it lives.
class FocusScope {
 public:
  FocusScope(CMcBasic* node, const char* typed) {
    s_node = node;
    std::snprintf(s_text, sizeof s_text, "%s", typed);
    McSetEditorFocus([] { return s_node; }, [] { return static_cast<char*>(s_text); });
  }
  ~FocusScope() { McSetEditorFocus(nullptr, nullptr); }
  FocusScope(const FocusScope&) = delete;
  FocusScope& operator=(const FocusScope&) = delete;

 private:
  static inline CMcBasic* s_node = nullptr;
  static inline char s_text[kMcNumberTextSize] = {};
};

// ---- layout ---------------------------------------------------------------------------

// The shared canvas with the expression contexts' settings (black text on a
// transparent background, baseline alignment).
struct Canvas : qxtest::ProgramCanvas {
  Canvas(int width, int height) : ProgramCanvas(width, height, TA_LEFT | TA_BASELINE) {}
};

// Fixed font metrics and explicit font tables: family heights 20, 15, 10, 8
// per level (H0 = 20, the font-size scale 1.0) and twice that for the large
// Symbol family, ascents 4/5 of the height, real fonts of those heights, and a
// solid black brush in place of the black pattern brush so that outlines can
// be checked pixel by pixel. Everything is put back afterwards.
class LayoutFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_wasFixed = QxFixedFontMetrics();
    QxSetFixedFontMetrics(true);
    m_ownResources = g_pMemDC == nullptr;
    if (m_ownResources) InitGlobalResources();
    std::memcpy(m_savedFonts, g_fonts, sizeof g_fonts);
    std::memcpy(m_savedHeights, g_fontHeight, sizeof g_fontHeight);
    std::memcpy(m_savedAscents, g_fontAscent, sizeof g_fontAscent);
    static const int kBase[kSizeLevels] = {20, 15, 10, 8};
    for (int f = 0; f < kFontFamilies; ++f) {
      for (int l = 0; l < kSizeLevels; ++l) {
        const int h = f == kFontSymbolLarge ? 2 * kBase[l] : kBase[l];
        g_fontHeight[f][l] = static_cast<WORD>(h);
        g_fontAscent[f][l] = static_cast<WORD>(h * 4 / 5);
        m_fonts[f][l].CreateFont(h, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 0, DEFAULT_QUALITY, DEFAULT_PITCH,
                                 f >= kFontSymbol ? "Symbol" : "Times New Roman");
        g_fonts[f][l] = &m_fonts[f][l];
      }
    }
    m_savedBrush = g_nodeBrushes[0];
    m_black.CreateSolidBrush(RGB(0, 0, 0));
    g_nodeBrushes[0] = &m_black;
  }

  void TearDown() override {
    std::memcpy(g_fonts, m_savedFonts, sizeof g_fonts);
    std::memcpy(g_fontHeight, m_savedHeights, sizeof g_fontHeight);
    std::memcpy(g_fontAscent, m_savedAscents, sizeof g_fontAscent);
    g_nodeBrushes[0] = m_savedBrush;
    if (m_ownResources) FreeGlobalResources();
    QxSetFixedFontMetrics(m_wasFixed);
  }

 private:
  bool m_wasFixed = false, m_ownResources = false;
  CFont m_fonts[kFontFamilies][kSizeLevels];
  CFont* m_savedFonts[kFontFamilies][kSizeLevels] = {};
  WORD m_savedHeights[kFontFamilies][kSizeLevels] = {};
  WORD m_savedAscents[kFontFamilies][kSizeLevels] = {};
  CBrush m_black;
  CBrush* m_savedBrush = nullptr;
};

}  // namespace mctest
