#pragma once
// Building designs for the loop tests, and an independent loop simulator: every
// block element in its controllable canonical form stepped by classical RK4
// with the input held, in matrix form with std::vector, which is the exact
// recurrence the system's simulation must reproduce to rounding.
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"

#include <cmath>
#include <initializer_list>
#include <vector>

namespace looptest {

inline CMcBasic* R(double v) {
  return new CMcReal(std::fabs(v), v < 0 ? 1 : 0);
}
inline CMcBasic* S() {
  return new CMcVariable("s", "", 0);
}
inline CMcBasic* V(const char* name, const char* subscript = "") {
  return new CMcVariable(name, subscript, 0);
}
inline CMcBasic* Prod(std::initializer_list<CMcBasic*> f) {
  auto* p = new CMcListmult(0);
  for (CMcBasic* x : f) p->AppendChild(x);
  return p;
}
// c0 + c1 s + c2 s^2 + ... (ascending).
inline CMcBasic* PolyExpr(const std::vector<double>& c) {
  auto* sum = new CMcListsum(0);
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0.0 && c.size() > 1) continue;
    if (i == 0)
      sum->AppendChild(R(c[i]));
    else if (i == 1)
      sum->AppendChild(Prod({R(c[i]), S()}));
    else
      sum->AppendChild(Prod({R(c[i]), new CMcPower(S(), R(double(i)), 0)}));
  }
  return sum;
}
inline CMcBasic* Tf(const std::vector<double>& num, const std::vector<double>& den) {
  return new CMcDivision(PolyExpr(num), PolyExpr(den), 0);
}
inline CMcBasic* Mat(int cols, std::initializer_list<CMcBasic*> elements, WORD flags = 0) {
  auto* m = new CMcMatrix(flags);
  for (CMcBasic* e : elements) m->AppendChild(e);
  m->SetColumns(static_cast<WORD>(cols));
  return m;
}

// Replaces the right side of a definition and binds the document's variables.
inline void SetRhs(CQorexDoc& doc, CMXC_BIN& list, int slot, CMcBasic* rhs) {
  CMcBasic* def = list.GetAt(slot);
  delete def->SetChildAt(rhs, 1);
  doc.UpdateUsedVariables();
}
inline void SetModel(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  SetRhs(doc, doc.m_models, slot, rhs);
}
inline void SetSignal(CQorexDoc& doc, int slot, CMcBasic* rhs) {
  SetRhs(doc, doc.m_signals, slot, rhs);
}
inline int Entry(const CQorexDoc& doc, const char* name, const char* subscript = "") {
  return doc.m_vars.Find(name, subscript, 0);
}

// ---- the independent RK4 loop -----------------------------------------------

struct RefElement {
  std::vector<double> num, den, x;  // ascending, den monic not required
  double Step(double u, double h) {
    const int m = int(den.size()) - 1;
    std::vector<double> b(num);
    b.resize(m + 1, 0.0);
    const double am = den[m];
    if (m == 0) return b[0] / am * u;
    auto f = [&](const std::vector<double>& s) {
      std::vector<double> d(m);
      for (int j = 0; j + 1 < m; ++j) d[j] = s[j + 1];
      double top = u;
      for (int i = 0; i < m; ++i) top -= den[i] * s[i];
      d[m - 1] = top / am;
      return d;
    };
    double y = b[m] / am * u;
    for (int i = 0; i < m; ++i) y += (b[i] - b[m] * den[i] / am) * x[i];
    auto add = [&](const std::vector<double>& a, const std::vector<double>& k, double c) {
      std::vector<double> r(m);
      for (int i = 0; i < m; ++i) r[i] = a[i] + c * k[i];
      return r;
    };
    const auto k1 = f(x);
    const auto k2 = f(add(x, k1, h / 2));
    const auto k3 = f(add(x, k2, h / 2));
    const auto k4 = f(add(x, k3, h));
    for (int i = 0; i < m; ++i) x[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
    return y;
  }
};

struct RefBlock {
  int rows, cols;
  std::vector<RefElement> e;  // row by row
  RefBlock(int r, int c, std::vector<std::pair<std::vector<double>, std::vector<double>>> tf)
      : rows(r), cols(c) {
    for (auto& [n, d] : tf) e.push_back({n, d, std::vector<double>(d.size() - 1, 0.0)});
  }
  std::vector<double> Step(const std::vector<double>& in, double h) {
    std::vector<double> out(rows, 0.0);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) out[r] += e[r * cols + c].Step(in[c], h);
    return out;
  }
};

struct RefRun {
  std::vector<std::vector<double>> yd, u, uv;  // [t][channel]
};

// The loop in the simulator's order, with constant c, v, d and n.
inline RefRun RefLoop(RefBlock P, RefBlock K, RefBlock G, RefBlock L, RefBlock F,
                      std::vector<double> c, std::vector<double> v, std::vector<double> d,
                      std::vector<double> n, double h, int steps) {
  RefRun run;
  std::vector<double> uPrev(K.rows, 0.0);
  for (int t = 0; t < steps; ++t) {
    const auto r = P.Step(c, h);
    std::vector<double> gin(K.rows, 0.0);
    if (t > 0)
      for (int i = 0; i < K.rows; ++i) gin[i] = uPrev[i] + v[i];
    auto y = G.Step(gin, h);
    for (int i = 0; i < G.rows; ++i) y[i] += d[i];
    auto z = L.Step(y, h);
    for (int i = 0; i < L.rows; ++i) z[i] += n[i];
    const auto w = F.Step(z, h);
    std::vector<double> e(F.rows);
    for (int i = 0; i < F.rows; ++i) e[i] = r[i] - w[i];
    const auto u = K.Step(e, h);
    std::vector<double> uv(u);
    for (int i = 0; i < K.rows; ++i) uv[i] += v[i];
    run.yd.push_back(y);
    run.u.push_back(u);
    run.uv.push_back(uv);
    uPrev = u;
  }
  return run;
}

}  // namespace looptest
