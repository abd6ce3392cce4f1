// The design edits: the "ProcessView" pickers' choices (and the same edits
// for pole dragging and the editing dialogs) carried out in the design's own
// definition trees, then the design's road of a change; and that road with the
// population recorder around it (RecordedRecalculate). No window is reached
// from here: a caller that starts from a window's coordinates converts them
// first.
//
// Every change keeps the element's value where the choice does not mean to
// change it: a node that becomes a factor or a numerator hands its sign bits
// to the new node around it, so a minus is never lost or doubled.
#include "QorexDoc.h"

#include "ElementSubscript.h"
#include "GlobalResources.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McKinds.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

// Table entries of the names the rebuilders write.
constexpr int kEntryS = 0;
constexpr int kEntryT = 1;
constexpr int kEntryJ = 2;
constexpr int kEntryPi = 4;
// A domain with both ends included.
constexpr int kDomainClosed = 1;

const char kModelLetters[] = "PKGLF";
const char kElementNames[] = "pkglf";
const char kSignalLetters[] = "cvdn";

CMcBasic* RightSide(CMcBasic* def) {
  return def != nullptr && def->m_count >= 2 ? def->m_children[1] : nullptr;
}

bool IsReal(const CMcBasic* n) {
  return n->GetType() == McTypeWord(kMcReal);
}

double RealMagnitude(const CMcBasic* n) {
  return static_cast<const CMcReal*>(n)->m_value;
}

// ---- node makers ---------------------------------------------------------------------

CMcVariable* Variable(const char* name, const char* subscript, WORD flags, int entry = -1) {
  auto* v = new CMcVariable(name, subscript, flags);
  if (entry >= 0) v->m_index = static_cast<WORD>(entry);
  return v;
}

// x with the flags' sign bits added to its own.
CMcBasic* Signed(CMcBasic* x, WORD sign) {
  x->m_flags = static_cast<WORD>(x->m_flags | (sign & kMcSignMask));
  return x;
}

// ---- editing in place ------------------------------------------------------------------

// Puts fresh into node's place; node is the caller's afterwards.
void ReplaceNode(CMcBasic* node, CMcBasic* fresh) {
  if (node->m_parent) node->m_parent->ReplaceChild(fresh, node);
}

// Makes node a child of the node make builds around it, in node's old place;
// the new node takes node's sign bits, which node loses.
template <class Make>
CMcBasic* WrapInPlace(CMcBasic* node, Make make) {
  CMcBasic* parent = node->m_parent;
  const int index = parent ? parent->IndexOfChild(node) : -1;
  const WORD sign = node->m_flags & kMcSignMask;
  node->m_flags = static_cast<WORD>(node->m_flags & ~kMcSignMask);
  CMcBasic* wrapper = Signed(make(node), sign);
  if (index >= 0) parent->SetChildAt(wrapper, index);
  return wrapper;
}

// node · factor in node's place (a product takes the factor last).
void MultiplyInPlace(CMcBasic* node, CMcBasic* factor) {
  if (McIsKind(node, kMcListmult)) {
    node->AppendChild(factor);
    return;
  }
  WrapInPlace(node, [factor](CMcBasic* n) { return McNewProduct(0, {n, factor}); });
}

// factor · node in node's place: a number is replaced by the factor, a
// product takes it first.
void LeadWithFactor(CMcBasic* node, CMcBasic* factor) {
  if (IsReal(node)) {
    ReplaceNode(node, factor);
    delete node;
  } else if (McIsKind(node, kMcListmult)) {
    node->InsertChildAt(factor, 0, FALSE);
  } else {
    WrapInPlace(node, [factor](CMcBasic* n) { return McNewProduct(0, {factor, n}); });
  }
}

// Puts the factor into the element's denominator; returns the element,
// which is a division afterwards.
CMcBasic* DivideInPlace(CMcBasic* element, CMcBasic* factor) {
  if (McIsKind(element, kMcDivision)) {
    MultiplyInPlace(element->m_children[1], factor);
    return element;
  }
  if (IsReal(element) && RealMagnitude(element) == 0.0)
    static_cast<CMcReal*>(element)->m_value = 1.0;
  return WrapInPlace(element, [factor](CMcBasic* n) { return new CMcDivision(n, factor, 0); });
}

