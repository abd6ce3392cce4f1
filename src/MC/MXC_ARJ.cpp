#include "MC/MXC_ARJ.h"

#include "ListGrowth.h"
#include "MC/MC_BASIC.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"

#include <cstring>
#include <vector>

namespace {

constexpr WORD kVariableTable = 0;
constexpr WORD kFunctionTable = 1;
constexpr WORD kNoNode = McTypeWord(kMcNoKind);
constexpr int kInitialCapacity = 2;
constexpr int kMaxChildren = 65535;
// The least an entry takes in a record: two lone type words.
constexpr ULONGLONG kMinEntryBytes = 4;

bool HasSign(const CMcBasic* node) {
  return (node->m_flags & kMcSignMask) != 0;
}

// Bit 0 of into becomes the exclusive or of both bits 0, bit 1 the inclusive
// or of both bits 1.
void MergeSign(const CMcBasic* from, CMcBasic* into) {
  into->m_flags = McWithSign(into->m_flags, McMergedSign(into->m_flags, from->m_flags));
}

// The name and subscript of a variable or function; false for other kinds.
bool NameOf(const CMcBasic* node, const char** name, const char** subscript) {
  if (McIsKind(node, kMcVariable)) {
    const auto* variable = static_cast<const CMcVariable*>(node);
    *name = variable->GetVarName();
    *subscript = variable->GetSubscript();
    return true;
  }
  if (McIsKind(node, kMcFunction)) {
    const auto* function = static_cast<const CMcFunction*>(node);
    *name = function->GetFunctionName();
    *subscript = function->GetSubscript();
    return true;
  }
  return false;
}

bool NamesMatch(const CMcBasic* pattern, const CMcBasic* node, WORD mask) {
  const char *patternName, *patternSub, *nodeName, *nodeSub;
  if (pattern == nullptr || !NameOf(pattern, &patternName, &patternSub) ||
      !NameOf(node, &nodeName, &nodeSub))
    return false;
  return std::strcmp(patternName, nodeName) == 0 && std::strcmp(patternSub, nodeSub) == 0 &&
         ((pattern->m_flags ^ node->m_flags) & mask) == 0;
}

// A function of plain variables: its argument is one variable, or a node
// (a row, a list) whose children are all unsigned variables.
bool HasPlainArguments(const CMcBasic* node) {
  if (node->m_count == 0) return false;
  const CMcBasic* argument = node->m_children[0];
  if (McIsKind(argument, kMcVariable)) return true;
  if (argument->m_count == 0) return false;
  for (int i = 0; i < argument->m_count; ++i) {
    const CMcBasic* item = argument->m_children[i];
    if (!McIsKind(item, kMcVariable) || HasSign(item)) return false;
  }
  return true;
}

// A pattern may be absent (a lone no-node type word); any other record must
// load, since a damaged pattern would leave the rest of the record out of step.
bool LoadPattern(CArchive& ar, CMcBasic** pattern) {
  *pattern = nullptr;
  WORD type = 0;
  ar >> type;
  if (ar.HasFailed()) return false;
  if (McKindOf(type) == kMcNoKind) return true;
  const McKind* kind = McFindKind(type);
  if (kind == nullptr) return false;
  CMcBasic* node = kind->load(ar);
  if (node != nullptr && ar.HasFailed()) {
    delete node;
    node = nullptr;
  }
  *pattern = node;
  return node != nullptr;
}

void StoreOptional(CArchive& ar, const CMcBasic* node) {
  if (node != nullptr) {
    node->Store(ar);
  } else {
    ar << kNoNode;
  }
}

// The entries read so far, deleted unless handed on.
struct LoadedEntries {
  std::vector<CMcBasic*> patterns, values;
  ~LoadedEntries() {
    for (CMcBasic* node : patterns) delete node;
    for (CMcBasic* node : values) delete node;
  }
};

}  // namespace

CMXC_ARJ::CMXC_ARJ(WORD mode) : m_mode(mode), m_capacity(0) {
  Grow(kInitialCapacity);
}

