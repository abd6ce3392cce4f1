#include "VARvalues.h"

#include "ListGrowth.h"
#include "MC/McKinds.h"
#include "MC/Mc_variable.h"
#include "platform/core/Archive.h"
#include "platform/ui/Controls.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int kInitialCapacity = 256;

std::unique_ptr<char[]> MakeBuffer(const char* name, const char* subscript) {
  const size_t n = std::strlen(name);
  const size_t s = std::strlen(subscript);
  std::unique_ptr<char[]> buffer(new char[n + s + 2]);
  std::memcpy(buffer.get(), name, n + 1);
  std::memcpy(buffer.get() + n + 1, subscript, s + 1);
  return buffer;
}

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

CVARvalues::CVARvalues() : m_nCount(0), m_nCapacity(0) {
  Reserve(kInitialCapacity);
  const double e = std::exp(1.0);
  const double pi = 2.0 * std::asin(1.0);
  Append("s", "", 1.0, 0.0, 1.0, 0x0000, 0);
  Append("t", "", 1.0, 0.0, 1.0, 0x0000, 0);
  Append("j", "", 1.0, 0.0, 1.0, 0x0100, 0);
  Append("e", "", e, 0.0, 1.0, 0x0100, 0);
  Append("p", "", pi, 0.0, 1.0, 0x0110, 0);
  Append("f", "11", 1.0, -10.0, 10.0, 0x0000, 1);
}

CVARvalues::~CVARvalues() = default;

void CVARvalues::Reserve(int capacity) {
  if (capacity <= m_nCapacity) return;
  ReallocateKeeping(m_pValue, m_nCount, capacity);
  ReallocateKeeping(m_pMin, m_nCount, capacity);
  ReallocateKeeping(m_pMax, m_nCount, capacity);
  ReallocateKeeping(m_pFlags, m_nCount, capacity);
  ReallocateKeeping(m_pUsed, m_nCount, capacity);
  ReallocateKeeping(m_ppNames, m_nCount, capacity);
  m_nCapacity = capacity;
}

int CVARvalues::Append(const char* name, const char* subscript, double value, double minimum,
                       double maximum, WORD style, BYTE used) {
  if (m_nCount == m_nCapacity) Reserve(DoubledCapacity(m_nCapacity));
  const int i = m_nCount++;
  m_pValue[i] = value;
  m_pMin[i] = minimum;
  m_pMax[i] = maximum;
  m_pFlags[i] = style;
  m_pUsed[i] = used;
  m_ppNames[i] = MakeBuffer(name, subscript);
  return i;
}

void CVARvalues::FillList(CListBox* list) const {
  for (int i = 5; i < m_nCount; ++i) {
    if (!m_pUsed[i]) continue;
    std::string text = GetName(i);
    const char* subscript = GetSubscript(i);
    if (*subscript) text = text + "." + subscript;
    const int item = list->AddString(text.c_str());
    if (item >= 0) list->SetItemData(item, static_cast<DWORD_PTR>(i - 5));
  }
}

const char* CVARvalues::GetSubscript(int entry) const {
  const char* name = m_ppNames[entry].get();
  return name + std::strlen(name) + 1;
}

int CVARvalues::GetBufferLength(int entry) const {
  return static_cast<int>(std::strlen(GetName(entry)) + std::strlen(GetSubscript(entry)) + 2);
}

int CVARvalues::Find(const char* name, const char* subscript, WORD style) const {
  for (int i = 0; i < m_nCount; ++i) {
    if ((m_pFlags[i] & kMcVariableStyleMask) == (style & kMcVariableStyleMask) &&
        std::strcmp(GetName(i), name) == 0 && std::strcmp(GetSubscript(i), subscript) == 0)
      return i;
  }
  return -1;
}

int CVARvalues::AddNumbered(const char* name, char* subscript, int subscriptSize) {
  int n = 1;
  for (int i = 0; i < m_nCount; ++i) {
    if (std::strcmp(GetName(i), name) != 0 || !StartsWith(GetSubscript(i), subscript)) continue;
    ++n;
    const int j = i + 1;
    if (j < m_nCount && std::strcmp(GetName(j), name) == 0 &&
        StartsWith(GetSubscript(j), GetSubscript(i))) {
      if (m_pUsed[i] == 0 && m_pUsed[j] == 0) {
        const size_t subLength = std::strlen(GetSubscript(i));
        if (subscriptSize <= 0 || subLength >= static_cast<size_t>(subscriptSize)) return -1;
        std::memcpy(subscript, GetSubscript(i), subLength + 1);
        m_pUsed[i] = m_pUsed[j] = 1;
        return i;
      }
      i = j;  // the pair's second entry is not counted on its own
    }
  }
  const size_t length = std::strlen(subscript);
  char number[16];
  const int digits = std::snprintf(number, sizeof number, "%d", n);
  // Room for prefix + number + "j" and the zero byte (the second entry's text).
  if (subscriptSize <= 0 || length + digits + 1 >= static_cast<size_t>(subscriptSize)) return -1;
  std::memcpy(subscript + length, number, digits + 1);
  while (m_nCapacity - m_nCount < 2) Reserve(DoubledCapacity(m_nCapacity));
  std::string second = std::string(subscript) + "j";
  const int first = Append(name, subscript, 1.0, -10.0, 10.0, 0, 1);
  Append(name, second.c_str(), 1.0, -10.0, 10.0, 0, 1);
  return first;
}

