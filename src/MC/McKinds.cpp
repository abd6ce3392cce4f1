#include "MC/McKinds.h"

#include "MC/MC_BASIC.h"

#include "MC/MC_GROUP.h"
#include "MC/MC_LIMIT.h"
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MC_SUM.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"

namespace {

constexpr McKind kKinds[] = {
#define MC_KIND(codeName, code, name, cls) {codeName, name, &cls::Load},
#include "MC/McKinds.inc"
#undef MC_KIND
};

}  // namespace

std::span<const McKind> McKindTable() {
  return kKinds;
}

const McKind* McFindKind(WORD type) {
  const McKindCode code = McKindOf(type);
  for (const McKind& kind : kKinds) {
    if (kind.code == code) return &kind;
  }
  return nullptr;
}

bool McIsKind(const CMcBasic* node, McKindCode code) {
  return node != nullptr && McKindOf(node->GetType()) == code;
}

const char* McKindName(WORD type) {
  const McKind* kind = McFindKind(type);
  return kind ? kind->name : "None";
}
