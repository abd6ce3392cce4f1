// The variable node: time and table variables, signs, comparison, caret
// steps, records, derivatives, substitution and layout.
#include "GlobalResources.h"
#include "LayoutFixture.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_variable.h"
#include "MC/McComplex.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

const double kPi = std::acos(-1.0);

McComplex Eval(const CMcBasic& node, CQorexDoc* doc, CSIMsystem* sim) {
  McComplex v{99.0, 99.0};
  node.Evaluate(&v, doc, sim);
  return v;
}

TEST(Variable, TimeVariableIsStepTimesSamplingTime) {
  CSIMsystem sim;
  sim.m_nStep = 7;
  sim.m_dTs = 0.01;
  CQorexDoc doc;
  doc.m_vars.m_pValue[1] = 42.0;  // entry 1, read only by a t that is not the time
  struct Case {
    const char* subscript;
    WORD flags;
    double re;
    double im;
  } cases[] = {
      {"", 0x0000, 0.07, 0.0},  {"", 0x0001, -0.07, 0.0},
      {"", 0x0002, 0.07, 0.0},   // plus-minus draws only
      {"", 0x0040, 0.07, 0.0},   // a size level is no decoration
      {"1", 0x0000, 42.0, 0.0},  // with a subscript, with the constant flag,
      {"", 0x0100, 42.0, 0.0},   // Greek or decorated, t reads the table
      {"", 0x0010, 42.0, 0.0},  {"", 0x0200, 42.0, 0.0},
  };
  for (const Case& c : cases) {
    CMcVariable t("t", c.subscript, c.flags);
    t.m_index = 1;
    const McComplex v = Eval(t, &doc, &sim);
    EXPECT_NEAR(v.re, c.re, 1e-15) << c.subscript << " flags " << c.flags;
    EXPECT_EQ(v.im, c.im);
    EXPECT_FALSE(std::signbit(v.im));
  }
}

TEST(Variable, TableValueWithSignAndNegativeZero) {
  CQorexDoc doc;
  CMcVariable k("k", "", 1);
  doc.m_vars.BindVariables(&k);
  doc.m_vars.m_pValue[k.m_index] = 2.0;
  const McComplex v = Eval(k, &doc, &doc.m_system);
  EXPECT_EQ(v.re, -2.0);
  EXPECT_EQ(v.im, 0.0);
  EXPECT_TRUE(std::signbit(v.im));
}

TEST(Variable, UnboundOrOutOfTableIndexYieldsPiJ) {
  CQorexDoc doc;
  g_bEvalError = 0;
  CMcVariable x("x", "", 0);
  EXPECT_EQ(x.m_index, CMcVariable::kUnbound);
  McComplex v = Eval(x, &doc, &doc.m_system);
  EXPECT_EQ(v.re, 0.0);
  EXPECT_NEAR(v.im, kPi, 1e-15);
  x.m_index = static_cast<WORD>(doc.m_vars.m_nCount);  // one past the last entry
  v = Eval(x, &doc, &doc.m_system);
  EXPECT_NEAR(v.im, kPi, 1e-15);
  CMcVariable negated("x", "", 1);
  v = Eval(negated, &doc, &doc.m_system);
  EXPECT_NEAR(v.im, -kPi, 1e-15);
  EXPECT_EQ(g_bEvalError, 0);
}

TEST(Variable, VectorsOfTimeAndTableVariables) {
  CQorexDoc doc;
  doc.m_system.m_nSteps = 4;
  doc.m_system.m_dTs = 0.5;
  CMcVariable t("t", "", 0);
  std::unique_ptr<McComplex[]> v(t.EvaluateVector(&doc));
  const double expected[4] = {0.0, 0.5, 1.0, 1.5};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].re, expected[i]) << i;

  CMcVariable minusT("t", "", 1);
  v.reset(minusT.EvaluateVector(&doc));
  EXPECT_EQ(v[3].re, -1.5);
  EXPECT_FALSE(std::signbit(v[3].im));

  doc.m_system.m_nSteps = 1;
  doc.m_system.m_nStep = 6;
  v.reset(t.EvaluateVector(&doc));
  EXPECT_EQ(v[0].re, 3.0);  // a single sample is the current step's time

  doc.m_system.m_nSteps = 3;
  CMcVariable k("k", "", 1);
  doc.m_vars.BindVariables(&k);
  doc.m_vars.m_pValue[k.m_index] = 5.0;
  v.reset(k.EvaluateVector(&doc));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v[i].re, -5.0);
    EXPECT_TRUE(std::signbit(v[i].im));
  }
}

TEST(Variable, CompareNamesSubscriptsStyleAndSign) {
  CMcVariable x("x", "", 0);
  CMcReal one(1.0, 0);
  struct Case {
    const char* name;
    const char* subscript;
    WORD flags;
    WORD expected;
  } cases[] = {
      {"x", "", 0x0000, 0},  {"x", "", 0x0001, 1}, {"x", "", 0x0600, 2},  // bold
      {"x", "", 0x0010, 2},  {"x", "", 0x0100, 2}, {"y", "", 0x0000, 4},
      {"x", "1", 0x0000, 4}, {"", "x", 0x0000, 4}, {"x", "", 0x00C4, 0},  // level, parens
  };
  for (const Case& c : cases) {
    CMcVariable other(c.name, c.subscript, c.flags);
    EXPECT_EQ(x.Compare(&other), c.expected) << c.name << "_" << c.subscript << " " << c.flags;
  }
  EXPECT_EQ(x.Compare(&one), 0x20);
}