CMXC_ARJ::~CMXC_ARJ() {
  for (int i = 0; i < m_count; ++i) {
    delete m_patterns[i];
    delete m_values[i];
  }
}

void CMXC_ARJ::Grow(int capacity) {
  ReallocateKeeping(m_patterns, m_count, capacity);
  ReallocateKeeping(m_values, m_count, capacity);
  m_capacity = capacity;
}

// ---- record ---------------------------------------------------------------------

void CMXC_ARJ::Store(CArchive& ar) const {
  ar << kTag << m_mode << static_cast<DWORD>(m_count) << static_cast<DWORD>(m_capacity);
  for (int i = 0; i < m_count; ++i) {
    StoreOptional(ar, m_patterns[i]);
    StoreOptional(ar, m_values[i]);
  }
}

// The entries are read before the stored capacity is allocated, so neither a
// false count nor a false capacity can drive a large allocation.
CMXC_ARJ* CMXC_ARJ::Load(CArchive& ar) {
  WORD mode = 0;
  DWORD count = 0, capacity = 0;
  ar >> mode >> count >> capacity;
  if (ar.HasFailed() || capacity == 0 || capacity > kMaxLoadCapacity || count > capacity ||
      count * kMinEntryBytes > ar.GetBytesRemaining())
    return nullptr;
  LoadedEntries entries;
  for (DWORD i = 0; i < count; ++i) {
    CMcBasic* pattern = nullptr;
    if (!LoadPattern(ar, &pattern)) return nullptr;
    entries.patterns.push_back(pattern);
    CMcBasic* value = CMcBasic::LoadNode(ar);
    if (value == nullptr) return nullptr;
    entries.values.push_back(value);
  }
  auto* table = new CMXC_ARJ(mode);
  table->Grow(static_cast<int>(capacity));
  for (DWORD i = 0; i < count; ++i) {
    table->m_patterns[i] = entries.patterns[i];
    table->m_values[i] = entries.values[i];
    if (mode == kFunctionTable) entries.values[i]->m_parent = entries.patterns[i];
  }
  table->m_count = static_cast<int>(count);
  entries.patterns.clear();
  entries.values.clear();
  return table;
}

// ---- entries --------------------------------------------------------------------

int CMXC_ARJ::Add(CMcBasic* pattern, CMcBasic* value) {
  if (m_count == m_capacity) Grow(DoubledCapacity(m_capacity));
  if (pattern != nullptr) pattern->m_parent = nullptr;
  if (value != nullptr) value->m_parent = nullptr;
  const bool searched = m_mode == kVariableTable || m_mode == kFunctionTable;
  if (searched && pattern != nullptr && HasSign(pattern)) {
    if (value != nullptr) MergeSign(pattern, value);
    pattern->m_flags &= static_cast<WORD>(~kMcSignMask);
  }
  if (m_mode == kFunctionTable && value != nullptr) value->m_parent = pattern;
  m_patterns[m_count] = pattern;
  m_values[m_count] = value;
  ++m_count;
  return 1;
}

void CMXC_ARJ::RemoveAt(int index) {
  if (index < 0 || index >= m_count) return;
  delete m_patterns[index];
  delete m_values[index];
  for (int i = index + 1; i < m_count; ++i) {
    m_patterns[i - 1] = m_patterns[i];
    m_values[i - 1] = m_values[i];
  }
  --m_count;
  m_patterns[m_count] = nullptr;
  m_values[m_count] = nullptr;
}

