#include "MC/McKinds.h"

#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"

namespace {

constexpr McKind kKinds[] = {
    {0x00, "Group", &CMcGroup::Load},
    {0x01, "Real", &CMcReal::Load},
    {0x02, "Function", &CMcFunction::Load},
    {0x03, "Variable", &CMcVariable::Load},
    {0x04, "Null", &CMcNull::Load},
    {0x05, "Matrix", &CMcMatrix::Load},
    {0x06, "Declaration", &CMcDeclaration::Load},
    {0x07, "Listbody", &CMcListbody::Load},
    {0x0A, "Division", &CMcDivision::Load},
    {0x0C, "Power", &CMcPower::Load},
    {0x0E, "Listsum", &CMcListsum::Load},
    {0x0F, "Listmult", &CMcListmult::Load},
    {0x13, "Equality", &CMcEquality::Load},
    {0xFE, "Desktop", &CMcDesktop::Load},
};

}  // namespace

std::span<const McKind> McKindTable() {
  return kKinds;
}

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
