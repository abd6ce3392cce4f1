// The Equalizer's genetic operators: offspring bred from the recorded
// designs, and robustness samples of the controller and process variables
// (EqualizerEngine.h).
#include "search/EqualizerEngine.h"

#include "GlobalResources.h"
#include "MC/McFunctions.h"
#include "QorexDoc.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <vector>

void CEqualizerEngine::RecordForced() {
  CQorexDoc* doc = m_pDoc;
  RecordDesignForced(kRecordAppend);
  doc->Recalculate();
  RecordDesignForced(kRecordRoots);
  doc->UpdateAll();
}

int CEqualizerEngine::ParentIndex(int c, int r, int count) {
  const int drawn = static_cast<int>(static_cast<long long>(c) * r / 32767);
  return std::min(drawn, count - 1);
}

void CEqualizerEngine::CreateOffspring() {
  if (m_pDoc == nullptr || m_pDoc->m_pHistory == nullptr) return;
  const QOX_HistVar& h = *m_pDoc->m_pHistory;
  // Children of this command are not parents within it.
  const int c = h.m_nCount;
  CollectFreeVariables();
  if (c == 0 || m_freeVars.m_nCount == 0 || m_freeVars.m_nCount > h.m_nVars) return;
  // Recording collects the free variables afresh; the flags do not change
  // here, so every child varies the same ones.
  std::vector<int> vars;
  for (int i = 0; i < m_freeVars.m_nCount; ++i) vars.push_back(m_freeVars.Index(i));
  double* values = m_pDoc->m_vars.m_pValue.get();
  for (int child = 0; child < g_nOffspringCount; ++child) {
    const int a = ParentIndex(c, McRandDraw(), h.m_nCount);
    const int b = ParentIndex(c, McRandDraw(), h.m_nCount);
    for (const int v : vars) {
      // A population loaded from a file may hold fewer variables than the table.
      if (v >= h.m_nVars || h.m_pFixed[v]) continue;
      const double lambda = 1.5 * McRandDraw() / McRandMax - 0.25;
      const double r1 = McRandDraw() / McRandMax;
      const double r2 = McRandDraw() / McRandMax;
      const double A = h.m_ppValues[a][v], B = h.m_ppValues[b][v];
      values[v] = lambda * A + (1.0 - lambda) * B + (r2 - 0.5) * r1 * (A + B) * 10.0 * g_dMutation;
    }
    RecordForced();
  }
  ShowRecorded();
}

void CEqualizerEngine::CreateRobustnessModels(int which) {
  m_freeVars.Clear();
  if (m_pDoc == nullptr || m_pDoc->m_pHistory == nullptr) return;
  CQorexDoc& doc = *m_pDoc;
  CSIMsystem& sys = doc.m_system;
  WORD& flagsK = (sys.*kModelWiring[kModelK].block).m_wFlags;
  WORD& flagsG = (sys.*kModelWiring[kModelG].block).m_wFlags;
  const WORD savedK = flagsK, savedG = flagsG;
  auto setTunable = [](WORD& flags, bool on) {
    flags = static_cast<WORD>(on ? flags | kBlockTunable : flags & ~kBlockTunable);
  };
  setTunable(flagsK, (which & kRobustController) != 0);
  setTunable(flagsG, (which & kRobustProcess) != 0);
  if (which & kRobustController) AddModelVariables(doc.m_models.RightSideAt(kModelK));
  if (which & kRobustProcess) AddModelVariables(doc.m_models.RightSideAt(kModelG));
  // Recording collects the free variables from the flags afresh (and finds
  // L's too, tunable by default): every sample draws this list instead.
  std::vector<int> vars;
  for (int i = 0; i < m_freeVars.m_nCount; ++i)
    if (m_freeVars.Index(i) < doc.m_vars.m_nCount) vars.push_back(m_freeVars.Index(i));
  const int nVars = doc.m_pHistory->m_nVars;
  if (!vars.empty() && static_cast<int>(vars.size()) <= nVars) {
    // The samples perturb the user's model around its nominal values, which
    // nothing else keeps: they come back afterwards.
    std::vector<double> nominal;
    for (const int v : vars) nominal.push_back(doc.m_vars.m_pValue[v]);
    for (int sample = 0; sample < g_nOffspringCount; ++sample) {
      for (const int v : vars) {
        const double lo = doc.m_vars.m_pMin[v], hi = doc.m_vars.m_pMax[v];
        doc.m_vars.m_pValue[v] = lo + McRandDraw() / McRandMax * (hi - lo);
      }
      RecordForced();
    }
    flagsK = savedK;
    flagsG = savedG;
    for (size_t i = 0; i < vars.size(); ++i) doc.m_vars.m_pValue[vars[i]] = nominal[i];
    doc.Recalculate();
    doc.UpdateAll();
    ShowRecorded();
  }
  flagsK = savedK;
  flagsG = savedG;
}
