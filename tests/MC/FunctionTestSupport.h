#pragma once
// Shared pieces of the matrix, list, function and signal tests: small tree
// builders, a record round trip through a kind's own loader, and a document
// whose loop signals hold known samples.
#include "MC/MC_BASIC.h"
#include "MC/MC_REAL.h"
#include "MC/McComplex.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace fntest {

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

inline McComplex Eval(const CMcBasic* node, CQorexDoc* doc = nullptr, CSIMsystem* sim = nullptr) {
  McComplex v{-99.0, -99.0};
  node->Evaluate(&v, doc, sim);
  return v;
}

inline std::vector<BYTE> Record(const CMcBasic* node) {
  CArchive out(CArchive::store);
  node->Store(out);
  return out.TakeStoredBytes();
}

// Reads a record's type word and hands the rest to the kind's loader.
inline std::unique_ptr<CMcBasic> LoadWith(CMcBasic* (*load)(CArchive&), std::vector<BYTE> bytes) {
  CArchive in(std::move(bytes));
  WORD type = 0;
  in >> type;
  CMcBasic* node = load(in);
  if (node != nullptr && in.HasFailed()) {
    delete node;
    node = nullptr;
  }
  return std::unique_ptr<CMcBasic>(node);
}

// Same boxes and baselines at every node of two trees.
inline bool SameLayout(const CMcBasic* a, const CMcBasic* b) {
  if (a->m_box.x != b->m_box.x || a->m_box.y != b->m_box.y || a->m_box.width != b->m_box.width ||
      a->m_box.height != b->m_box.height || a->m_baseline != b->m_baseline ||
      a->m_count != b->m_count)
    return false;
  for (int i = 0; i < a->m_count; ++i)
    if (!SameLayout(a->m_children[i], b->m_children[i])) return false;
  return true;
}

// Sample (channel, k) of the signal with the given letter code: 1000 * code +
// 100 * channel + k, so every read names where it came from.
inline double SampleValue(int code, int channel, int k) {
  return 1000.0 * code + 100.0 * channel + k;
}

inline void FillSignal(CSIMsignal& s, int code, int rows, int columns) {
  s.m_nRows = rows;
  s.m_nColumns = columns;
  for (int ch = 0; ch < rows; ++ch)
    for (int k = 0; k < columns; ++k) s.At(ch, k) = SampleValue(code, ch, k);
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
  for (CSIMsignal* signal : signals) FillSignal(*signal, code++, 2, columns);
  return doc;
}

inline bool Near(const McComplex& a, const McComplex& b, double tol = 1e-12) {
  const double scale = std::max(1.0, std::hypot(b.re, b.im));
  return std::abs(a.re - b.re) <= tol * scale && std::abs(a.im - b.im) <= tol * scale;
}

}  // namespace fntest