// ---- the factor of a new root ------------------------------------------------------------

// A root -a +- j b dropped on the diagram: its factor s + P (+- j Pj) and the
// gain factor P or P^2 + Pj^2 that keeps a pole's static gain.
struct RootFactor {
  CMcBasic* factor = nullptr;
  CMcBasic* gain = nullptr;  // null for the bare s
  int order = 1;             // roots the factor adds
};

RootFactor MakeRootFactor(CVARvalues& vars, bool pole, int model, int row, int col, double a,
                          double b) {
  RootFactor root;
  if (a == 0.0 && b == 0.0) {
    root.factor = Variable("s", "", 0, kEntryS);
    return root;
  }
  const char* name = pole ? "p" : "z";
  char subscript[32];
  std::snprintf(subscript, sizeof subscript, "%s%c", ElementSubscript(row, col).c_str(),
                kModelLetters[model]);
  const int first = vars.AddNumbered(name, subscript, sizeof subscript);
  if (first < 0) return root;
  vars.m_pValue[first] = a;
  vars.m_pValue[first + 1] = b;
  const std::string partner = std::string(subscript) + "j";
  CMcBasic* sum = McNewSum(0, {Variable("s", "", 0, kEntryS), Variable(name, subscript, 0, first)});
  if (b == 0.0) {
    root.gain = Variable(name, subscript, 0, first);
  } else {
    // s + P +- j Pj: the conjugate pair in one factor.
    sum->AppendChild(Signed(McNewProduct(0, {Variable("j", "", kMcConstant, kEntryJ),
                                             Variable(name, partner.c_str(), 0, first + 1)}),
                            kMcPlusMinus));
    root.gain = McNewSum(
        0, {new CMcPower(Variable(name, subscript, 0, first), McNewNumber(2.0), 0),
            new CMcPower(Variable(name, partner.c_str(), 0, first + 1), McNewNumber(2.0), 0)});
    root.order = 2;
  }
  root.factor = sum;
  return root;
}

// The numerator times the gain factor: a numerator of magnitude 1 becomes
// the factor (with the numerator's sign), a product takes it last.
void MultiplyNumerator(CMcBasic* division, CMcBasic* gain) {
  CMcBasic* numerator = division->m_children[0];
  if (IsReal(numerator) && RealMagnitude(numerator) == 1.0) {
    ReplaceNode(numerator, Signed(gain, numerator->m_flags));
    delete numerator;
    return;
  }
  MultiplyInPlace(numerator, gain);
}

// The element takes a new zero's factor: into a division's numerator, onto a
// product, or as a factor of the whole element.
void PutZeroFactor(CMcBasic* element, CMcBasic* factor) {
  if (!McIsKind(element, kMcDivision)) {
    MultiplyInPlace(element, factor);
    return;
  }
  CMcBasic* numerator = element->m_children[0];
  if (IsReal(numerator) && (RealMagnitude(numerator) == 0.0 || RealMagnitude(numerator) == 1.0)) {
    // The division takes over the number's sign.
    element->m_flags = static_cast<WORD>(element->m_flags ^ (numerator->m_flags & kMcMinus));
    element->m_flags = static_cast<WORD>(element->m_flags | (numerator->m_flags & kMcPlusMinus));
    ReplaceNode(numerator, factor);
    delete numerator;
    return;
  }
  MultiplyInPlace(numerator, factor);
}

// ---- test signals ------------------------------------------------------------------------

// The simulation time t.
CMcBasic* Time() {
  return Variable("t", "", 0, kEntryT);
}

// (t >= t0): 1 from t0 on.
CMcBasic* From(double t0) {
  return new CMcEquality(Time(), McNewNumber(t0), McRelationFlags(kMcRelGreaterOrEqual));
}

// [t0 <= t <= t1]: 1 inside, ends included.
CMcBasic* During(double t0, double t1) {
  return new CMcDomain(Time(), McNewNumber(t0), McNewNumber(t1), McWithKindData(0, kDomainClosed));
}

