#include "MC/MXC_BIN.h"

#include "ListGrowth.h"
#include "MC/MC_BASIC.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"

#include <utility>
#include <vector>

namespace {

constexpr int kInitialCapacity = 8;

bool TreeHasVariable(const CMcBasic* tree, int index) {
  if (McIsKind(tree, kMcVariable) && static_cast<const CMcVariable*>(tree)->m_index == index)
    return true;
  for (int i = 0; i < tree->m_count; ++i) {
    if (TreeHasVariable(tree->m_children[i], index)) return true;
  }
  return false;
}

}  // namespace

CMXC_BIN::CMXC_BIN() : m_items(new CMcBasic*[kInitialCapacity]), m_capacity(kInitialCapacity) {}

CMXC_BIN::~CMXC_BIN() {
  delete[] m_items;
}

int CMXC_BIN::Add(CMcBasic* node) {
  if (m_count == m_capacity) {
    const int capacity = DoubledCapacity(m_capacity);
    ReallocateKeeping(m_items, m_count, capacity);
    m_capacity = capacity;
  }
  m_items[m_count] = node;
  return m_count++;
}

void CMXC_BIN::DeleteAll() {
  for (int i = 0; i < m_count; ++i) delete m_items[i];
  m_count = 0;
}

void CMXC_BIN::Swap(CMXC_BIN& other) {
  std::swap(m_items, other.m_items);
  std::swap(m_count, other.m_count);
  std::swap(m_capacity, other.m_capacity);
}

void CMXC_BIN::Store(CArchive& ar) const {
  ar << static_cast<DWORD>(m_count);
  for (int i = 0; i < m_count; ++i) m_items[i]->Store(ar);
}

// The stored count is not trusted for an allocation: the list grows as the
// records actually arrive, and a count beyond the input ends in a failed read.
BOOL CMXC_BIN::Load(CArchive& ar) {
  DeleteAll();
  DWORD count = 0;
  ar >> count;
  if (ar.HasFailed()) return FALSE;
  for (DWORD i = 0; i < count; ++i) {
    CMcBasic* tree = CMcBasic::LoadNode(ar);
    if (tree == nullptr) {
      DeleteAll();
      return FALSE;
    }
    Add(tree);
  }
  return TRUE;
}

BOOL CMXC_BIN::AppendClonesTo(CMcBasic* node) const {
  if (m_count == 0) return FALSE;
  std::vector<CMcBasic*> clones;
  for (int i = 0; i < m_count; ++i) {
    CMcBasic* clone = m_items[i]->Clone();
    if (clone == nullptr) {
      for (CMcBasic* c : clones) delete c;
      return FALSE;
    }
    clones.push_back(clone);
  }
  for (CMcBasic* clone : clones) node->AppendChild(clone);
  return TRUE;
}

void CMXC_BIN::CollectMatching(CMcBasic* tree, WORD value, WORD mask) {
  if (tree == nullptr) return;
  if ((tree->GetType() & mask) == value) {
    bool held = false;
    for (int i = 0; i < m_count && !held; ++i) held = m_items[i]->Compare(tree) < 2;
    if (!held) Add(tree);
  }
  for (int i = 0; i < tree->m_count; ++i) CollectMatching(tree->m_children[i], value, mask);
}

BOOL CMXC_BIN::ContainsVariable(const CMcBasic* tree, int index) const {
  if (tree != nullptr) return TreeHasVariable(tree, index);
  for (int i = 0; i < m_count; ++i) {
    if (TreeHasVariable(m_items[i], index)) return TRUE;
  }
  return FALSE;
}

const CMcBasic* CMXC_BIN::RightSideAt(int i) const {
  if (i < 0 || i >= m_count) return nullptr;
  const CMcBasic* def = m_items[i];
  return def != nullptr && def->m_count >= 2 ? def->m_children[1] : nullptr;
}

void CMXC_BIN::CollectFlagged(CMcBasic* tree) {
  if (tree == nullptr) return;
  if (tree->m_flags & kMcPlusMinus) Add(tree);
  for (int i = 0; i < tree->m_count; ++i) CollectFlagged(tree->m_children[i]);
}