void CVARvalues::BindVariables(CMcBasic* node) {
  if (!node) return;
  if (McKindOf(node->GetType()) != kMcVariable) {
    for (int i = 0; i < node->m_count; ++i) BindVariables(node->m_children[i]);
    return;
  }
  CMcVariable* var = static_cast<CMcVariable*>(node);
  int entry = Find(var->GetVarName(), var->GetSubscript(), var->m_flags);
  if (entry < 0) {
    entry = Append(var->GetVarName(), var->GetSubscript(), 1.0, -10.0, 10.0,
                   static_cast<WORD>(var->m_flags & ~kMcSignMask), 1);
  }
  m_pUsed[entry] = 1;
  var->m_index = static_cast<WORD>(entry);
}

void CVARvalues::Get(int userIndex, double* value, double* minimum, double* maximum) const {
  const int i = userIndex + kFirstFreeEntry;
  *value = m_pValue[i];
  *minimum = m_pMin[i];
  *maximum = m_pMax[i];
}

void CVARvalues::SetValue(int userIndex, double value) {
  m_pValue[userIndex + kFirstFreeEntry] = value;
}

void CVARvalues::SetRange(int userIndex, double minimum, double maximum) {
  m_pMin[userIndex + kFirstFreeEntry] = minimum;
  m_pMax[userIndex + kFirstFreeEntry] = maximum;
}

void CVARvalues::Swap(CVARvalues& other) {
  std::swap(m_pValue, other.m_pValue);
  std::swap(m_pMin, other.m_pMin);
  std::swap(m_pMax, other.m_pMax);
  std::swap(m_pFlags, other.m_pFlags);
  std::swap(m_pUsed, other.m_pUsed);
  std::swap(m_ppNames, other.m_ppNames);
  std::swap(m_nCount, other.m_nCount);
  std::swap(m_nCapacity, other.m_nCapacity);
}

namespace {

// One entry as the record holds it, read before the table is replaced.
struct StoredEntry {
  WORD style;
  double value, minimum, maximum;
  std::string name, subscript;
};

// Reads one entry; false when the input ends or the name buffer is not
// "name\0subscript\0" (two zero bytes, the second one last).
bool ReadEntry(CArchive& ar, StoredEntry& entry) {
  WORD length = 0;
  ar >> entry.style >> entry.value >> entry.minimum >> entry.maximum >> length;
  if (ar.HasFailed() || length < 2) return false;
  std::string bytes(length, '\0');
  for (WORD i = 0; i < length; ++i) {
    WORD character = 0;
    ar >> character;
    bytes[i] = static_cast<char>(character & 0xFF);
  }
  if (ar.HasFailed() || bytes.back() != '\0') return false;
  const size_t separator = bytes.find('\0');
  if (separator == static_cast<size_t>(length - 1))
    return false;  // no separator before the final zero
  if (bytes.find('\0', separator + 1) != static_cast<size_t>(length - 1)) return false;
  entry.name = bytes.substr(0, separator);
  entry.subscript = bytes.substr(separator + 1, length - separator - 2);
  return true;
}

void WriteName(CArchive& ar, const char* text, size_t length) {
  // One word per byte, the byte sign-extended as a signed char widens.
  for (size_t i = 0; i < length; ++i)
    ar << static_cast<WORD>(static_cast<SHORT>(static_cast<signed char>(text[i])));
}

}  // namespace

BOOL CVARvalues::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_nCount << m_nCapacity;
    for (int i = 0; i < m_nCount; ++i) {
      const int length = GetBufferLength(i);
      ar << m_pFlags[i] << m_pValue[i] << m_pMin[i] << m_pMax[i] << static_cast<WORD>(length);
      WriteName(ar, m_ppNames[i].get(), length);
    }
    return TRUE;
  }
  int count = 0, capacity = 0;
  ar >> count >> capacity;
  // The capacity only ever doubles from 256 when an addition finds the table
  // full, so a sound record never holds more than about twice its count; a
  // larger one is forged and must not drive the allocation.
  const long long limit = count > 128 ? 2LL * count + 2 : kInitialCapacity;
  if (ar.HasFailed() || count < 0 || capacity < count || capacity < 1 || capacity > limit) {
    ar.SetFailed();
    return FALSE;
  }
  std::vector<StoredEntry> entries;
  for (int i = 0; i < count; ++i) {
    StoredEntry entry;
    if (!ReadEntry(ar, entry)) {
      ar.SetFailed();
      return FALSE;
    }
    entries.push_back(std::move(entry));
  }
  m_nCount = 0;
  m_nCapacity = 0;
  m_pValue.reset();
  m_pMin.reset();
  m_pMax.reset();
  m_pFlags.reset();
  m_pUsed.reset();
  m_ppNames.reset();
  Reserve(capacity);
  for (const StoredEntry& e : entries)
    Append(e.name.c_str(), e.subscript.c_str(), e.value, e.minimum, e.maximum, e.style, 0);
  return TRUE;
}