// t - t0, or t alone from 0.
CMcBasic* Elapsed(double t0) {
  return t0 == 0.0 ? Time() : McNewSum(0, {Time(), McNewNumber(-t0)});
}

CMcBasic* Floor(CMcBasic* operand, WORD sign = 0) {
  return new CMcOperator(operand, CMcOperator::Flags(CMcOperator::kFloor, sign));
}

CMcBasic* Function(const char* name, CMcBasic* argument) {
  return new CMcFunction(argument, name, "", 0);
}

// sin(2 pi x / period).
CMcBasic* Sine(CMcBasic* x, CMcBasic* period) {
  CMcBasic* pi = Variable("p", "", kMcConstant | kMcVariant, kEntryPi);
  return Function("sin", new CMcDivision(McNewProduct(0, {McNewNumber(2.0), pi, x}), period, 0));
}

// rand(1) - 0.5.
CMcBasic* Noise() {
  return McNewSum(0, {Function("rand", McNewNumber(1.0)), McNewNumber(-0.5)});
}

// The times and the design variables of one test signal.
struct SignalPlan {
  int signal;  // 0 c, 1 v, 2 d, 3 n
  int row;
  int kind;
  double t0;
  double t1;
  double ts;
};

// The period of a test signal is a design variable "t" (Greek, not the
// time) with subscript c for the setpoint, else the signal's letter.
std::string PeriodSubscript(const SignalPlan& plan) {
  return std::string(1, plan.signal == 0 ? 'c' : kSignalLetters[plan.signal]);
}

CMcBasic* Period(const SignalPlan& plan) {
  return Variable("t", PeriodSubscript(plan).c_str(), kMcVariant);
}

// The period variable's value: the setpoint's square wave and sine repeat
// every 80 samples, its sawtooth every 40; a disturbance's sine lasts 20.
double PeriodSamples(const SignalPlan& plan) {
  if (plan.signal != 0) return 20.0;
  return plan.kind == 3 ? 40.0 : 80.0;
}

// The test signal's expression, built around the amplitude A.
CMcBasic* SignalShape(const SignalPlan& plan, CMcBasic* amplitude) {
  const double t0 = plan.t0;
  if (plan.signal == 0) {
    switch (plan.kind) {
      case 1:
        return McNewProduct(0, {amplitude, From(t0)});
      case 2: {
        // 1 - floor(x / T + 1/2) + floor(x / T): 1 in each period's first half.
        CMcBasic* wave = McNewSum(
            0,
            {McNewNumber(1.0),
             Floor(McNewSum(0, {new CMcDivision(Elapsed(t0), Period(plan), 0), McNewNumber(0.5)}),
                   kMcMinus),
             Floor(new CMcDivision(Elapsed(t0), Period(plan), 0))});
        return McNewProduct(0, {amplitude, wave, From(t0)});
      }
      case 3: {
        auto* pair = new CMcMatrix(0);
        pair->AppendChild(Elapsed(t0));
        pair->AppendChild(Period(plan));
        pair->SetColumns(2);
        return McNewProduct(0, {amplitude, Function("rem", pair), From(t0)});
      }
      case 4:
        return McNewProduct(0, {amplitude, Sine(Elapsed(t0), Period(plan)), From(t0)});
      default:
        return McNewProduct(0, {amplitude, Noise(), From(t0)});
    }
  }
  switch (plan.kind) {
    case 1:
      return McNewProduct(0, {amplitude, From(t0)});
    case 2:
      return McNewProduct(0, {amplitude, During(t0, plan.t1)});
    case 3:
      return McNewProduct(0, {amplitude, Elapsed(t0), During(t0, plan.t1)});
    case 4:
      return McNewProduct(0, {amplitude, Sine(Elapsed(t0), Period(plan)), During(t0, plan.t1)});
    default:
      return McNewProduct(0, {amplitude, Noise(), During(t0, plan.t1)});
  }
}

