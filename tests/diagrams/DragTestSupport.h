#pragma once
// Designs for the pole-drag tests and the drag benchmark: models set from
// trees, variables bound and valued, the design recalculated.
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "tests/diagrams/data/DragReference.h"
#include "tests/support/TreeBuilders.h"

#include <utility>
#include <vector>

namespace dragtest {

using namespace qxtest::trees;

// Sets a process-wide setting for the lifetime of the object.
template <class T>
struct Setting {
  Setting(T& v, T value) : ref(v), old(v) { v = value; }
  ~Setting() { ref = old; }
  T& ref;
  T old;
};

inline void SetModel(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  delete doc.m_models.GetAt(slot)->SetChildAt(rhs, 1);
}

inline void SetSignal(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  delete doc.m_signals.GetAt(slot)->SetChildAt(rhs, 1);
}

inline int Entry(const CQorexDoc& doc, const char* name, const char* subscript = "") {
  return doc.m_vars.Find(name, subscript, 0);
}

inline double& Var(CQorexDoc& doc, const char* name, const char* subscript = "") {
  return doc.m_vars.m_pValue[Entry(doc, name, subscript)];
}

// Binds the definitions, gives the named variables their values (names the
// definitions do not use are skipped) and recalculates.
inline void Bind(CQorexDoc& doc, std::vector<std::pair<const char*, double>> values = {}) {
  doc.UpdateUsedVariables();
  for (auto& [name, value] : values)
    if (Entry(doc, name) >= 0) Var(doc, name) = value;
  doc.Recalculate();
}

// k_i (1 + T_i s) / (T_i s): a PI controller with both constants variables.
inline CMcBasic* Pi(const char* sub) {
  return Div(Prod({Variable("k", 0, sub), Sum({Real(1), Prod({Variable("T", 0, sub), S()})})}),
             Prod({Variable("T", 0, sub), S()}));
}

// The 2 x 2 drag design: G = [[1/(s+1), 0.5/(2s+1)], [0.3/(s+2),
// 2/((s+1)(0.5s+1))]], K = diag of two PI controllers with the variables
// (k1, T1, k2, T2), P = L = F = I, command (1, 1), Tf = 30 s, Ts = 0.01 s,
// the locus on k1 (30 logarithmic steps).
inline void MakeDragDesign(CQorexDoc& doc, const double* variables = dragref::kVariablesA) {
  g_nRlLogSteps = 30;
  SetModel(doc, kModelP, Identity(2));
  SetModel(doc, kModelK, Matrix(2, {Pi("1"), Real(0), Real(0), Pi("2")}));
  SetModel(
      doc, kModelG,
      Matrix(2, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.3}, {2, 1}), Tf({2}, {1, 1.5, 0.5})}));
  SetModel(doc, kModelL, Identity(2));
  SetModel(doc, kModelF, Identity(2));
  SetSignal(doc, kSigC, Matrix(1, {Real(1), Real(1)}));
  for (int slot : {kSigV, kSigD, kSigN}) SetSignal(doc, slot, Matrix(1, {Real(0), Real(0)}));
  doc.m_dSamplingTime = 0.01;
  doc.m_dFinalTime = 30;
  doc.UpdateUsedVariables();
  const char* names[] = {"k", "T", "k", "T"};
  const char* subs[] = {"1", "1", "2", "2"};
  for (int i = 0; i < 4; ++i) Var(doc, names[i], subs[i]) = variables[i];
  doc.m_pVarPoints[0].m_nVariable = Entry(doc, "k", "1");
  doc.m_pVarPoints[0].m_wCode = 0;
  doc.Recalculate();
}

// The closed-loop poles of the document's last recalculation.
inline std::vector<McComplex> ClosedLoopPoles(const CQorexDoc& doc) {
  const CSIMtrnfn& det = doc.m_system.m_detIFLGK;
  return std::vector<McComplex>(det.m_zeros.begin() + 1, det.m_zeros.begin() + det.m_nNum);
}

// The pole with the largest imaginary part (the rightmost if all are real).
inline McComplex TopPole(const CQorexDoc& doc) {
  const std::vector<McComplex> poles = ClosedLoopPoles(doc);
  McComplex top = poles.at(0);
  for (const McComplex& p : poles)
    if (p.im > top.im || (p.im == top.im && p.re > top.re)) top = p;
  return top;
}

}  // namespace dragtest
