#include "MC/McKinds.h"

#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_desktop.h"

namespace {

constexpr McKind kKinds[] = {
    {0x00, "Group", &CMcGroup::Load},
    {0x01, "Real", &CMcReal::Load},
    {0x04, "Null", &CMcNull::Load},
    {0xFE, "Desktop", &CMcDesktop::Load},
};

}  // namespace

std::span<const McKind> McKindTable() { return kKinds; }

const McKind* McFindKind(WORD type) {
  const BYTE code = static_cast<BYTE>(type >> 8);
  for (const McKind& kind : kKinds) {
    if (kind.code == code) return &kind;
  }
  return nullptr;
}

const char* McKindName(WORD type) {
  const McKind* kind = McFindKind(type);
  return kind ? kind->name : "None";
}
