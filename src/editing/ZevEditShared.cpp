#include "editing/ZevEditShared.h"

#include "MC/MC_NULL.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_variable.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace zev {

bool IsPlaceholder(const CMcBasic* node) {
  return McIsKind(node, kMcNull);
}

bool IsAddition(const CMcBasic* node) {
  return McIsKind(node, kMcListsum);
}

bool IsMultiplication(const CMcBasic* node) {
  return node != nullptr && node->GetType() == McTypeWord(kMcListmult, 1);
}

bool IsRelation(const CMcBasic* node, int code) {
  return node != nullptr && node->GetType() == McRelationType(code);
}

CMcBasic* NewPlaceholder(int level, WORD sign) {
  return new CMcNull(static_cast<WORD>((sign & kMcSignMask) | McLevelBits(level)));
}

std::string ReadNameBuffer(const CMcBasic* node) {
  if (McIsKind(node, kMcVariable)) {
    const auto* v = static_cast<const CMcVariable*>(node);
    return std::string(v->m_buffer.get(), v->m_length);
  }
  const auto* f = static_cast<const CMcFunction*>(node);
  return std::string(f->m_buffer, f->m_bufferLength);
}

void WriteNameBuffer(CMcBasic* node, const std::string& bytes) {
  char* copy = new char[bytes.size()];
  std::memcpy(copy, bytes.data(), bytes.size());
  if (McIsKind(node, kMcVariable)) {
    auto* v = static_cast<CMcVariable*>(node);
    v->m_buffer.reset(copy);
    v->m_length = static_cast<WORD>(bytes.size());
  } else {
    auto* f = static_cast<CMcFunction*>(node);
    delete[] f->m_buffer;
    f->m_buffer = copy;
    f->m_bufferLength = static_cast<WORD>(bytes.size());
  }
}

int TreeDepth(const CMcBasic* node) {
  if (node == nullptr) return 0;
  std::vector<std::pair<const CMcBasic*, int>> stack{{node, 1}};
  int deepest = 0;
  while (!stack.empty()) {
    const auto [n, depth] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, depth);
    for (int i = 0; i < n->m_count; ++i) stack.emplace_back(n->m_children[i], depth + 1);
  }
  return deepest;
}

}  // namespace zev
