#pragma once
// The 3 x 3 design the benchmarks share: G = [1/(s+1), 0.5/(2s+1), 0.2/(s+3);
// 0.3/(s+2), 2/((s+1)(0.5s+1)), 0.4/(s+1); 0.1/(s+4), 0.2/(s+2),
// 1.5/(s+1)^2], K = diag(k_i (1 + 1/(T_i s))), k = (2, 1.5, 1), T = (1, 2, 1),
// P = L = F = I, command (1, 1, 1), Tf = 30 s, Ts = 0.003 s (10,000 samples),
// the first locus on k1; recalculated.
#include "QorexDoc.h"
#include "tests/support/TreeBuilders.h"

namespace qxbench {

inline void SetDefinition(CMXC_BIN& list, int slot, CMcBasic* rhs) {
  delete list.GetAt(slot)->SetChildAt(rhs, 1);
}

// k_i (1 + T_i s) / (T_i s): the PI controller with its gain as a variable.
inline CMcBasic* PiController(const char* sub, double T) {
  using namespace qxtest::trees;
  return Div(Prod({Variable("k", 0, sub), PolyExpr({1, T})}), PolyExpr({0, T}));
}

// The loop alone: the five models and the command, v, d and n signals.
inline void SetThreeByThreeLoop(CQorexDoc& doc) {
  using namespace qxtest::trees;
  SetDefinition(doc.m_models, kModelP, Identity(3));
  SetDefinition(doc.m_models, kModelK,
                Matrix(3, {PiController("1", 1), Real(0), Real(0), Real(0), PiController("2", 2),
                           Real(0), Real(0), Real(0), PiController("3", 1)}));
  SetDefinition(doc.m_models, kModelG,
                Matrix(3, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.2}, {3, 1}),  //
                           Tf({0.3}, {2, 1}), Tf({2}, {1, 1.5, 0.5}), Tf({0.4}, {1, 1}),
                           Tf({0.1}, {4, 1}), Tf({0.2}, {2, 1}), Tf({1.5}, {1, 2, 1})}));
  SetDefinition(doc.m_models, kModelL, Identity(3));
  SetDefinition(doc.m_models, kModelF, Identity(3));
  SetDefinition(doc.m_signals, kSigC, Matrix(1, {Real(1), Real(1), Real(1)}));
  for (int slot : {kSigV, kSigD, kSigN})
    SetDefinition(doc.m_signals, slot, Matrix(1, {Real(0), Real(0), Real(0)}));
}

inline void MakeThreeByThree(CQorexDoc& doc) {
  SetThreeByThreeLoop(doc);
  doc.m_dSamplingTime = 0.003;
  doc.m_dFinalTime = 30;
  doc.UpdateUsedVariables();
  const double k[] = {2, 1.5, 1};
  const char* subs[] = {"1", "2", "3"};
  for (int i = 0; i < 3; ++i) doc.m_vars.m_pValue[doc.m_vars.Find("k", subs[i], 0)] = k[i];
  doc.m_pVarPoints[0].m_nVariable = doc.m_vars.Find("k", "1", 0);
  doc.m_pVarPoints[0].m_wCode = 0;
  doc.Recalculate();
}

// The design with its control limited to +-100 in each of its three rows, a
// loop real time runs; recalculated.
inline void MakeLimitedThreeByThree(CQorexDoc& doc) {
  MakeThreeByThree(doc);
  using namespace qxtest::trees;
  SetDefinition(doc.m_signals, kSigClipMin, Matrix(1, {Real(-100), Real(-100), Real(-100)}));
  SetDefinition(doc.m_signals, kSigClipMax, Matrix(1, {Real(100), Real(100), Real(100)}));
  doc.Recalculate();
}

}  // namespace qxbench