// Binds the new signal's variables and gives the amplitude and the period
// their ranges and values.
void SetSignalVariables(CVARvalues& vars, const SignalPlan& plan, CMcBasic* expr,
                        const CMcVariable* amplitude) {
  vars.BindVariables(expr);
  const int a = amplitude->m_index;
  vars.m_pMin[a] = -10.0;
  vars.m_pMax[a] = 10.0;
  if (plan.signal != 0 && plan.kind <= 4) vars.m_pValue[a] = 0.5;
  const bool periodic = plan.signal == 0 ? (plan.kind >= 2 && plan.kind <= 4) : plan.kind == 4;
  if (!periodic) return;
  const int p = vars.Find("t", PeriodSubscript(plan).c_str(), kMcVariant);
  if (p < 0) return;
  const double value = PeriodSamples(plan) * plan.ts;
  vars.m_pValue[p] = value;
  vars.m_pMin[p] = -10.0 * value;
  vars.m_pMax[p] = 10.0 * value;
}

// Lays out a changed definition again, as the editors expect it.
void Relayout(CMcBasic* def) {
  if (g_pMemDC && def) def->Layout(g_pMemDC, kMcLayoutFromTop);
}

}  // namespace

// ---- the recorder around a change ---------------------------------------------------

namespace {
CDesignRecorder* s_pRecorder = nullptr;
}  // namespace

void SetDesignRecorder(CDesignRecorder* recorder) {
  s_pRecorder = recorder;
}

CDesignRecorder* GetDesignRecorder() {
  return s_pRecorder;
}

void CQorexDoc::RecordedRecalculate() {
  if (CDesignRecorder* recorder = GetDesignRecorder()) recorder->RecordDesign(kRecordAppend);
  Recalculate();
  if (CDesignRecorder* recorder = GetDesignRecorder()) recorder->RecordDesign(kRecordRoots);
  UpdateAll();
}

// ---- finding the element ---------------------------------------------------------------

CMcBasic* CQorexDoc::ModelElement(int model, int row, int col) const {
  if (model < 0 || model >= m_models.GetCount() || row < 0 || col < 0) return nullptr;
  CMcBasic* rhs = RightSide(m_models.GetAt(model));
  if (rhs == nullptr) return nullptr;
  if (!McIsKind(rhs, kMcMatrix)) return row == 0 && col == 0 ? rhs : nullptr;
  const int cols = std::max(1, static_cast<CMcMatrix*>(rhs)->GetColumns());
  const int index = row * cols + col;
  return col < cols && index < rhs->m_count ? rhs->m_children[index] : nullptr;
}

CMcBasic* CQorexDoc::SignalElement(int signal, int row) const {
  if (signal < 0 || signal >= m_signals.GetCount() || row < 0) return nullptr;
  CMcBasic* rhs = RightSide(m_signals.GetAt(signal));
  if (rhs == nullptr) return nullptr;
  if (!McIsKind(rhs, kMcMatrix)) return row == 0 ? rhs : nullptr;
  return row < rhs->m_count ? rhs->m_children[row] : nullptr;
}

void CQorexDoc::FinishModelChange(int model) {
  Relayout(m_models.GetAt(model));
  UpdateUsedVariables();
  Recalculate();
  UpdateAll();
  UpdateHistory();
}

// ---- the design edits --------------------------------------------------------------------

void CQorexDoc::SetElement(int model, int row, int col, int choice) {
  CMcBasic* element = ModelElement(model, row, col);
  if (element == nullptr || choice < 0 || choice > 2) return;
  if (choice < 2) {
    ReplaceNode(element, McNewNumber(choice));
    delete element;
  } else {
    const char name[2] = {kElementNames[model], 0};
    CMcVariable* v = Variable(name, ElementSubscript(row, col).c_str(), 0);
    m_vars.BindVariables(v);
    LeadWithFactor(McIsKind(element, kMcDivision) ? element->m_children[0] : element, v);
  }
  FinishModelChange(model);
}