std::string Walk(CMcBasic* node, int direction, int from) {
  std::string sides;
  McCursor cursor;
  cursor.fromSide = static_cast<BYTE>(from);
  for (int guard = 0; guard < 12; ++guard) {
    cursor.node = node;
    if (!node->Navigate(direction, 16, &cursor)) break;
    sides += std::to_string(cursor.side);
    if (cursor.side <= 1) break;
    cursor.fromSide = cursor.side;
  }
  return sides;
}

TEST(Variable, CaretVisitsNameAndSubscriptPositions) {
  CMcVariable abc("ab", "c", 0);  // buffer "ab\0c\0", length 5
  EXPECT_EQ(Walk(&abc, kMcRight, 0), "2341");
  EXPECT_EQ(Walk(&abc, kMcLeft, 1), "4320");
  CMcVariable ab("ab", "", 0);  // "ab\0\0": one inner position
  EXPECT_EQ(Walk(&ab, kMcRight, 0), "21");
  EXPECT_EQ(Walk(&ab, kMcLeft, 1), "20");
  CMcVariable x("x", "", 0);  // one letter: the leaf's two sides
  EXPECT_EQ(Walk(&x, kMcRight, 0), "1");
}

std::vector<BYTE> Stored(const CMcBasic& node) {
  CArchive ar(CArchive::store);
  node.Store(ar);
  return ar.TakeStoredBytes();
}

CMcBasic* Loaded(const std::vector<BYTE>& bytes) {
  CArchive ar(bytes);
  return CMcBasic::LoadNode(ar);
}

TEST(VariableRecord, FileAndClipboardDialects) {
  CMcVariable k("k", "12", 0x0011);
  k.m_index = 9;
  const std::vector<BYTE> file = Stored(k);
  // header 24, DWORD index, WORD length 6, "k\0" "12\0"
  ASSERT_EQ(file.size(), 24u + 4 + 2 + 5);
  EXPECT_EQ(file[24], 9);
  EXPECT_EQ(file[28], 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 30, 5), std::string("k\0"
                                                                                         "12\0",
                                                                                         5));
  std::unique_ptr<CMcBasic> back(Loaded(file));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Compare(&k), 0);
  EXPECT_EQ(static_cast<CMcVariable*>(back.get())->m_index, 9);

  g_bClipboardDrawing = 1;
  const std::vector<BYTE> clip = Stored(k);
  std::unique_ptr<CMcBasic> pasted(Loaded(clip));
  g_bClipboardDrawing = 0;
  EXPECT_EQ(clip.size(), file.size() - 4);
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->Compare(&k), 0);
  EXPECT_EQ(static_cast<CMcVariable*>(pasted.get())->m_index, 0);
}

TEST(VariableRecord, EmptyNameAndSubscriptLoadBack) {
  CMcVariable empty("", "", 0);
  std::unique_ptr<CMcBasic> back(Loaded(Stored(empty)));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Compare(&empty), 0);
}

TEST(VariableRecord, DamagedTailsYieldNoNode) {
  CMcVariable k("ab", "c", 0);
  const std::vector<BYTE> good = Stored(k);  // length field at 28, buffer at 30
  struct Case {
    const char* what;
    size_t offset;
    BYTE value;
  } cases[] = {
      {"child count", 4, 1},      {"length 2 without the two zeros", 28, 2},
      {"length 1", 28, 1},        {"length beyond input", 28, 9},
      {"no final zero", 34, 'x'}, {"index beyond 16 bits", 26, 1},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> bad = good;
    bad[c.offset] = c.value;
    EXPECT_EQ(Loaded(bad), nullptr) << c.what;
  }
  // A buffer with no zero before its final byte has no separator.
  std::vector<BYTE> noSeparator = good;
  noSeparator[32] = 'z';
  EXPECT_EQ(Loaded(noSeparator), nullptr);
  for (size_t cut = 1; cut < good.size(); ++cut)
    EXPECT_EQ(Loaded(std::vector<BYTE>(good.begin(), good.begin() + cut)), nullptr) << cut;
}

double ValueOf(const CMcBasic* node) {
  McComplex v;
  node->Evaluate(&v, nullptr, nullptr);
  return v.re;
}

TEST(Variable, Derivatives) {
  CMcVariable x("x", "", 0), minusX("x", "", 1), y("y", "", 0), c("c", "", 0x100);
  std::unique_ptr<CMcBasic> d(x.Differentiate(&x, 0));
  ASSERT_EQ(d->GetType(), 0x0100);
  EXPECT_EQ(ValueOf(d.get()), 1.0);
  d.reset(minusX.Differentiate(&x, 0));
  EXPECT_EQ(ValueOf(d.get()), -1.0);
  d.reset(y.Differentiate(&x, 1));
  ASSERT_EQ(d->GetType(), 0x0100);
  EXPECT_EQ(ValueOf(d.get()), 0.0);
  d.reset(c.Differentiate(&c, 0));
  EXPECT_EQ(ValueOf(d.get()), 0.0);
}

