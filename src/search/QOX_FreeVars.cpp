// The free-variable list and the walk over the tunable variables
// (QOX_FreeVars.h).
#include "search/QOX_FreeVars.h"

#include "ListGrowth.h"
#include "MC/MC_BASIC.h"
#include "MC/McKinds.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "simulation/SIMsystem.h"

// ---- the list ---------------------------------------------------------------------------

QOX_FreeVars::QOX_FreeVars() : m_pEntries(new Entry[kInitialCapacity]()) {}

bool QOX_FreeVars::Contains(int index) const {
  for (int i = 0; i < m_nCount; ++i)
    if (m_pEntries[i].index == index) return true;
  return false;
}

void QOX_FreeVars::Add(int index, QOX_Repeats repeats) {
  if (repeats == QOX_Repeats::kOnce && Contains(index)) return;
  if (m_nCount == m_nCapacity) {
    const int capacity = DoubledCapacity(m_nCapacity);
    ReallocateKeeping(m_pEntries, m_nCount, capacity);
    m_nCapacity = capacity;
  }
  m_pEntries[m_nCount++] = {index, {0.0, 0.0, QOX_PatternAxis::kNone}};
}

void QOX_FreeVars::RemoveAt(int i) {
  m_pEntries[i] = m_pEntries[--m_nCount];
}

void QOX_FreeVars::Remove(int index) {
  for (int i = 0; i < m_nCount; ++i)
    if (m_pEntries[i].index == index) {
      RemoveAt(i);
      return;
    }
}

// ---- the walk ----------------------------------------------------------------------------

int QOX_FreeEntryOf(const CMcBasic* node) {
  if (!McIsKind(node, kMcVariable)) return -1;
  const WORD entry = static_cast<const CMcVariable*>(node)->m_index;
  return entry == CMcVariable::kUnbound || entry < CVARvalues::kFirstFreeEntry ? -1 : entry;
}

bool QOX_ModelTunable(const CSIMsystem& system, int slot) {
  return ((system.*kModelWiring[slot].block).m_wFlags & kBlockTunable) != 0;
}

void QOX_AddTreeVariables(const CMcBasic* tree, int end, QOX_Repeats repeats, QOX_FreeVars& vars) {
  if (tree == nullptr) return;
  if (McIsKind(tree, kMcVariable)) {
    const int entry = QOX_FreeEntryOf(tree);
    if (entry >= 0 && entry < end) vars.Add(entry, repeats);
    return;
  }
  for (int i = 0; i < tree->m_count; ++i)
    QOX_AddTreeVariables(tree->m_children[i], end, repeats, vars);
}

void QOX_AddTunableVariables(const CQorexDoc& doc, std::initializer_list<int> slots, int end,
                             QOX_Repeats repeats, QOX_FreeVars& vars) {
  for (const int slot : slots)
    if (QOX_ModelTunable(doc.m_system, slot))
      QOX_AddTreeVariables(doc.m_models.RightSideAt(slot), end, repeats, vars);
}