void CQorexDoc::ResizeModel(int model, int rows, int cols) {
  if (model < 0 || model >= m_models.GetCount()) return;
  CMcBasic* def = m_models.GetAt(model);
  CMcBasic* rhs = RightSide(def);
  if (rhs == nullptr || rows < 1 || cols < 1) return;
  auto* matrix = McIsKind(rhs, kMcMatrix) ? static_cast<CMcMatrix*>(rhs) : nullptr;
  if (rows + cols < 3) {
    if (matrix != nullptr && matrix->m_count > 0) {
      CMcBasic* first = matrix->RemoveChildAt(0);
      ReplaceNode(matrix, first);
      delete matrix;
    }
  } else {
    if (matrix == nullptr) {
      matrix = new CMcMatrix(0);
      ReplaceNode(rhs, matrix);
      matrix->AppendChild(rhs);
      matrix->SetColumns(1);
    }
    const int c0 = std::max(1, matrix->GetColumns());
    const int r0 = matrix->m_count / c0;
    if (rows > r0) matrix->AddRows(rows - r0);
    if (rows < r0) matrix->RemoveRows(r0 - rows);
    if (cols > c0) matrix->AddColumns(cols - c0);
    if (cols < c0) matrix->RemoveColumns(c0 - cols);
  }
  AdjustDimensions(model, TRUE, m_models.m_items, m_signals.m_items);
  for (int i = 0; i < m_models.GetCount(); ++i) Relayout(m_models.GetAt(i));
  for (int i = 0; i < m_signals.GetCount(); ++i) Relayout(m_signals.GetAt(i));
  Recalculate();
  UpdateAll();
  UpdateHistory();
}

bool CQorexDoc::ApplyRootDrop(bool pole, int model, int row, int col, double a, double b) {
  CMcBasic* element = ModelElement(model, row, col);
  if (element == nullptr || !std::isfinite(a) || !std::isfinite(b)) return false;
  RootFactor root = MakeRootFactor(m_vars, pole, model, row, col, a, std::fabs(b));
  if (root.factor == nullptr) return false;  // the variable table refused the pair
  if (pole) {
    CMcBasic* division = DivideInPlace(element, root.factor);
    if (root.gain) MultiplyNumerator(division, root.gain);
  } else {
    // As many poles at the origin as keep the element proper.
    const CSIMtrnmx& block = m_system.*kModelWiring[model].block;
    int degree = 0;
    if (row < block.m_nRows && col < block.m_nCols) {
      const CSIMtrnfn& tf = block.At(row, col);
      degree = tf.m_nDen - tf.m_nNum;
    }
    const int extra = std::max(0, root.order - degree);
    delete root.gain;
    if (extra > 0) {
      CMcBasic* s = Variable("s", "", 0, kEntryS);
      element = DivideInPlace(element, extra == 1 ? s : new CMcPower(s, McNewNumber(extra), 0));
    }
    PutZeroFactor(element, root.factor);
  }
  FinishModelChange(model);
  return true;
}

void CQorexDoc::BuildSignal(int signal, int row, int kind) {
  if (signal < 0 || signal > 3 || kind < 0 || kind >= kShapeCount) return;
  CMcBasic* element = SignalElement(signal, row);
  if (element == nullptr) return;
  CMcBasic* rhs = RightSide(m_signals.GetAt(signal));
  const int n = McIsKind(rhs, kMcMatrix) ? std::max<int>(1, rhs->m_count) : 1;
  const double total = m_dFinalTime;
  const double ts = m_system.m_dTs;
  if (!std::isfinite(total) || !std::isfinite(ts) || ts <= 0.0) return;
  // The setpoint's rows start in turn over the first half of the run; the
  // disturbances in turn over the second half, a single row of v, d and n at
  // T/2, 2T/3 and 5T/6.
  double t0 = total / 2 / n * row;
  if (signal != 0) t0 += total / 2 + (n == 1 ? (signal - 1) * total / 6 : 0.0);
  SignalPlan plan{signal, row, kind, t0, t0 + 40 * ts, ts};

  CMcBasic* expr = nullptr;
  if (kind == kShapeZero) {
    expr = McNewNumber(0.0);
  } else {
    const char name[2] = {kSignalLetters[signal], 0};
    char subscript[32];
    std::snprintf(subscript, sizeof subscript, "%d", row + 1);
    CMcVariable* amplitude = Variable(name, subscript, 0);
    expr = SignalShape(plan, amplitude);
    SetSignalVariables(m_vars, plan, expr, amplitude);
  }
  ReplaceNode(element, expr);
  delete element;
  Relayout(m_signals.GetAt(signal));
  UpdateUsedVariables();
  Recalculate();
  UpdateAll();
}