// A parent for substitution and layout tests; type word chosen by the test.
class Holder : public CMcBasic {
 public:
  explicit Holder(WORD type) : CMcBasic(0), m_type(type) {}
  WORD GetType() const override { return m_type; }
  WORD m_type;
};

TEST(Variable, SubstituteReplacesWithMergedSign) {
  Holder parent(0x0E00);
  parent.AppendChild(new CMcVariable("x", "", 1));
  parent.AppendChild(new CMcVariable("y", "", 0));
  CMcVariable pattern("x", "", 0);
  CMcReal replacement(3.0, 2);  // plus-minus 3
  CMcBasic* patterns[] = {&pattern};
  CMcBasic* replacements[] = {&replacement};
  parent.m_children[0]->Substitute(patterns, replacements, 1);
  parent.m_children[1]->Substitute(patterns, replacements, 1);
  ASSERT_EQ(parent.m_children[0]->GetType(), 0x0100);
  EXPECT_EQ(parent.m_children[0]->m_flags & 3, 3);  // minus x by +-3: minus-plus
  EXPECT_EQ(parent.m_children[0]->m_parent, &parent);
  EXPECT_EQ(parent.m_children[1]->GetType(), 0x0300);  // y untouched

  CMcVariable root("x", "", 0);
  root.Substitute(patterns, replacements, 1);  // no parent: nothing happens
  EXPECT_EQ(root.GetType(), 0x0300);
}

using VariableLayout = LayoutFixture;

TEST_F(VariableLayout, WidthOfNameSubscriptAndPrefix) {
  auto dc = MakeCanvas(200, 60);
  CMcVariable ab("ab", "", 0);
  ab.Layout(dc.get(), 0);
  EXPECT_EQ(ab.m_box.width, 20);  // two italic letters of cell 20
  EXPECT_EQ(ab.m_box.height, 20);
  EXPECT_EQ(ab.m_baseline, 16);
  CMcVariable sub("k", "12", 0);
  sub.Layout(dc.get(), 0);
  EXPECT_EQ(sub.m_box.width, 10 + 2 * 7);  // subscript at level 1: cell 15, width 7
  CMcVariable delta("x", "", 8 << 9);
  delta.Layout(dc.get(), 0);
  EXPECT_EQ(delta.m_box.width, 20);  // Delta prefix in the Symbol font
  CMcVariable word("x", "", 11 << 9);
  word.Layout(dc.get(), 0);
  EXPECT_EQ(word.m_box.width, 10 + 3 * 7);  // "var" in Arial at the subscript level
}

TEST_F(VariableLayout, PowerBaseWritesTheExponentOffset) {
  auto dc = MakeCanvas(200, 60);
  Holder power(0x0C00);
  power.m_flags = 0x0045;
  power.AppendChild(new CMcVariable("x", "1", 1));
  power.AppendChild(new CMcVariable("n", "", 0));
  power.m_children[0]->Layout(dc.get(), 0);
  // minus margin 10 + name 10; the subscript does not push the exponent.
  EXPECT_EQ(power.m_flags, (20 << 8) | 0x45);
  power.m_children[1]->Layout(dc.get(), 0);  // the exponent writes nothing
  EXPECT_EQ(power.m_flags, (20 << 8) | 0x45);
}

TEST_F(VariableLayout, DoubleUnderlineLiesBelowTheNameCell) {
  // The letter's cell covers rows 10..29; the second line of a double
  // underline lies at y + b + 3 + h/10 = 31, as wide as the name.
  for (int code : {1, 2}) {
    auto dc = MakeCanvas(100, 60);
    CMcVariable x("x", "", static_cast<WORD>(code << 9));
    x.Layout(dc.get(), 0);
    x.Draw(dc.get(), 10, 10);
    EXPECT_TRUE(IsInk(dc.get(), 15, 20)) << code;
    EXPECT_EQ(InkInRow(dc.get(), 31, 0, 100), code == 2 ? 10 : 0) << code;
    EXPECT_EQ(InkInRow(dc.get(), 30, 0, 100), 0) << code;
  }
}

}  // namespace

namespace {

TEST_F(VariableLayout, CaretOffsetCountsSignAndPrefix) {
  auto dc = MakeCanvas(200, 60);
  CMcVariable plain("x", "", 0), signedDelta("x", "", (8 << 9) | 1), word("x", "", 12 << 9);
  for (CMcVariable* v : {&plain, &signedDelta, &word}) v->Layout(dc.get(), 0);
  EXPECT_EQ(plain.GetCaretPos(dc.get()), 0);
  EXPECT_EQ(signedDelta.GetCaretPos(dc.get()), 10 + 10);  // minus, then the Delta
  EXPECT_EQ(word.GetCaretPos(dc.get()), 3 * 7);           // "all" at the subscript level
}

}  // namespace
