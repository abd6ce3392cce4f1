#pragma once
// Shared by the simulation tests: independent evaluation in complex arithmetic
// (the reference the numerics are checked against), root matching, and
// designs placed into a document; the expression trees come from the shared
// builders (tests/support/TreeBuilders.h).
#include "QorexDoc.h"
#include "simulation/SIMtrnfn.h"
#include "tests/support/TreeBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace simtest {

using namespace qxtest::trees;

using cd = std::complex<double>;
using Node = std::unique_ptr<CMcBasic>;

// The design's own simulated run becomes its next stored run, at the
// design's sampling time.
inline void StoreOwnRun(CQorexDoc& doc) {
  const CSIMsystem& sys = doc.m_system;
  const int r = doc.m_nRuns++;
  doc.m_runs[r].setpoint.Assign(sys.m_c);
  doc.m_runs[r].control.Assign(sys.m_u);
  doc.m_runs[r].output.Assign(sys.m_yd);
  doc.m_runs[r].dTs = doc.m_dSamplingTime;
}

inline cd Eval(const double* c, int n, cd s) {
  cd v = 0.0;
  for (int i = n - 1; i >= 0; --i) v = v * s + c[i];
  return v;
}

inline cd Eval(const CSIMtrnfn& t, cd s) {
  return Eval(t.m_num.data(), t.m_nNum, s) / Eval(t.m_den.data(), t.m_nDen, s);
}

// |p(r)| / sum |a_i| |r|^i: how far r is from being a root of a polynomial
// whose coefficients were perturbed relatively by that amount.
inline double BackwardResidual(const double* a, int m, cd r) {
  double scale = 0.0;
  for (int i = m; i >= 0; --i) scale = scale * std::abs(r) + std::fabs(a[i]);
  return std::abs(Eval(a, m + 1, r)) / scale;
}

// Ascending coefficients of lead * prod (s - r) over the roots, conjugates included.
inline std::vector<double> FromRoots(const std::vector<cd>& roots, double lead) {
  std::vector<cd> c{lead};
  for (cd r : roots) {
    c.push_back(0.0);
    for (size_t j = c.size() - 1; j > 0; --j) c[j] = c[j - 1] - r * c[j];
    c[0] = -r * c[0];
  }
  std::vector<double> out;
  for (cd v : c) out.push_back(v.real());
  return out;
}

// Entries 1 .. m of a root array, as the root finder and the transfer function store them.
inline std::vector<cd> FromIndexOne(const McComplex* roots, int m) {
  std::vector<cd> out;
  for (int i = 1; i <= m; ++i) out.push_back({roots[i].re, roots[i].im});
  return out;
}

// Every reference root {re, im} claims a distinct nearest found root within tol
// (times |root| when relative), and nothing is left over.
inline void ExpectSameRoots(std::vector<cd> found, const double (*ref)[2], int count, double tol,
                            bool relative = false) {
  ASSERT_EQ(int(found.size()), count);
  for (int i = 0; i < count; ++i) {
    const cd r(ref[i][0], ref[i][1]);
    auto nearer = [&](cd a, cd b) { return std::abs(a - r) < std::abs(b - r); };
    const auto best = std::min_element(found.begin(), found.end(), nearer);
    EXPECT_LE(std::abs(*best - r), tol * (relative ? std::abs(r) : 1.0)) << "root " << r;
    found.erase(best);
  }
}

// num / den with poles and zeros found.
inline CSIMtrnfn Make(std::vector<double> num, std::vector<double> den) {
  CSIMtrnfn t;
  t.Adopt(std::move(num), std::move(den));
  t.FindRoots();
  return t;
}

// num / den in simulation form, ready to step.
inline CSIMtrnfn Prepared(std::vector<double> num, std::vector<double> den) {
  CSIMtrnfn t;
  EXPECT_TRUE(t.Adopt(std::move(num), std::move(den)));
  EXPECT_TRUE(t.PrepareSimulation());
  return t;
}

// ---- designs in a document ----------------------------------------------------
// Slots are SIMmodelSlot (kModelP .. kModelF) and SIMsignalSlot (kSigC ..) values.

inline void SetRhs(CQorexDoc& doc, CMXC_BIN& list, int slot, CMcBasic* rhs) {
  delete list.GetAt(slot)->SetChildAt(rhs, 1);
  doc.UpdateUsedVariables();
}
inline void SetModel(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  SetRhs(doc, doc.m_models, slot, rhs);
}
inline void SetSignal(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  SetRhs(doc, doc.m_signals, slot, rhs);
}
inline int Entry(const CQorexDoc& doc, const char* name) {
  return doc.m_vars.Find(name, "", 0);
}

// The 2 x 2 loop around G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)] (unless another
// is given) with P = L = F = I, the given controller, command c and disturbance d; v = n = 0.
inline void MakeTwoByTwo(CQorexDoc& doc, CMcBasic* k, double c1, double c2, double d2,
                         CMcBasic* g = nullptr) {
  SetModel(doc, kModelP, Identity(2));
  SetModel(doc, kModelK, k);
  SetModel(doc, kModelG,
           g ? g : Matrix(2, {Tf({1}, {1, 1}), Tf({2}, {3, 1}), Tf({1}, {1, 1}), Tf({1}, {1, 1})}));
  SetModel(doc, kModelL, Identity(2));
  SetModel(doc, kModelF, Identity(2));
  SetSignal(doc, kSigC, Matrix(1, {Real(c1), Real(c2)}));
  SetSignal(doc, kSigV, Matrix(1, {Real(0), Real(0)}));
  SetSignal(doc, kSigD, Matrix(1, {Real(0), Real(d2)}));
  SetSignal(doc, kSigN, Matrix(1, {Real(0), Real(0)}));
}

}  // namespace simtest