int CMXC_ARJ::Define(CMcBasic* pattern, CMcBasic* value) {
  if (pattern == nullptr || value == nullptr) return 0;
  const CMXC_ARJ* found = nullptr;
  int index = -1;
  if (m_mode == kVariableTable) {
    if (!Find(pattern, kMcVariableStyleMask, &found, &index)) return 0;
    CMXC_ARJ* table = Outward(found);
    MergeSign(pattern, value);
    value->m_parent = nullptr;
    if (table->m_values[index] != value) delete table->m_values[index];
    table->m_values[index] = value;
    return 1;
  }
  if (m_mode != kFunctionTable) {
    CMcBasic* clone = pattern->Clone();
    return clone != nullptr ? Add(clone, value) : 0;
  }
  if (HasSign(pattern) || !HasPlainArguments(pattern)) return 0;
  CMcBasic* clone = pattern->Clone();
  if (clone == nullptr) return 0;
  if (!Find(pattern, kMcFunctionStyleMask, &found, &index)) return Add(clone, value);
  CMXC_ARJ* table = Outward(found);
  if (table->m_values[index] != value) delete table->m_values[index];
  delete table->m_patterns[index];
  table->m_patterns[index] = clone;
  table->m_values[index] = value;
  value->m_parent = clone;
  return 1;
}

CMcBasic* CMXC_ARJ::Lookup(const CMcBasic* node) const {
  if (node == nullptr) return nullptr;
  const CMXC_ARJ* table = nullptr;
  int index = -1;
  if (m_mode == kVariableTable) {
    return Find(node, kMcVariableStyleMask, &table, &index) ? table->m_values[index] : nullptr;
  }
  if (m_mode != kFunctionTable || !Find(node, kMcFunctionStyleMask, &table, &index)) return nullptr;
  const CMcBasic* pattern = table->m_patterns[index];
  if (node->m_count == 0 || pattern->m_count == 0) return nullptr;
  const CMcBasic* wanted = pattern->m_children[0];
  const CMcBasic* given = node->m_children[0];
  // A pattern on one variable takes any argument; a row or list of variables
  // takes only an argument of its own shape.
  if (!McIsKind(wanted, kMcVariable) &&
      (wanted->m_count != given->m_count || wanted->GetType() != given->GetType()))
    return nullptr;
  return table->m_values[index];
}

void CMXC_ARJ::CollectVariables(const CMcBasic* tree) {
  if (tree == nullptr) return;
  for (int i = 0; i < tree->m_count; ++i) CollectVariables(tree->m_children[i]);
  if (!McIsKind(tree, kMcVariable) || HoldsName(tree, kMcVariableStyleMask)) return;
  CMcBasic* pattern = tree->Clone();
  CMcBasic* value = tree->Clone();
  Add(pattern, value);
}

int CMXC_ARJ::MoveTailInto(CMcBasic* node, int n) {
  if (node == nullptr || n < 0 || n > m_count || node->m_count + n > kMaxChildren) return 0;
  const int first = m_count - n;
  for (int i = first; i < m_count; ++i) {
    if (m_values[i] == nullptr) return 0;
  }
  for (int i = first; i < m_count; ++i) {
    node->AppendChild(m_values[i]);
    delete m_patterns[i];
    m_patterns[i] = nullptr;
    m_values[i] = nullptr;
  }
  m_count = first;
  return 1;
}

BOOL CMXC_ARJ::SetOuter(CMXC_ARJ* outer) {
  for (const CMXC_ARJ* table = outer; table != nullptr; table = table->m_outer) {
    if (table == this) return FALSE;
  }
  m_outer = outer;
  return TRUE;
}

// ---- search ---------------------------------------------------------------------

bool CMXC_ARJ::Find(const CMcBasic* node, WORD mask, const CMXC_ARJ** table, int* index) const {
  for (const CMXC_ARJ* t = this; t != nullptr; t = t->m_outer) {
    for (int i = t->m_count - 1; i >= 0; --i) {
      if (NamesMatch(t->m_patterns[i], node, mask)) {
        *table = t;
        *index = i;
        return true;
      }
    }
  }
  return false;
}

bool CMXC_ARJ::HoldsName(const CMcBasic* node, WORD mask) const {
  for (int i = 0; i < m_count; ++i) {
    if (NamesMatch(m_patterns[i], node, mask)) return true;
  }
  return false;
}

CMXC_ARJ* CMXC_ARJ::Outward(const CMXC_ARJ* table) {
  CMXC_ARJ* t = this;
  while (t != table) t = t->m_outer;
  return t;
}
